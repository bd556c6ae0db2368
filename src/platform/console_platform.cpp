#include "platform/console_platform.h"

#include <cstdio>
#include <cstdlib>

#include "platform/exit_status.h"

namespace sb {

void ConsolePlatform::show_waiting_window() {
  if (error_stream_is_terminal()) std::fputs("Attendere\n", stderr);
}

void ConsolePlatform::show_message(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void ConsolePlatform::end_program(int status) {
  std::fflush(stdout);
  std::exit(status);
}

void ConsolePlatform::report_failure(const std::string& message) {
  std::fprintf(stderr, "scenario-builder: %s\n", message.c_str());
  std::fflush(stderr);
  std::exit(exit_status::kFileFailure);
}

}  // namespace sb
