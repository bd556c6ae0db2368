// The file layer: the only code that touches the file system. Everything else
// builds bytes in memory and hands them over here, so that every rule can be
// tested without files and tests can replace this layer with one that fails
// on demand.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sb {

// A file operation that failed: which file, and the operating system's reason.
class FileError : public std::runtime_error {
 public:
  FileError(std::string path, std::string operation, std::string reason);
  const std::string& path() const { return path_; }
  const std::string& operation() const { return operation_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string operation_;
  std::string reason_;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when a regular file stands at exactly this path.
  virtual bool exists(const std::string& path) = 0;
  // The whole content of the file. Throws FileError.
  virtual std::string read(const std::string& path) = 0;
  // Replaces the file with exactly these bytes; an older file of the same
  // name never survives, and a failure never leaves a file cut short under
  // its final name. Throws FileError.
  virtual void write(const std::string& path, const std::string& bytes) = 0;
  // The bytes of a file produced piece by piece: the function hands each
  // piece to the function it is given, with the position in the file where
  // the piece begins. Together the pieces cover the file once, in any order.
  using Pieces = std::function<void(
      const std::function<void(std::uint64_t position, std::string_view piece)>& write_piece)>;
  // Like write, for a file whose bytes `pieces` produces piece by piece, so that
  // a large file need not be held in memory whole. `size` is the size
  // the file will have, when known (0 otherwise): room for it may be set aside
  // before the first piece, which never makes the file longer than its
  // pieces. This default joins the pieces and calls write.
  virtual void write_pieces(const std::string& path, std::uint64_t size, const Pieces& pieces);
  // Deletes the file. Throws FileError.
  virtual void remove(const std::string& path) = 0;
  // Creates a directory and its parents when they do not exist. Throws FileError.
  virtual void create_directories(const std::string& path) = 0;
};

// The real file system, through the C++ standard library and POSIX/Win32
// rename semantics.
class DiskFileSystem : public FileSystem {
 public:
  bool exists(const std::string& path) override;
  std::string read(const std::string& path) override;
  void write(const std::string& path, const std::string& bytes) override;
  void write_pieces(const std::string& path, std::uint64_t size, const Pieces& pieces) override;
  void remove(const std::string& path) override;
  void create_directories(const std::string& path) override;
};

}  // namespace sb
