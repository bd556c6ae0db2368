// The program on Windows, built twice from this file:
//
// - scenario-builder.exe, a windowed program: with no arguments, the one-shot
//   run of the built-in scenario with the waiting window and no console; with
//   a subcommand, the authors' tools, writing where their output was sent.
// - scenario-builder.com (SCENARIO_BUILDER_CONSOLE), a console program for
//   the command prompt, which the command search finds before the .exe: it
//   waits, keeps redirections and pipes and gives its exit status; with no
//   arguments it performs the one-shot run as on Linux, with "Attendere" and
//   the reports on standard error.
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
#include "platform/platform_win32_console.h"
#include "run/run_sequence.h"
#include "tools/commands.h"

namespace {

// The command line as UTF-8, whatever the ANSI code page.
std::vector<std::string> command_line_arguments() {
  std::vector<std::string> arguments;
  int argc = 0;
  if (wchar_t** wargv = ::CommandLineToArgvW(::GetCommandLineW(), &argc)) {
    for (int i = 0; i < argc; ++i) arguments.push_back(sb::to_utf8(wargv[i]));
    ::LocalFree(wargv);
  }
  return arguments;
}

int run_tools(const std::vector<std::string>& arguments, sb::FileSystem& files) {
  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  sb::Environment env{files, std::cout, std::cerr};
  const int status = sb::run_tool(static_cast<int>(argv.size()), argv.data(), env);
  std::cout.flush();
  std::cerr.flush();
  return status;
}

#ifndef SCENARIO_BUILDER_CONSOLE

// Whether the standard handle `which` already goes to a file, a pipe or a
// device other than a console (NUL): the parent redirected it.
bool redirected(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  switch (::GetFileType(handle)) {
    case FILE_TYPE_DISK:
    case FILE_TYPE_PIPE:
      return true;
    case FILE_TYPE_CHAR:
      return !sb::is_console(which);
    default:
      return false;
  }
}

// A windowed program has no console of its own. The tools write where the
// parent sent their output: a stream redirected to a file or a pipe is kept
// as it is; a stream that goes nowhere is reopened on the console the
// program was started from, when there is one.
void attach_console() {
  const bool out_redirected = redirected(STD_OUTPUT_HANDLE);
  const bool err_redirected = redirected(STD_ERROR_HANDLE);
  if (out_redirected && err_redirected) return;
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* f = nullptr;
  if (!out_redirected) ::freopen_s(&f, "CONOUT$", "w", stdout);
  if (!err_redirected) ::freopen_s(&f, "CONOUT$", "w", stderr);
  std::ios::sync_with_stdio(true);
  std::cout.clear();
  std::cerr.clear();
  sb::use_utf8_console_output();
}

#endif

}  // namespace

#ifdef SCENARIO_BUILDER_CONSOLE

int main() {
  sb::Win32ConsolePlatform platform;
  sb::DiskFileSystem files;
  sb::use_utf8_console_output();
  try {
    const std::vector<std::string> arguments = command_line_arguments();
    if (arguments.size() <= 1) return sb::run_sequence(platform, files);
    return run_tools(arguments, files);
  } catch (const std::exception& e) {
    platform.report_failure(e.what());
  }
}

#else

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  sb::Win32Platform platform(instance);
  sb::DiskFileSystem files;
  try {
    const std::vector<std::string> arguments = command_line_arguments();
    if (arguments.size() <= 1) return sb::run_sequence(platform, files);
    attach_console();
    return run_tools(arguments, files);
  } catch (const std::exception& e) {
    platform.report_failure(e.what());
  }
}

#endif
