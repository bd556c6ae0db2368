// The two sources held in memory for reader tests; records deletions.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compiler/source_reader.h"

namespace sb::testing {

class MemorySources : public SourceFiles {
 public:
  std::optional<std::string> line;
  std::optional<std::string> train;
  std::vector<Source> removed;

  MemorySources() = default;
  MemorySources(std::string l, std::string t) : line(std::move(l)), train(std::move(t)) {}

  bool exists(Source s) override { return ref(s).has_value(); }
  std::optional<std::string_view> load(Source s) override {
    if (!ref(s)) return std::nullopt;
    return std::string_view(*ref(s));
  }
  void remove(Source s) override {
    ref(s).reset();
    removed.push_back(s);
  }

 private:
  std::optional<std::string>& ref(Source s) { return s == Source::kLine ? line : train; }
};

}  // namespace sb::testing
