// The two sources of the one-shot run, on disk next to the executable: read
// back once written, and deleted once read.
#pragma once

#include <string>

#include "compiler/source_reader.h"
#include "run/file_system.h"

namespace sb {

class DiskSources : public SourceFiles {
 public:
  DiskSources(FileSystem& files, std::string percorso_linea, std::string percorso_treno)
      : files_(files), linea_(std::move(percorso_linea)), treno_(std::move(percorso_treno)) {}

  bool esiste(Sorgente s) override { return files_.exists(path(s)); }
  std::optional<std::string> carica(Sorgente s) override {
    if (!files_.exists(path(s))) return std::nullopt;
    return files_.read(path(s));
  }
  void elimina(Sorgente s) override { files_.remove(path(s)); }

  const std::string& path(Sorgente s) const { return s == Sorgente::kLinea ? linea_ : treno_; }

 private:
  FileSystem& files_;
  std::string linea_;
  std::string treno_;
};

}  // namespace sb
