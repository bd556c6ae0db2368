// A platform for tests: a fixed executable directory, the messages kept, and
// the end of the program and the failure report turned into exceptions, so
// that a test can see them and nothing after them runs.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sb::testing {

// end_program: the exit status, and the last message shown before it (its
// what()), such as " Errore n. 1250".
struct ProgramEnded : std::runtime_error {
  ProgramEnded(int exit_status, const std::string& last_message)
      : std::runtime_error(last_message), status(exit_status) {}
  int status;
};
struct FailureReported : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class FakePlatform : public Platform {
 public:
  std::string directory = "/opt/sim";
  int windows_shown = 0;
  int windows_closed = 0;
  std::vector<std::string> messages;  // every show_message, in order

  std::string executable_directory() override { return directory; }
  std::string join(const std::string& d, const std::string& name) override {
    return d + "/" + name;
  }
  void show_waiting_window() override { ++windows_shown; }
  void close_waiting_window() override { ++windows_closed; }
  void show_message(const std::string& text) override { messages.push_back(text); }
  [[noreturn]] void end_program(int status) override {
    throw ProgramEnded(status, messages.empty() ? std::string() : messages.back());
  }
  [[noreturn]] void report_failure(const std::string& message) override {
    throw FailureReported(message);
  }
};

}  // namespace sb::testing
