// The platform layer on Linux and other POSIX systems: a command-line
// program. The waiting window becomes one line on standard error when that is
// a terminal; messages and reports go to standard error.
#pragma once

#include "platform/console_platform.h"

namespace sb {

class PosixPlatform : public ConsolePlatform {
 public:
  std::string executable_directory() override;
  std::string join(const std::string& directory, const std::string& name) override;

 protected:
  bool error_stream_is_terminal() const override;
};

}  // namespace sb
