#include "sources/file_names.h"

#include <algorithm>

#include "sources/ascii.h"

namespace sb {

namespace {

constexpr std::string_view kLineSourceSuffix = "_linea.txt";
constexpr std::string_view kTrainSourceSuffix = "-.txt";

bool ends_with(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

bool ends_with_any_case(std::string_view s, std::string_view end) {
  if (s.size() < end.size()) return false;
  const std::string_view tail = s.substr(s.size() - end.size());
  return std::equal(tail.begin(), tail.end(), end.begin(),
                    [](char a, char b) { return ascii_lower(a) == ascii_lower(b); });
}

// The last component of a path, after the last "/" or "\".
std::string_view file_name_of(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<std::string> scenario_from_line_source(std::string_view path) {
  const std::string_view name = file_name_of(path);
  if (!ends_with(name, kLineSourceSuffix) || name.size() == kLineSourceSuffix.size())
    return std::nullopt;
  return std::string(name.substr(0, name.size() - kLineSourceSuffix.size()));
}

std::optional<std::string> train_from_train_source(std::string_view path) {
  const std::string_view name = file_name_of(path);
  if (!ends_with(name, kTrainSourceSuffix)) return std::nullopt;
  const std::string_view stem = name.substr(0, name.size() - kTrainSourceSuffix.size());
  const auto underscore = stem.rfind('_');
  if (underscore == std::string_view::npos || underscore + 1 == stem.size()) return std::nullopt;
  return std::string(stem.substr(underscore + 1));
}

std::optional<CompiledFileKind> compiled_file_kind(std::string_view path) {
  const std::string_view name = file_name_of(path);
  if (ends_with_any_case(name, "_linea.dat")) return CompiledFileKind::kTrackPlan;
  if (ends_with_any_case(name, ".sim")) return CompiledFileKind::kItems;
  if (ends_with_any_case(name, ".dat")) return CompiledFileKind::kRoute;
  return std::nullopt;
}

std::optional<CompanionFiles> companion_files(std::string_view route_path) {
  const std::string_view name = file_name_of(route_path);
  const std::string_view directory = route_path.substr(0, route_path.size() - name.size());
  if (compiled_file_kind(name) != CompiledFileKind::kRoute) return std::nullopt;
  const std::string_view stem = name.substr(0, name.size() - 4);  // without ".dat"
  const std::size_t underscore = stem.rfind('_');
  if (underscore == std::string_view::npos || underscore == 0 || underscore + 1 == stem.size())
    return std::nullopt;
  CompanionFiles f;
  f.item_file = std::string(directory) + std::string(stem) + ".sim";
  f.track_plan_file =
      std::string(directory) + std::string(stem.substr(0, underscore)) + "_linea.dat";
  return f;
}

}  // namespace sb
