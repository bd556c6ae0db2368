// The table of warnings: everything the rules let through without a code but
// an author wants to know. Each warning has a stable name, shown as
// [-Wname] after its message, by which it is silenced (-Wno-name) or made an
// error (--werror), a summary and an example for the documentation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace sb {

enum class Warning : std::uint8_t {
  kUnknownKeyword,
  kKeywordCase,
  kWrongSection,
  kRowBeforeGenerale,
  kUnknownSection,
  kNoGenerale,
  kKeywordInHeader,
  kRowContinues,
  kNotWindows1252,
  kBeyondLineEnd,
  kOverlappingCurves,
  kBoardSpeed,
  kTimeBackwards,
  kUnorderedRows,
  kValueTruncated,
  kApproachOverwritten,
  kStationEndOverwrites,
  kTimetableFasterThanLimits,
};

struct WarningInfo {
  Warning warning;
  std::string_view name;     // "unknown-keyword"
  std::string_view summary;  // what it tells, in one line
  std::string_view example;  // a source row that gives it
};

// Every warning, in the order of the enum.
std::span<const WarningInfo> warning_table();

const WarningInfo& warning_info(Warning w);

// The warning of a name ("unknown-keyword"); empty for an unknown name.
std::optional<Warning> warning_by_name(std::string_view name);

}  // namespace sb
