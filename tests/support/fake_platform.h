// A platform for tests: a fixed executable directory, and the two reports
// turned into exceptions so that a test can see them and nothing after them runs.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/platform.h"

namespace sb::testing {

struct ErroreCalled : std::runtime_error {
  explicit ErroreCalled(const std::string& a) : std::runtime_error(testo_errore(a)) {}
};
struct FailureReported : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class FakePlatform : public Platform {
 public:
  std::string directory = "/opt/sim";
  int windows_shown = 0;
  int windows_closed = 0;

  std::string executable_directory() override { return directory; }
  std::string join(const std::string& d, const std::string& name) override {
    return d + "/" + name;
  }
  void show_waiting_window() override { ++windows_shown; }
  void close_waiting_window() override { ++windows_closed; }
  [[noreturn]] void errore(const std::string& a) override { throw ErroreCalled(a); }
  [[noreturn]] void report_failure(const std::string& message) override {
    throw FailureReported(message);
  }
};

}  // namespace sb::testing
