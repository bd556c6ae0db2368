// waiting-window-preview.exe: shows the run's waiting window for a number of
// seconds through the same platform code, so that a test can take a picture
// of it. It is built for the tests and never shipped.
//
//   waiting-window-preview SECONDS GEOMETRY_FILE [errore CODE]
//
// GEOMETRY_FILE receives, once the window is painted, the lines
// "client LEFT TOP RIGHT BOTTOM" and "label LEFT TOP RIGHT BOTTOM" in screen
// pixels. Like the run, the program then waits without handling any window
// event. With "errore CODE" it calls errore after the wait, which shows its
// message box and ends the program with the fatal status; otherwise the
// program closes the window and ends with status 0.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform_win32.h"
#include "run/errore.h"

namespace {

std::string line(const char* name, const RECT& r) {
  return std::string(name) + " " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.right) + " " + std::to_string(r.bottom) + "\r\n";
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::vector<std::string> arguments;
  int n = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &n)) {
    for (int i = 0; i < n; ++i) arguments.push_back(sb::to_utf8(argv[i]));
    LocalFree(argv);
  }
  const bool with_errore = arguments.size() == 5 && arguments[3] == "errore";
  if (arguments.size() != 3 && !with_errore) {
    MessageBoxW(nullptr, L"usage: waiting-window-preview SECONDS GEOMETRY_FILE [errore CODE]",
                sb::kTitle, MB_OK);
    return 2;
  }
  sb::Win32Platform platform(instance);
  sb::DiskFileSystem files;
  try {
    const DWORD seconds = static_cast<DWORD>(std::min(std::stoul(arguments[1]), 3600UL));
    platform.show_waiting_window();
    files.write(arguments[2], line("client", platform.client_on_screen()) +
                                  line("label", platform.label_on_screen()));
    Sleep(seconds * 1000);
    if (with_errore) sb::errore(platform, arguments[4]);
  } catch (const std::exception& e) {
    platform.report_failure(e.what());
  }
  platform.close_waiting_window();
  return 0;
}
