// The platform layer on Windows: the waiting window `Form1` with its label
// `Label1`, the two reports as message boxes, and the executable's directory
// through the wide API. Text crosses this interface as UTF-8, so that the
// rest of the program handles any directory name the same way on every
// platform.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace sb {

// The title of the waiting window and of the message boxes.
inline constexpr wchar_t kTitle[] = L"scenario-builder";

class Win32Platform : public Platform {
 public:
  explicit Win32Platform(HINSTANCE instance) : instance_(instance) {}
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  std::string executable_directory() override;
  std::string join(const std::string& directory, const std::string& name) override;
  void show_waiting_window() override;
  void close_waiting_window() override;
  void show_message(const std::string& text) override;
  [[noreturn]] void end_program(int status) override;
  [[noreturn]] void report_failure(const std::string& message) override;

  // Where the window's client area and the label stand on the screen, in
  // pixels; empty rectangles while the window is not shown. For the preview
  // program, which checks what the window draws.
  RECT client_on_screen() const;
  RECT label_on_screen() const;

 private:
  static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  void paint(HWND window);

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  RECT label_{};  // the label's rectangle in client pixels
  bool class_registered_ = false;
};

// The directory that holds the running executable, through the wide API, and
// a name joined to a directory with a backslash: the same for the windowed
// program and the console program.
std::string windows_executable_directory();
std::string windows_join(const std::string& directory, const std::string& name);

// Conversions between UTF-8 and the wide strings of the Windows API. Invalid
// input is replaced, never rejected.
std::wstring from_utf8(const std::string& text);
std::string to_utf8(const std::wstring& text);

}  // namespace sb
