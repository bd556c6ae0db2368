// The fuzzer of the language server: every input is a stream of client
// messages, served after an `initialize` so that the requests reach their
// handlers. The server must answer or refuse each, never crash, and end
// with the stream; the sanitizers report the rest. No file exists: every
// text comes from the messages.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "platform/file_system.h"
#include "tools/lsp_server.h"

namespace {

class NoFiles : public sb::FileSystem {
 public:
  bool exists(const std::string&) override { return false; }
  std::string read(const std::string& path) override {
    throw sb::FileError(path, "read", "No such file or directory");
  }
  void write(const std::string& path, const std::string&) override {
    throw sb::FileError(path, "write", "Read-only file system");
  }
  void remove(const std::string& path) override {
    throw sb::FileError(path, "delete", "Read-only file system");
  }
  void create_directories(const std::string&) override {}
};

constexpr char kInitialize[] = R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{}})";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string stream = "Content-Length: " + std::to_string(sizeof kInitialize - 1) + "\r\n\r\n";
  stream += kInitialize;
  stream.append(reinterpret_cast<const char*>(data), size);
  std::istringstream in(stream);
  std::ostringstream out;
  NoFiles files;
  sb::serve_lsp(in, out, files, false);
  return 0;
}
