#include "platform/platform_posix.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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

bool PosixPlatform::error_stream_is_terminal() const {
  return ::isatty(STDERR_FILENO) != 0;
}

}  // namespace sb
