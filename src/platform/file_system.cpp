#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace sb {

namespace fs = std::filesystem;

namespace {

// Paths travel through the program as UTF-8. On Windows the narrow C and
// filesystem functions would read them in the ANSI code page, which cannot
// hold every name, so they go through the wide functions; elsewhere the bytes
// are the path.
fs::path native_path(const std::string& path) {
#ifdef _WIN32
  return fs::path(std::u8string(path.begin(), path.end()));
#else
  return fs::path(path);
#endif
}

// Opens for reading, binary.
std::FILE* open_for_reading(const std::string& path) {
#ifdef _WIN32
  return ::_wfopen(native_path(path).c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

int delete_file(const std::string& path) {
#ifdef _WIN32
  return ::_wremove(native_path(path).c_str());
#else
  return std::remove(path.c_str());
#endif
}

// A file created afresh and written at positions. Every failure returns false
// with errno set.
class NewFile {
 public:
  NewFile() = default;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile() { close(); }

  // Creates the file empty. Whatever stands under the name, a file or a link
  // left by a run that was stopped, is deleted first, never written through:
  // a link to another file leaves that file as it is.
  bool create(const std::string& path) {
#ifdef _WIN32
    delete_file(path);
    f_ = ::_wfopen(native_path(path).c_str(), L"wb");
    if (f_ == nullptr) return false;
    // Each piece goes to the file in one write, not through a small buffer.
    std::setvbuf(f_, nullptr, _IONBF, 0);
    return true;
#else
    for (int attempt = 0; attempt < 2; ++attempt) {
      fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return true;
      if (errno != EEXIST || delete_file(path) != 0) return false;
    }
    return false;  // errno: EEXIST, something keeps coming back under the name
#endif
  }

  // Sets aside the room of a file of `size` bytes, without changing its
  // size: the pieces then go to blocks already found, and a full disk shows
  // at once. False only when the room is not there; a file system that
  // cannot set room aside is written all the same.
  bool reserve(std::uint64_t size) {
#ifdef __linux__
    if (size == 0 || size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
      return true;
    if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return true;
    return errno != ENOSPC && errno != EDQUOT;
#else
    (void)size;
    return true;
#endif
  }

  // Writes `piece` at `position`.
  bool write_at(std::uint64_t position, std::string_view piece) {
#ifdef _WIN32
    if (position != here_) {
      if (position > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) {
        errno = EFBIG;
        return false;
      }
      if (::_fseeki64(f_, static_cast<long long>(position), SEEK_SET) != 0) return false;
    }
    if (std::fwrite(piece.data(), 1, piece.size(), f_) != piece.size()) return false;
    here_ = position + piece.size();
#else
    // One positioned write per piece, with no seek between: the pieces of
    // the track plan alternate between its two halves.
    std::uint64_t at = position;
    while (!piece.empty()) {
      if (at > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) - piece.size()) {
        errno = EFBIG;
        return false;
      }
      const ssize_t n = ::pwrite(fd_, piece.data(), piece.size(), static_cast<off_t>(at));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) {  // no progress and no reason: do not loop for ever
        errno = EIO;
        return false;
      }
      piece.remove_prefix(static_cast<std::size_t>(n));
      at += static_cast<std::uint64_t>(n);
    }
#endif
    return true;
  }

  // Closes the file, which hands its bytes to the system. There is no fsync:
  // what the temporary names guard against is the program stopping (a
  // failure, a kill), after which the system still holds every byte written
  // before each rename. Waiting for the disk as well would guard against a
  // power cut too, at a price: the compile of a 1000 km scenario (20 MB)
  // took 13.8 ms without and 26.9 ms with an fsync of each file (medians of
  // 40 runs, ext4 on a virtual disk), twice as long, where `cp` of the same
  // files waits for no disk either.
  bool close() {
#ifdef _WIN32
    if (f_ == nullptr) return true;
    const bool closed = std::fclose(f_) == 0;
    f_ = nullptr;
#else
    if (fd_ < 0) return true;
    // Linux releases the descriptor even when close reports an error: no retry.
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
#endif
    return closed;
  }

 private:
#ifdef _WIN32
  std::FILE* f_ = nullptr;
  std::uint64_t here_ = 0;  // the file position
#else
  int fd_ = -1;
#endif
};

// The scratch names beside a file being replaced: its new bytes until the
// whole set is complete, and a second name of its older file while the set
// is renamed into place. Both end in .tmp, so that someone who finds them
// after a stopped run knows they can go.
std::string temporary_name(const std::string& path) {
  return path + ".tmp";
}
std::string backup_name(const std::string& path) {
  return path + ".old.tmp";
}

// Writes `file` whole under `temporary` and closes it. On failure the
// temporary file is deleted and FileError names the file; what a producer
// throws passes through, with the temporary file deleted as well.
void write_temporary(const FileSystem::PendingFile& file, const std::string& temporary) {
  NewFile f;
  if (!f.create(temporary)) throw FileError(file.path, "write", std::strerror(errno));
  // Without the room, no piece is produced: the failure is reported below.
  bool written = f.reserve(file.size);
  int err = written ? 0 : errno;
  try {
    if (written) {
      file.pieces([&](std::uint64_t position, std::string_view piece) {
        if (!written) return;
        if (!f.write_at(position, piece)) {
          written = false;
          err = errno;
        }
      });
    }
  } catch (...) {
    f.close();
    delete_file(temporary);
    throw;
  }
  const bool closed = f.close();
  if (written && !closed) err = errno;
  if (!written || !closed) {
    delete_file(temporary);
    throw FileError(file.path, "write", std::strerror(err));
  }
}

// What became of the older file under a name before the renames.
enum class Older {
  kAbsent,  // there was none: putting it back deletes the new one
  kKept,    // kept under its backup name
  kLost,    // there, but no second name could be made (no hard links here)
};

Older keep_older(const std::string& path, const std::string& backup) {
  std::error_code ec;
  fs::create_hard_link(native_path(path), native_path(backup), ec);
  if (ec == std::errc::file_exists) {  // left by a run that was stopped
    delete_file(backup);
    ec.clear();
    fs::create_hard_link(native_path(path), native_path(backup), ec);
  }
  if (!ec) return Older::kKept;
  return ec == std::errc::no_such_file_or_directory ? Older::kAbsent : Older::kLost;
}

}  // namespace

FileError::FileError(std::string path, std::string operation, std::string reason)
    : std::runtime_error("cannot " + operation + " " + path + ": " + reason),
      path_(std::move(path)),
      operation_(std::move(operation)),
      reason_(std::move(reason)) {}

bool DiskFileSystem::exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(native_path(path), ec);
}

std::string DiskFileSystem::read(const std::string& path) {
  std::FILE* f = open_for_reading(path);
  if (f == nullptr) throw FileError(path, "read", std::strerror(errno));
  // Read straight into a string of the file's size: a large file is neither
  // copied through a buffer nor moved as the string grows. A file that has
  // grown meanwhile is read to its end all the same.
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(native_path(path), ec);
  std::string bytes(ec ? std::size_t{1} << 16 : static_cast<std::size_t>(size) + 1, '\0');
  std::size_t read_count = 0;
  for (;;) {
    read_count += std::fread(bytes.data() + read_count, 1, bytes.size() - read_count, f);
    if (read_count < bytes.size()) break;
    bytes.resize(2 * bytes.size());
  }
  bytes.resize(read_count);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) throw FileError(path, "read", std::strerror(err));
  return bytes;
}

std::vector<std::string> FileSystem::list_files(const std::string&) {
  return {};
}

std::string join_pieces(const FileSystem::Pieces& pieces) {
  std::string bytes;
  pieces([&](std::uint64_t position, std::string_view piece) {
    if (position > bytes.max_size() || piece.size() > bytes.max_size() - position)
      throw std::length_error("a piece beyond any file held in memory");
    const auto start = static_cast<std::size_t>(position);
    if (bytes.size() < start + piece.size()) bytes.resize(start + piece.size());
    bytes.replace(start, piece.size(), piece);
  });
  return bytes;
}

void FileSystem::write_pieces(const std::string& path, std::uint64_t, const Pieces& pieces) {
  write(path, join_pieces(pieces));
}

void FileSystem::write_set(const std::vector<PendingFile>& set) {
  // Every producer runs before any file is touched.
  std::vector<std::string> bytes;
  bytes.reserve(set.size());
  for (const PendingFile& file : set) bytes.push_back(join_pieces(file.pieces));
  std::vector<std::optional<std::string>> older;
  older.reserve(set.size());
  for (const PendingFile& file : set)
    older.push_back(exists(file.path) ? std::optional<std::string>(read(file.path)) : std::nullopt);
  for (std::size_t i = 0; i < set.size(); ++i) {
    try {
      write(set[i].path, bytes[i]);
    } catch (...) {
      for (std::size_t j = i; j-- > 0;) {
        try {
          if (older[j])
            write(set[j].path, *older[j]);
          else
            remove(set[j].path);
        } catch (const FileError&) {
          // The failure reported is the first one; this file stays new.
        }
      }
      throw;
    }
  }
}

void DiskFileSystem::write(const std::string& path, const std::string& bytes) {
  write_pieces(path, bytes.size(), [&](const auto& write_piece) { write_piece(0, bytes); });
}

void DiskFileSystem::write_pieces(const std::string& path, std::uint64_t size,
                                  const Pieces& pieces) {
  // A set of one: written under the temporary name and renamed into place,
  // so that the final name holds either the old file or the whole new one.
  write_set({PendingFile{path, size, pieces}});
}

void DiskFileSystem::write_set(const std::vector<PendingFile>& set) {
  std::vector<std::string> temporaries;
  temporaries.reserve(set.size());
  for (const PendingFile& file : set) temporaries.push_back(temporary_name(file.path));
  std::vector<Older> older(set.size(), Older::kLost);

  // Every file whole under its temporary name; a failure deletes those
  // already written (write_temporary deletes its own).
  std::size_t complete = 0;
  try {
    for (; complete < set.size(); ++complete) write_temporary(set[complete], temporaries[complete]);
  } catch (...) {
    for (std::size_t i = 0; i < complete; ++i) delete_file(temporaries[i]);
    throw;
  }

  // A second name for each older file that a later rename might have to put
  // back: every one but the last. Where hard links cannot be made, the older
  // file cannot be put back, and a rename that fails after it leaves it new.
  for (std::size_t i = 0; i + 1 < set.size(); ++i)
    older[i] = keep_older(set[i].path, backup_name(set[i].path));

  for (std::size_t i = 0; i < set.size(); ++i) {
    std::error_code ec;
    fs::rename(native_path(temporaries[i]), native_path(set[i].path), ec);
    if (!ec) continue;
    // Back to the older files, the last renamed first. A backup that cannot
    // be renamed back stays, as the one copy of its older file.
    for (std::size_t j = i; j-- > 0;) {
      std::error_code put_back;
      if (older[j] == Older::kKept)
        fs::rename(native_path(backup_name(set[j].path)), native_path(set[j].path), put_back);
      else if (older[j] == Older::kAbsent)
        delete_file(set[j].path);
    }
    for (std::size_t j = i; j < set.size(); ++j) {
      delete_file(temporaries[j]);
      if (older[j] == Older::kKept) delete_file(backup_name(set[j].path));
    }
    throw FileError(set[i].path, "write", ec.message());
  }
  for (std::size_t i = 0; i < set.size(); ++i)
    if (older[i] == Older::kKept) delete_file(backup_name(set[i].path));
}

void DiskFileSystem::remove(const std::string& path) {
  if (delete_file(path) != 0) throw FileError(path, "delete", std::strerror(errno));
}

void DiskFileSystem::create_directories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(native_path(path), ec);
  if (ec) throw FileError(path, "create the directory", ec.message());
}

std::vector<std::string> DiskFileSystem::list_files(const std::string& directory) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(native_path(directory.empty() ? "." : directory), ec), end;
       !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    const std::u8string name = it->path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace sb
