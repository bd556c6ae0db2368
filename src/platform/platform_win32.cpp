#include "platform/platform_win32.h"

#include <climits>
#include <cstdlib>
#include <stdexcept>

#include "platform/exit_status.h"
#include "platform/file_system.h"

namespace sb {

namespace {

constexpr wchar_t kClassName[] = L"Form1";
constexpr wchar_t kLabelText[] = L"Attendere";

// Form1 and Label1 in twips (1/1440 inch); the font in points.
constexpr int kClientWidth = 4200;
constexpr int kClientHeight = 2688;
constexpr int kLabelLeft = 960;
constexpr int kLabelTop = 960;
constexpr int kLabelWidth = 2652;
constexpr int kLabelHeight = 792;
constexpr int kFontPoints = 24;
constexpr wchar_t kFontName[] = L"MS Sans Serif";

constexpr int kTwipsPerInch = 1440;
constexpr int kPointsPerInch = 72;

// A caption but no system menu: the window has nothing that reacts to the user.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION;

int pixels(int twip, int dpi) {
  return MulDiv(twip, dpi, kTwipsPerInch);
}

// The system's text for the last error of the calling thread.
std::string last_error_text() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n != 0 ? std::wstring(text, n) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  if (message.empty()) return "system error " + std::to_string(code);
  return to_utf8(message);
}

RECT on_screen(HWND window, RECT r) {
  if (window == nullptr) return RECT{};
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

std::wstring from_utf8(const std::string& text) {
  if (text.empty()) return {};
  if (text.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
  const int length = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (n <= 0) return {};
  std::wstring result(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), n);
  return result;
}

std::string to_utf8(const std::wstring& text) {
  if (text.empty()) return {};
  if (text.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string result(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), n, nullptr, nullptr);
  return result;
}

Win32Platform::~Win32Platform() {
  close_waiting_window();
}

std::string windows_executable_directory() {
  // The wide API, so that a directory whose name lies outside the ANSI code
  // page is found as it is; a path longer than the buffer comes back cut
  // short, so the buffer grows until the whole path fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) throw FileError("the program", "find the directory of", last_error_text());
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 0x10000) {
      throw FileError("the program", "find the directory of", "the path is too long");
    }
    path.resize(path.size() * 2);
  }
  const auto separator = path.find_last_of(L"\\/");
  std::wstring directory = separator == std::wstring::npos ? L"." : path.substr(0, separator);
  // A drive root is reported with its backslash, as the system shows it ("C:\").
  if (directory.size() == 2 && directory[1] == L':') directory += L'\\';
  return to_utf8(directory);
}

std::string windows_join(const std::string& directory, const std::string& name) {
  // Always a backslash, even after a drive root that already ends in one:
  // Windows reads the doubled separator as a single one.
  return directory + "\\" + name;
}

std::string Win32Platform::executable_directory() {
  return windows_executable_directory();
}

std::string Win32Platform::join(const std::string& directory, const std::string& name) {
  return windows_join(directory, name);
}

void Win32Platform::show_waiting_window() {
  if (window_ != nullptr) return;

  if (!class_registered_) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = &Win32Platform::window_procedure;
    window_class.hInstance = instance_;
    window_class.hCursor = LoadCursorW(nullptr, IDC_WAIT);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    window_class.lpszClassName = kClassName;
    if (RegisterClassExW(&window_class) == 0)
      throw std::runtime_error("cannot open the window: " + last_error_text());
    class_registered_ = true;
  }

  // Twips to pixels at the display's resolution.
  HDC screen = GetDC(nullptr);
  const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  label_.left = pixels(kLabelLeft, dpi_x);
  label_.top = pixels(kLabelTop, dpi_y);
  label_.right = label_.left + pixels(kLabelWidth, dpi_x);
  label_.bottom = label_.top + pixels(kLabelHeight, dpi_y);

  font_ = CreateFontW(-MulDiv(kFontPoints, dpi_y, kPointsPerInch), 0, 0, 0, FW_BOLD, FALSE, FALSE,
                      FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, kFontName);

  RECT window{0, 0, pixels(kClientWidth, dpi_x), pixels(kClientHeight, dpi_y)};
  AdjustWindowRectEx(&window, kWindowStyle, FALSE, 0);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  window_ = CreateWindowExW(0, kClassName, kTitle, kWindowStyle, x, y, width, height, nullptr,
                            nullptr, instance_, this);
  if (window_ == nullptr) throw std::runtime_error("cannot open the window: " + last_error_text());

  // Shown modeless and painted at once: the run never returns to a message
  // loop, so this is the only paint the window gets.
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  GdiFlush();
}

void Win32Platform::close_waiting_window() {
  if (window_ != nullptr) {
    DestroyWindow(window_);
    window_ = nullptr;
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
    font_ = nullptr;
  }
  if (class_registered_) {
    UnregisterClassW(kClassName, instance_);
    class_registered_ = false;
  }
}

LRESULT CALLBACK Win32Platform::window_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(l);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* platform = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT:
      if (platform != nullptr) {
        platform->paint(window);
        return 0;
      }
      break;
    case WM_CLOSE:
      return 0;  // the window cannot be closed by the user; the run closes it
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

void Win32Platform::paint(HWND window) {
  // Label1: the text in the label's font and the system's text colour, on
  // the window's own background, clipped to the label's rectangle.
  PAINTSTRUCT paint_info;
  HDC dc = BeginPaint(window, &paint_info);
  HGDIOBJ before = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT r = label_;
  DrawTextW(dc, kLabelText, -1, &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, before);
  EndPaint(window, &paint_info);
}

RECT Win32Platform::client_on_screen() const {
  RECT r{};
  if (window_ != nullptr) GetClientRect(window_, &r);
  return on_screen(window_, r);
}

RECT Win32Platform::label_on_screen() const {
  return on_screen(window_, label_);
}

void Win32Platform::show_message(const std::string& text) {
  // Text only, one OK button, no icon.
  MessageBoxW(window_, from_utf8(text).c_str(), kTitle, MB_OK);
}

void Win32Platform::report_failure(const std::string& message) {
  MessageBoxW(window_, from_utf8(message).c_str(), kTitle, MB_OK | MB_ICONERROR);
  close_waiting_window();
  std::exit(exit_status::kFileFailure);
}

void Win32Platform::end_program(int status) {
  close_waiting_window();
  std::exit(status);
}

}  // namespace sb
