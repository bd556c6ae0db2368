// scenario-builder: with no arguments, the one-shot run of the built-in
// scenario.
#include <exception>

#include "run/file_system.h"
#include "run/platform_posix.h"
#include "run/run_sequence.h"

int main() {
  sb::PosixPlatform platform;
  sb::DiskFileSystem files;
  try {
    return sb::esegui_run(platform, files);
  } catch (const std::exception& e) {
    platform.report_failure(e.what());
  }
}
