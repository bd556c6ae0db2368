// scenario-builder.exe: with no arguments, the one-shot run of the built-in
// scenario as a Windows program with a window and no console; with a
// subcommand, the authors' tools, writing to the console they were started
// from.
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform_win32.h"
#include "run/run_sequence.h"
#include "tools/commands.h"

namespace {

std::string utf8(const wchar_t* text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string s(static_cast<std::size_t>(n - 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, s.data(), n, nullptr, nullptr);
  return s;
}

// A windowed program has no console of its own: the tools write to the one
// they were started from, when there is one.
void attach_console() {
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* f = nullptr;
  ::freopen_s(&f, "CONOUT$", "w", stdout);
  ::freopen_s(&f, "CONOUT$", "w", stderr);
  std::ios::sync_with_stdio(true);
  std::cout.clear();
  std::cerr.clear();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  sb::Win32Platform platform(instance);
  sb::DiskFileSystem files;
  try {
    int argc = 0;
    wchar_t** wargv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (wargv == nullptr || argc <= 1) {
      if (wargv != nullptr) ::LocalFree(wargv);
      return sb::run_sequence(platform, files);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(utf8(wargv[i]));
    ::LocalFree(wargv);
    std::vector<const char*> argv;
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    attach_console();
    sb::Environment env{files, std::cout, std::cerr};
    const int status = sb::run_tool(argc, argv.data(), env);
    std::cout.flush();
    std::cerr.flush();
    return status;
  } catch (const std::exception& e) {
    platform.report_failure(e.what());
  }
}
