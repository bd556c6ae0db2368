#include "compiler/warnings.h"

#include <algorithm>
#include <array>

namespace sb {

namespace {

using W = Warning;

constexpr std::array<WarningInfo, 18> kWarnings = {{
    {W::kUnknownKeyword, "unknown-keyword",
     "a row whose keyword the reader does not know is passed over", "pendnza,  1100,   7"},
    {W::kKeywordCase, "keyword-case",
     "a [generale] keyword that is recognised only in lower case, written otherwise",
     "Sfondo uno,    1"},
    {W::kWrongSection, "wrong-section",
     "a keyword of another section or of the other source, which this place does not read",
     "pendenza,   0,    0   (inside [generale])"},
    {W::kRowBeforeGenerale, "row-before-generale",
     "a row before the [generale] header, which the reader ignores", "lunghezza percorso, 9000"},
    {W::kUnknownSection, "unknown-section", "a section header that neither source uses",
     "[stazione]"},
    {W::kNoGenerale, "no-generale",
     "a train source without a [generale] header, of which nothing is read", "velocita,  0,  30"},
    {W::kKeywordInHeader, "keyword-in-header",
     "a section header that holds a keyword, and so is read as a row", "[velocita]"},
    {W::kRowContinues, "row-continues",
     "a row with fewer fields than its keyword takes, which reads on into the next line",
     "cartello_indicatore,  27750"},
    {W::kNotWindows1252, "not-windows-1252",
     "text in UTF-8 or another encoding: the simulator shows each byte as a Windows-1252 "
     "character",
     "stazione, ..., CITT\xC3\x80"},
    {W::kBeyondLineEnd, "beyond-line-end",
     "an element placed after the end of the line, in the run-out", "segnale,  163000, ..."},
    {W::kOverlappingCurves, "overlapping-curves",
     "a curve that begins before the previous one ends",
     "curvad2,  1550,  1250  then  curvas3,  2500,  500"},
    {W::kBoardSpeed, "board-speed",
     "a speed board whose speeds do not include the speed limit in force at it",
     "indicatori_vmax,  900,  90,  95,  100, ...  where the limit is 80"},
    {W::kTimeBackwards, "time-backwards",
     "a station whose time comes before the time of the station before it",
     "stazione, ..., 8, 5, 0, B  after  stazione, ..., 8,10, 0, A"},
    {W::kUnorderedRows, "unordered-rows",
     "a gradient, speed, adhesion or station row before the row above it",
     "velocita,  800,  95  after  velocita,  1200,  60"},
    {W::kValueTruncated, "value-truncated",
     "a number that does not fit its 16- or 8-bit field and is stored cut to it", "sabbia,  70000"},
    {W::kApproachOverwritten, "approach-overwritten",
     "approach codes of a signal or a station that overwrite those of another element",
     "segnale,  3250, ...  next to  segnale,  3200, ..."},
    {W::kStationEndOverwrites, "station-end-overwrites",
     "a station's end mark that replaces another element in its cell",
     "a signal 100 m before the end of a station's area"},
    {W::kTimetableFasterThanLimits, "timetable-faster-than-limits",
     "a stretch between two timed stations given less time than the speed limits need",
     "2 minutes for 2 km at 30 and 120 km/h"},
}};

static_assert(
    [] {
      for (std::size_t i = 0; i < kWarnings.size(); ++i)
        if (static_cast<std::size_t>(kWarnings[i].warning) != i) return false;
      return true;
    }(),
    "the warning table follows the order of the enum");

}  // namespace

std::span<const WarningInfo> warning_table() {
  return kWarnings;
}

const WarningInfo& warning_info(Warning w) {
  return kWarnings[static_cast<std::size_t>(w)];
}

std::optional<Warning> warning_by_name(std::string_view name) {
  const auto it = std::find_if(kWarnings.begin(), kWarnings.end(),
                               [&](const WarningInfo& w) { return w.name == name; });
  if (it == kWarnings.end()) return std::nullopt;
  return it->warning;
}

}  // namespace sb
