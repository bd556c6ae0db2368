// The two sources of the one-shot run, on disk next to the executable: read
// back once written, and deleted once read.
#pragma once

#include <optional>
#include <string>

#include "compiler/source_reader.h"
#include "platform/file_system.h"

namespace sb {

class DiskSources : public SourceFiles {
 public:
  DiskSources(FileSystem& files, std::string line_path, std::string train_path)
      : files_(files), paths_{std::move(line_path), std::move(train_path)} {}

  bool exists(Source s) override { return files_.exists(path(s)); }
  // The text is held here, where the reader reads it, until the source is
  // removed.
  std::optional<std::string_view> load(Source s) override {
    if (!files_.exists(path(s))) return std::nullopt;
    text(s) = files_.read(path(s));
    return std::string_view(text(s));
  }
  void remove(Source s) override {
    files_.remove(path(s));
    text(s).clear();
  }

  const std::string& path(Source s) const { return paths_[index(s)]; }

 private:
  static std::size_t index(Source s) { return s == Source::kLine ? 0 : 1; }
  std::string& text(Source s) { return texts_[index(s)]; }

  FileSystem& files_;
  std::string paths_[2];
  std::string texts_[2];
};

}  // namespace sb
