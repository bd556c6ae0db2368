// scenario-builder: with no arguments, the one-shot run of the built-in
// scenario; with a subcommand, the authors' tools.
#include <exception>
#include <iostream>

#include "run/file_system.h"
#include "run/platform_posix.h"
#include "run/run_sequence.h"
#include "tools/commands.h"

int main(int argc, char** argv) {
  sb::PosixPlatform platform;
  sb::DiskFileSystem files;
  try {
    if (argc <= 1) return sb::esegui_run(platform, files);
    sb::Ambiente ambiente{files, std::cout, std::cerr};
    return sb::esegui_comandi(argc, argv, ambiente);
  } catch (const std::exception& e) {
    platform.report_failure(e.what());
  }
}
