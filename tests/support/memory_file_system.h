// A file system in memory for tests: records every file, and can be told to
// fail an operation. A set is written in two steps per file, like on disk:
// "write P" produces the file's bytes aside, and once every file of the set
// has them, "rename P" puts each in place; a failure at any step, or a
// producer that throws, leaves every file of the set as it was.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace sb::testing {

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  // "read P", "write P", "rename P", "remove P", "exists P", "mkdir P"
  std::vector<std::string> log;
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
  void write_set(const std::vector<PendingFile>& set) override {
    std::vector<std::string> bytes;
    for (const PendingFile& file : set) {
      note("write " + file.path);
      maybe_fail(file.path, "write");
      bytes.push_back(joined(file.pieces));
    }
    for (const PendingFile& file : set) {
      note("rename " + file.path);
      maybe_fail(file.path, "write");
    }
    for (std::size_t i = 0; i < set.size(); ++i) files[set[i].path] = std::move(bytes[i]);
  }
  void remove(const std::string& path) override {
    note("remove " + path);
    maybe_fail(path, "delete");
    if (files.erase(path) == 0) throw FileError(path, "delete", "No such file or directory");
  }
  void create_directories(const std::string& path) override { note("mkdir " + path); }
  std::vector<std::string> list_files(const std::string& directory) override {
    std::vector<std::string> names;
    const std::string prefix = directory == "." ? std::string() : directory + "/";
    for (const auto& [path, bytes] : files) {
      if (path.compare(0, prefix.size(), prefix) == 0 &&
          path.find('/', prefix.size()) == std::string::npos)
        names.push_back(path.substr(prefix.size()));
    }
    return names;
  }

 private:
  int count_ = 0;
  void note(const std::string& entry) {
    log.push_back(entry);
    ++count_;
  }
  static std::string joined(const Pieces& pieces) { return join_pieces(pieces); }
  void maybe_fail(const std::string& path, const char* operation) {
    if (fail_at != 0 && (count_ == fail_at || (fail_from_then_on && count_ > fail_at)))
      throw FileError(path, operation, "Input/output error");
  }
};

}  // namespace sb::testing
