// The platform layer: what the run needs from the operating system besides
// files. One implementation per platform (POSIX here); the rest of the
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

  // The fatal report: " Errore n. " followed by `a`, then the end of the
  // program. Control never comes back.
  [[noreturn]] virtual void errore(const std::string& a) = 0;

  // Any other failure of the run: `message` names the file and the reason.
  // Ends the program with a non-zero exit status.
  [[noreturn]] virtual void report_failure(const std::string& message) = 0;
};

// The text of the fatal report for code `a`.
inline std::string testo_errore(const std::string& a) {
  return " Errore n. " + a;
}

}  // namespace sb
