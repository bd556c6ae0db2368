// The platform layer of the console program on Windows (scenario-builder.com):
// the one-shot run as on Linux, with "Attendere" and the reports on standard
// error and no window, and the executable's directory through the wide API
// as in the windowed program.
#pragma once

#include "platform/console_platform.h"

namespace sb {

class Win32ConsolePlatform : public ConsolePlatform {
 public:
  std::string executable_directory() override;
  std::string join(const std::string& directory, const std::string& name) override;

 protected:
  bool error_stream_is_terminal() const override;
};

// Whether the standard handle `which` (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE)
// is a console. The C library's _isatty() also says yes for the NUL device,
// so the console itself is asked.
bool is_console(unsigned long which);

// The console's output code page becomes UTF-8, the encoding of every text
// the program writes, while the program runs; the console's own is restored
// when it ends. Does nothing when neither output stream is a console.
void use_utf8_console_output();

}  // namespace sb
