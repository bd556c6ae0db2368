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
  explicit Win32Platform(HINSTANCE istanza) : istanza_(istanza) {}
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
  static LRESULT CALLBACK procedura(HWND finestra, UINT messaggio, WPARAM w, LPARAM l);
  void dipingi(HWND finestra);

  HINSTANCE istanza_;
  HWND finestra_ = nullptr;
  HFONT carattere_ = nullptr;
  RECT etichetta_{};  // the label's rectangle in client pixels
  bool classe_registrata_ = false;
};

// Conversions between UTF-8 and the wide strings of the Windows API. Invalid
// input is replaced, never rejected.
std::wstring from_utf8(const std::string& testo);
std::string to_utf8(const std::wstring& testo);

}  // namespace sb
