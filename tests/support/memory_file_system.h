// A file system in memory for tests: records every file, and can be told to
// fail an operation.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace sb::testing {

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> log;  // "read P", "write P", "remove P", "exists P"
  // The operation with this 1-based number fails (0: none), and with
  // fail_from_then_on every later one too.
  int fail_at = 0;
  bool fail_from_then_on = false;

  bool exists(const std::string& path) override {
    note("exists " + path);
    return files.count(path) != 0;
  }
  std::string read(const std::string& path) override {
    note("read " + path);
    maybe_fail(path, "read");
    auto it = files.find(path);
    if (it == files.end()) throw FileError(path, "read", "No such file or directory");
    return it->second;
  }
  void write(const std::string& path, const std::string& bytes) override {
    note("write " + path);
    maybe_fail(path, "write");
    files[path] = bytes;
  }
  void remove(const std::string& path) override {
    note("remove " + path);
    maybe_fail(path, "delete");
    if (files.erase(path) == 0) throw FileError(path, "delete", "No such file or directory");
  }
  void create_directories(const std::string& path) override { note("mkdir " + path); }

 private:
  int count_ = 0;
  void note(const std::string& entry) {
    log.push_back(entry);
    ++count_;
  }
  void maybe_fail(const std::string& path, const char* operation) {
    if (fail_at != 0 && (count_ == fail_at || (fail_from_then_on && count_ > fail_at)))
      throw FileError(path, operation, "Input/output error");
  }
};

}  // namespace sb::testing
