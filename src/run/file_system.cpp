#include "run/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

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
  std::string bytes;
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) throw FileError(path, "read", std::strerror(err));
  return bytes;
}

void DiskFileSystem::write(const std::string& path, const std::string& bytes) {
  // Written under a temporary name in the same directory and renamed into
  // place, so that the final name holds either the old file or the whole new one.
  const std::string temporary = path + ".tmp";
  std::FILE* f = apri(temporary, true);
  if (f == nullptr) throw FileError(path, "write", std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  int err = errno;
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
