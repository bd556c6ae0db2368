#include "platform/platform_posix.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/exit_status.h"
#include "platform/file_system.h"

namespace sb {

std::string PosixPlatform::executable_directory() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0)
      throw FileError("/proc/self/exe", "find the program's directory from", std::strerror(errno));
    if (static_cast<std::size_t>(n) < buffer.size()) {
      const std::string path(buffer.data(), static_cast<std::size_t>(n));
      const auto slash = path.rfind('/');
      return slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string PosixPlatform::join(const std::string& directory, const std::string& name) {
  if (!directory.empty() && directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

void PosixPlatform::show_waiting_window() {
  if (::isatty(STDERR_FILENO)) std::fputs("Attendere\n", stderr);
}

void PosixPlatform::show_message(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void PosixPlatform::end_program(int status) {
  std::fflush(stdout);
  std::exit(status);
}

void PosixPlatform::report_failure(const std::string& message) {
  std::fprintf(stderr, "scenario-builder: %s\n", message.c_str());
  std::fflush(stderr);
  std::exit(exit_status::kFileFailure);
}

}  // namespace sb
