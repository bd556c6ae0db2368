// What the command-line programs share, on Linux and in the console program
// on Windows: the waiting window becomes the line "Attendere" on standard
// error when that is a terminal; messages and reports go to standard error.
#pragma once

#include "platform/platform.h"

namespace sb {

class ConsolePlatform : public Platform {
 public:
  void show_waiting_window() override;
  void close_waiting_window() override {}
  void show_message(const std::string& text) override;
  [[noreturn]] void end_program(int status) override;
  [[noreturn]] void report_failure(const std::string& message) override;

 protected:
  // Whether standard error is a terminal (on Windows, a console), where a
  // person watches the run; a file or a pipe never receives "Attendere".
  virtual bool error_stream_is_terminal() const = 0;
};

}  // namespace sb
