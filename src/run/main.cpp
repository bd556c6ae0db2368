// scenario-builder: with no arguments, the one-shot run of the built-in
// scenario; with a subcommand, the authors' tools.
#include <exception>
#include <iostream>

#include "platform/file_system.h"
#include "platform/platform_posix.h"
#include "run/run_sequence.h"
#include "tools/commands.h"

int main(int argc, char** argv) {
  sb::PosixPlatform platform;
  sb::DiskFileSystem files;
  try {
    if (argc <= 1) return sb::run_sequence(platform, files);
    sb::Environment env{files, std::cout, std::cerr};
    return sb::run_tool(argc, argv, env);
  } catch (const std::exception& e) {
    platform.report_failure(e.what());
  }
}
