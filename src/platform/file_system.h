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
#include <vector>

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
  // One file of a set: where it goes, its size when known (0 otherwise) and
  // its bytes, as for write_pieces.
  struct PendingFile {
    std::string path;
    std::uint64_t size = 0;
    Pieces pieces;
  };
  // Replaces the files of `set` (distinct paths) as one set: no file is
  // replaced before every file of the set is complete, and a failure leaves
  // every file as it was. Throws FileError naming the file that failed, or
  // passes on what a producer threw. This default holds every
  // file's bytes in memory, then writes the files in order with write; when
  // one of them fails, the files already written get their older bytes back
  // (or are deleted when they were not there), as far as this file system
  // lets them.
  virtual void write_set(const std::vector<PendingFile>& set);
  // Deletes the file. Throws FileError.
  virtual void remove(const std::string& path) = 0;
  // Creates a directory and its parents when they do not exist. Throws FileError.
  virtual void create_directories(const std::string& path) = 0;
  // The names (without the directory) of the regular files in a directory,
  // sorted; empty when it cannot be read. This default knows of no file.
  virtual std::vector<std::string> list_files(const std::string& directory);
};

// The bytes of a file produced piece by piece (FileSystem::Pieces), joined in
// memory. A piece beyond what a string can hold throws std::length_error.
std::string join_pieces(const FileSystem::Pieces& pieces);

// The real file system, through the C++ standard library and POSIX/Win32
// rename semantics.
class DiskFileSystem : public FileSystem {
 public:
  bool exists(const std::string& path) override;
  std::string read(const std::string& path) override;
  void write(const std::string& path, const std::string& bytes) override;
  void write_pieces(const std::string& path, std::uint64_t size, const Pieces& pieces) override;
  // Each file goes to PATH.tmp beside it and is written whole and closed;
  // then the temporary files are renamed into place, in order. Before the
  // renames, every older file but the last is given a second name, a hard
  // link (PATH.old.tmp, no byte copied), so that when a rename fails the
  // files already renamed get their older file back (where the file system
  // has no hard links, they stay new). A program stopped at any moment
  // leaves each file whole, old or new, and the set mixed only when stopped
  // between two renames; what it leaves under the scratch names is replaced
  // by the next write of the same files.
  void write_set(const std::vector<PendingFile>& set) override;
  void remove(const std::string& path) override;
  void create_directories(const std::string& path) override;
  std::vector<std::string> list_files(const std::string& directory) override;
};

}  // namespace sb
