// The platform layer on Linux and other POSIX systems: a command-line
// program. The waiting window becomes one line on standard error when that is
// a terminal; messages and reports go to standard error.
#pragma once

#include "platform/platform.h"

namespace sb {

class PosixPlatform : public Platform {
 public:
  std::string executable_directory() override;
  std::string join(const std::string& directory, const std::string& name) override;
  void show_waiting_window() override;
  void close_waiting_window() override {}
  void show_message(const std::string& text) override;
  [[noreturn]] void end_program(int status) override;
  [[noreturn]] void report_failure(const std::string& message) override;
};

}  // namespace sb
