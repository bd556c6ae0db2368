// What the reader tells an author beyond the codes: the keywords it passed
// over, texts that are not Windows-1252, elements in the run-out, speed
// boards that disagree with the speed limits, a timetable faster than the
// limits allow. None of this changes what is read or stored.
#include <algorithm>
#include <cmath>
#include <string>

#include "compiler/cell_kinds.h"
#include "compiler/reader_state.h"
#include "compiler/route_values.h"
#include "sources/ascii.h"
#include "sources/keywords.h"
#include "sources/row_syntax.h"

namespace sb {

namespace {

namespace w = keywords;

bool has_letter(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// The recognisers of the [generale] rows, in any letter case.
bool generale_keyword(std::string_view f) {
  return (contains(f, w::kPercorso) && contains(f, w::kLunghezza)) ||
         (contains(f, w::kProgressiva) &&
          (contains(f, w::kUno) || contains(f, w::kDue) || contains(f, w::kTre))) ||
         (contains(f, w::kSfondo) &&
          (contains(f, w::kUno) || contains(f, w::kDue) || contains(f, w::kTre))) ||
         (contains(f, w::kSegnali) && contains(f, w::kRipetizione));
}

bool line_element_keyword(std::string_view f) {
  return contains(f, w::kPendenza) || contains(f, w::kCurva) || contains(f, w::kMontagna) ||
         contains(f, w::kIndicatoriV) || (contains(f, w::kIndicat) && contains(f, w::kCartello));
}

bool train_keyword(std::string_view f) {
  return (contains(f, w::kFrenata) && contains(f, w::kMassa)) || contains(f, w::kVetture) ||
         contains(f, w::kVelocit) || contains(f, w::kAderenza) || contains(f, w::kOrologio) ||
         contains(f, w::kSabbia) || contains(f, w::kSegnale) || contains(f, w::kRallentamento) ||
         contains(f, w::kAbbattimento) || contains(f, w::kStazione);
}

bool is_header(std::string_view f) {
  const auto first = f.find_first_not_of(' ');
  return contains_exact(f, "[") && contains_exact(f, "]") && first != std::string_view::npos &&
         f[first] != '-';
}

// A valid UTF-8 sequence of two or more bytes, or a byte that Windows-1252
// leaves unassigned: either way the simulator would not show what was meant.
bool not_windows_1252(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) return true;
    std::size_t follow = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      follow = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      follow = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      follow = 3;
    }
    if (follow == 0 || i + follow >= s.size()) continue;
    bool sequence = true;
    for (std::size_t k = 1; k <= follow; ++k)
      sequence = sequence && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (sequence) return true;
  }
  return false;
}

}  // namespace

void ReaderState::warn_unrecognised(RowPlace place) {
  const std::string& f = keyword.text;
  if (keyword.line <= last_warned_line || !has_letter(f)) return;
  const Source source = place == RowPlace::kTrain ? Source::kTrain : Source::kLine;
  const auto warn_once = [&](Warning kind, std::string text) {
    last_warned_line = keyword.line;
    warn(kind, keyword, std::move(text));
  };
  if (is_header(f)) {
    const auto headers = section_headers(source);
    const std::string lower = ascii_lowered(f);
    const auto first = lower.find_first_not_of(' ');
    const std::string trimmed = lower.substr(first, lower.find_last_not_of(' ') - first + 1);
    if (std::find(headers.begin(), headers.end(), trimmed) == headers.end()) {
      std::string known;
      for (const std::string_view h : headers) known += (known.empty() ? "" : " ") + std::string(h);
      warn_once(Warning::kUnknownSection, "`" + f + "` is not a section of the " +
                                              (source == Source::kLine ? "line" : "train") +
                                              " source, which has " + known +
                                              "; the headers only group rows, and mark no place");
    }
    return;
  }
  if (place == RowPlace::kGenerale) {
    if (generale_keyword(f)) {
      warn_once(Warning::kKeywordCase,
                "`" + f + "` is read only when written in lower case, as in `" +
                    std::string(nearest_keyword(f, RowPlace::kGenerale).value_or("sfondo uno")) +
                    "`: this row is passed over");
    } else if (line_element_keyword(f)) {
      warn_once(Warning::kWrongSection,
                "`" + f + "` rows are read after the [generale] section, not in it: this row is " +
                    "passed over; move it below the first section header such as [curve]");
    } else if (train_keyword(f)) {
      warn_once(Warning::kWrongSection,
                "`" + f + "` is a keyword of the train source: this row is passed over");
    } else {
      const auto near = nearest_keyword(f, RowPlace::kGenerale);
      warn_once(Warning::kUnknownKeyword,
                "unknown keyword `" + f + "`: this row is passed over" +
                    (near ? "; did you mean `" + std::string(*near) + "`?" : std::string()));
    }
    return;
  }
  if (place == RowPlace::kLineElements && generale_keyword(f)) {
    warn_once(Warning::kWrongSection, "`" + f +
                                          "` is read only in the [generale] section, before the "
                                          "first other header: this row is passed over");
  } else if (place == RowPlace::kLineElements && train_keyword(f)) {
    warn_once(Warning::kWrongSection,
              "`" + f + "` is a keyword of the train source: this row is passed over");
  } else if (place == RowPlace::kTrain && (line_element_keyword(f) || generale_keyword(f))) {
    warn_once(Warning::kWrongSection,
              "`" + f + "` is a keyword of the line source: this row is passed over");
  } else {
    const auto near = nearest_keyword(f, place);
    warn_once(Warning::kUnknownKeyword,
              "unknown keyword `" + f + "`: this row is passed over" +
                  (near ? "; did you mean `" + std::string(*near) + "`?" : std::string()));
  }
}

void ReaderState::warn_beyond_line_end(Long p, const Field& at, const char* what) {
  if (p <= line_length()) return;
  warn(Warning::kBeyondLineEnd, at,
       std::string(what) + " at " + std::to_string(p) + " m stands after the end of the line (" +
           std::to_string(line_length()) + " m), in the run-out");
}

void ReaderState::check_text(const std::string& text, const Field& at) {
  if (!not_windows_1252(text)) return;
  warn(Warning::kNotWindows1252, at,
       "the text `" + text +
           "` is not Windows-1252 (it looks like UTF-8): the simulator shows every byte as a "
           "character of its own; save the source in Windows-1252");
}

void ReaderState::filled(const std::optional<SourcePlace>& row, Long first, Long end,
                         Byte cella::*field, Byte value) {
  if (row && first < end) report.runs.push_back({*row, first, end - 1, field, value});
}

void ReaderState::placed(Byte genere, std::int64_t cell, Long position, const Field& at) {
  report.elements.push_back({genere, static_cast<Long>(cell), position, place_of(at)});
}

void ReaderState::check_boards() {
  for (const Boards& b : boards) {
    if (!m.cell_exists(b.cell)) continue;
    const Long limit = Long{m.percorso[static_cast<std::size_t>(b.cell)].velocita} * 5;
    if (limit == 0) continue;
    const bool shown = std::any_of(std::begin(b.speeds), std::end(b.speeds), [&](Long v) {
      return v != 0 && arrotonda(static_cast<double>(v) / 5.0) * 5 == limit;
    });
    if (shown) continue;
    std::string speeds;
    for (const Long v : b.speeds)
      if (v != 0) speeds += (speeds.empty() ? "" : ", ") + std::to_string(v);
    report.warnings.push_back({Warning::kBoardSpeed, b.place,
                               "these speed boards show " + speeds +
                                   " km/h, but the speed limit of the train source "
                                   "there is " +
                                   std::to_string(limit) + " km/h"});
  }
}

void ReaderState::check_timetable() {
  // "2 min 21 s", a bound rounded up to the second.
  const auto duration = [](double seconds) {
    const auto s = static_cast<std::int64_t>(std::ceil(seconds));
    return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
  };
  for (std::size_t i = 1; i < timed_stations.size(); ++i) {
    const TimedStation& a = timed_stations[i - 1];
    const TimedStation& b = timed_stations[i];
    // A timetable that runs backwards or a station out of order has its own
    // warning.
    if (b.time < a.time || b.position <= a.position) continue;
    const std::optional<double> fastest = fastest_run_seconds(
        m.percorso, static_cast<double>(a.position), static_cast<double>(b.position));
    if (!fastest) continue;
    const double scheduled = static_cast<double>(b.time) - static_cast<double>(a.time);
    if (scheduled >= *fastest) continue;
    report.warnings.push_back(
        {Warning::kTimetableFasterThanLimits, b.place,
         "the timetable gives " + duration(scheduled) + " from " + a.name + " (" +
             kilometre_text(a.position) + ", " + clock_text(a.time) + ") to " + b.name + " (" +
             kilometre_text(b.position) + ", " + clock_text(b.time) +
             "), but the speed limits need at least " + duration(*fastest) +
             ", each cell run at its limit: give the train more time or raise the limits"});
  }
}

}  // namespace sb
