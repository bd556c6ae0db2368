// The platform layer: what the run needs from the operating system besides
// files. One implementation per platform (POSIX and Win32); the rest of the
// program sees only this interface.
#pragma once

#include <string>

namespace sb {

class Platform {
 public:
  virtual ~Platform() = default;

  // The directory that holds the running executable, as the system reports it
  // (never the current directory).
  virtual std::string executable_directory() = 0;
  // The full path of `name` in `directory`.
  virtual std::string join(const std::string& directory, const std::string& name) = 0;

  // The waiting window with the label "Attendere": shown once and painted
  // before any work starts, closed at the end of the run without events.
  virtual void show_waiting_window() = 0;
  virtual void close_waiting_window() = 0;

  // A modal message with a single OK button and no icon; returns when it is
  // closed.
  virtual void show_message(const std::string& text) = 0;

  // Ends the program at once with `status`: the window is closed without
  // further events.
  [[noreturn]] virtual void end_program(int status) = 0;

  // Any failure of the run that no step handles: `message` names the file and
  // the reason. The platform's own report, then the end of the program with
  // exit_status::kFileFailure.
  [[noreturn]] virtual void report_failure(const std::string& message) = 0;
};

}  // namespace sb
