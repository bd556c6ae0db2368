// The platform layer on Linux and other POSIX systems: a command-line
// program. The waiting window becomes one line on standard error when that is
// a terminal; the reports go to standard error.
#pragma once

#include "run/platform.h"

namespace sb {

class PosixPlatform : public Platform {
 public:
  std::string executable_directory() override;
  std::string join(const std::string& directory, const std::string& name) override;
  void show_waiting_window() override;
  void close_waiting_window() override {}
  [[noreturn]] void errore(const std::string& a) override;
  [[noreturn]] void report_failure(const std::string& message) override;
};

// Exit statuses of the program.
inline constexpr int kExitFatal = 3;    // errore: codes 1250 and 1251
inline constexpr int kExitFailure = 4;  // any other failure of the run

}  // namespace sb
