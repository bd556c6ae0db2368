#include "platform/platform_win32_console.h"

#include <windows.h>

#include <cstdlib>

#include "platform/platform_win32.h"

namespace sb {

namespace {

UINT console_code_page_before = 0;

void restore_console_code_page() {
  if (console_code_page_before != 0) SetConsoleOutputCP(console_code_page_before);
}

}  // namespace

std::string Win32ConsolePlatform::executable_directory() {
  return windows_executable_directory();
}

std::string Win32ConsolePlatform::join(const std::string& directory, const std::string& name) {
  return windows_join(directory, name);
}

bool Win32ConsolePlatform::error_stream_is_terminal() const {
  return is_console(STD_ERROR_HANDLE);
}

bool is_console(unsigned long which) {
  const HANDLE handle = GetStdHandle(static_cast<DWORD>(which));
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

void use_utf8_console_output() {
  if (!is_console(STD_OUTPUT_HANDLE) && !is_console(STD_ERROR_HANDLE)) return;
  const UINT before = GetConsoleOutputCP();
  if (before == 0 || before == CP_UTF8) return;
  if (!SetConsoleOutputCP(CP_UTF8)) return;
  console_code_page_before = before;
  std::atexit(&restore_console_code_page);
}

}  // namespace sb
