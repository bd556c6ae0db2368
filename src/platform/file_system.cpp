#include "platform/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#ifndef _WIN32
#include <sys/types.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <fcntl.h>
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

// Opens for reading or, with `for_writing`, creates for writing; binary both ways.
std::FILE* open_file(const std::string& path, bool for_writing) {
#ifdef _WIN32
  return ::_wfopen(native_path(path).c_str(), for_writing ? L"wb" : L"rb");
#else
  return std::fopen(path.c_str(), for_writing ? "wb" : "rb");
#endif
}

// Writes `piece` at `position` of f, which is unbuffered; `*here` is the file
// position after the previous piece. On failure returns false with errno set.
bool write_at(std::FILE* f, std::uint64_t position, std::string_view piece, std::uint64_t* here) {
  const std::uint64_t after = position + piece.size();
#ifdef _WIN32
  if (position != *here) {
    if (position > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) {
      errno = EFBIG;
      return false;
    }
    if (::_fseeki64(f, static_cast<long long>(position), SEEK_SET) != 0) return false;
  }
  if (std::fwrite(piece.data(), 1, piece.size(), f) != piece.size()) return false;
#else
  // One positioned write per piece, with no seek between: the pieces of the
  // track plan alternate between its two halves.
  const int fd = ::fileno(f);
  std::uint64_t at = position;
  while (!piece.empty()) {
    if (at > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
      errno = EFBIG;
      return false;
    }
    const ssize_t n = ::pwrite(fd, piece.data(), piece.size(), static_cast<off_t>(at));
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
  *here = after;
  return true;
}

// Sets aside the room of a file of `size` bytes, without changing its
// size: the pieces then go to blocks already found, and a full disk shows at
// once. False, with errno set, only when the room is not there; a file system
// that cannot set room aside is written all the same.
bool reserve_room(std::FILE* f, std::uint64_t size) {
#ifdef __linux__
  if (size == 0 || size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
    return true;
  if (::fallocate(::fileno(f), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return true;
  return errno != ENOSPC && errno != EDQUOT;
#else
  (void)f;
  (void)size;
  return true;
#endif
}

int delete_file(const std::string& path) {
#ifdef _WIN32
  return ::_wremove(native_path(path).c_str());
#else
  return std::remove(path.c_str());
#endif
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
  std::FILE* f = open_file(path, false);
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

void FileSystem::write_pieces(const std::string& path, std::uint64_t, const Pieces& pieces) {
  std::string bytes;
  pieces([&](std::uint64_t position, std::string_view piece) {
    const auto start = static_cast<std::size_t>(position);
    if (bytes.size() < start + piece.size()) bytes.resize(start + piece.size());
    bytes.replace(start, piece.size(), piece);
  });
  write(path, bytes);
}

void DiskFileSystem::write(const std::string& path, const std::string& bytes) {
  write_pieces(path, bytes.size(), [&](const auto& write_piece) { write_piece(0, bytes); });
}

void DiskFileSystem::write_pieces(const std::string& path, std::uint64_t size,
                                  const Pieces& pieces) {
  // Written under a temporary name in the same directory and renamed into
  // place, so that the final name holds either the old file or the whole new one.
  const std::string temporary = path + ".tmp";
  std::FILE* f = open_file(temporary, true);
  if (f == nullptr) throw FileError(path, "write", std::strerror(errno));
  // Each piece goes to the file in one write, not through a small buffer.
  std::setvbuf(f, nullptr, _IONBF, 0);
  // Without the room, no piece is produced: the failure is reported below.
  bool written = reserve_room(f, size);
  int err = written ? 0 : errno;
  std::uint64_t here = 0;  // the file position
  try {
    if (written) {
      pieces([&](std::uint64_t position, std::string_view piece) {
        if (!written) return;
        if (!write_at(f, position, piece, &here)) {
          written = false;
          err = errno;
        }
      });
    }
  } catch (...) {
    std::fclose(f);
    delete_file(temporary);
    throw;
  }
  const bool closed = std::fclose(f) == 0;
  if (written && !closed) err = errno;
  if (!written || !closed) {
    delete_file(temporary);
    throw FileError(path, "write", std::strerror(err));
  }
  std::error_code ec;
  fs::rename(native_path(temporary), native_path(path), ec);
  if (ec) {
    delete_file(temporary);
    throw FileError(path, "write", ec.message());
  }
}

void DiskFileSystem::remove(const std::string& path) {
  if (delete_file(path) != 0) throw FileError(path, "delete", std::strerror(errno));
}

void DiskFileSystem::create_directories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(native_path(path), ec);
  if (ec) throw FileError(path, "create the directory", ec.message());
}

}  // namespace sb
