#include "run/file_system.h"

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
fs::path percorso_nativo(const std::string& path) {
#ifdef _WIN32
  return fs::path(std::u8string(path.begin(), path.end()));
#else
  return fs::path(path);
#endif
}

// Opens for reading or, with `scrittura`, creates for writing; binary both ways.
std::FILE* apri(const std::string& path, bool scrittura) {
#ifdef _WIN32
  return ::_wfopen(percorso_nativo(path).c_str(), scrittura ? L"wb" : L"rb");
#else
  return std::fopen(path.c_str(), scrittura ? "wb" : "rb");
#endif
}

// Writes `pezzo` at `posizione` of f, which is unbuffered; `*qui` is the file
// position after the previous piece. On failure returns false with errno set.
bool scrivi_a(std::FILE* f, std::uint64_t posizione, std::string_view pezzo, std::uint64_t* qui) {
  const std::uint64_t dopo = posizione + pezzo.size();
#ifdef _WIN32
  if (posizione != *qui) {
    if (posizione > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) {
      errno = EFBIG;
      return false;
    }
    if (::_fseeki64(f, static_cast<long long>(posizione), SEEK_SET) != 0) return false;
  }
  if (std::fwrite(pezzo.data(), 1, pezzo.size(), f) != pezzo.size()) return false;
#else
  // One positioned write per piece, with no seek between: the pieces of the
  // track plan alternate between its two halves.
  const int fd = ::fileno(f);
  std::uint64_t dove = posizione;
  while (!pezzo.empty()) {
    if (dove > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
      errno = EFBIG;
      return false;
    }
    const ssize_t n = ::pwrite(fd, pezzo.data(), pezzo.size(), static_cast<off_t>(dove));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {  // no progress and no reason: do not loop for ever
      errno = EIO;
      return false;
    }
    pezzo.remove_prefix(static_cast<std::size_t>(n));
    dove += static_cast<std::uint64_t>(n);
  }
#endif
  *qui = dopo;
  return true;
}

// Sets aside the room of a file of `dimensione` bytes, without changing its
// size: the pieces then go to blocks already found, and a full disk shows at
// once. False, with errno set, only when the room is not there; a file system
// that cannot set room aside is written all the same.
bool riserva(std::FILE* f, std::uint64_t dimensione) {
#ifdef __linux__
  if (dimensione == 0 || dimensione > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
    return true;
  if (::fallocate(::fileno(f), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(dimensione)) == 0)
    return true;
  return errno != ENOSPC && errno != EDQUOT;
#else
  (void)f;
  (void)dimensione;
  return true;
#endif
}

int cancella(const std::string& path) {
#ifdef _WIN32
  return ::_wremove(percorso_nativo(path).c_str());
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
  return fs::is_regular_file(percorso_nativo(path), ec);
}

std::string DiskFileSystem::read(const std::string& path) {
  std::FILE* f = apri(path, false);
  if (f == nullptr) throw FileError(path, "read", std::strerror(errno));
  // Read straight into a string of the file's size: a large file is neither
  // copied through a buffer nor moved as the string grows. A file that has
  // grown meanwhile is read to its end all the same.
  std::error_code ec;
  const std::uintmax_t dimensione = fs::file_size(percorso_nativo(path), ec);
  std::string bytes(ec ? std::size_t{1} << 16 : static_cast<std::size_t>(dimensione) + 1, '\0');
  std::size_t letti = 0;
  for (;;) {
    letti += std::fread(bytes.data() + letti, 1, bytes.size() - letti, f);
    if (letti < bytes.size()) break;
    bytes.resize(2 * bytes.size());
  }
  bytes.resize(letti);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) throw FileError(path, "read", std::strerror(err));
  return bytes;
}

void FileSystem::write_pieces(const std::string& path, std::uint64_t, const Pezzi& pezzi) {
  std::string bytes;
  pezzi([&](std::uint64_t posizione, std::string_view pezzo) {
    const auto inizio = static_cast<std::size_t>(posizione);
    if (bytes.size() < inizio + pezzo.size()) bytes.resize(inizio + pezzo.size());
    bytes.replace(inizio, pezzo.size(), pezzo);
  });
  write(path, bytes);
}

void DiskFileSystem::write(const std::string& path, const std::string& bytes) {
  write_pieces(path, bytes.size(), [&](const auto& scrivi) { scrivi(0, bytes); });
}

void DiskFileSystem::write_pieces(const std::string& path, std::uint64_t dimensione,
                                  const Pezzi& pezzi) {
  // Written under a temporary name in the same directory and renamed into
  // place, so that the final name holds either the old file or the whole new one.
  const std::string temporary = path + ".tmp";
  std::FILE* f = apri(temporary, true);
  if (f == nullptr) throw FileError(path, "write", std::strerror(errno));
  // Each piece goes to the file in one write, not through a small buffer.
  std::setvbuf(f, nullptr, _IONBF, 0);
  // Without the room, no piece is produced: the failure is reported below.
  bool written = riserva(f, dimensione);
  int err = written ? 0 : errno;
  std::uint64_t qui = 0;  // the file position
  try {
    if (written) {
      pezzi([&](std::uint64_t posizione, std::string_view pezzo) {
        if (!written) return;
        if (!scrivi_a(f, posizione, pezzo, &qui)) {
          written = false;
          err = errno;
        }
      });
    }
  } catch (...) {
    std::fclose(f);
    cancella(temporary);
    throw;
  }
  const bool closed = std::fclose(f) == 0;
  if (written && !closed) err = errno;
  if (!written || !closed) {
    cancella(temporary);
    throw FileError(path, "write", std::strerror(err));
  }
  std::error_code ec;
  fs::rename(percorso_nativo(temporary), percorso_nativo(path), ec);
  if (ec) {
    cancella(temporary);
    throw FileError(path, "write", ec.message());
  }
}

void DiskFileSystem::remove(const std::string& path) {
  if (cancella(path) != 0) throw FileError(path, "delete", std::strerror(errno));
}

void DiskFileSystem::create_directories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(percorso_nativo(path), ec);
  if (ec) throw FileError(path, "create the directory", ec.message());
}

}  // namespace sb
