#include "sources/row_syntax.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "sources/ascii.h"

namespace sb {

namespace {

using F = std::string_view;

constexpr F kLength[] = {"length (m)"};
constexpr F kProgressive[] = {"range start (m)", "range end (m)", "third value"};
constexpr F kBackground[] = {"position (m)"};
constexpr F kRepetition[] = {"start (m)", "end (m)"};
constexpr F kGradient[] = {"position (m)", "gradient (per mille)"};
constexpr F kCurve[] = {"start (m)", "length (m)"};
constexpr F kMountain[] = {"inizio (m)", "fine (m)", "tipo"};
constexpr F kBoards[] = {"posizione (m)", "vas (km/h)", "vbs (km/h)", "vcs (km/h)", "strisces",
                         "vad (km/h)",    "vbd (km/h)", "vcd (km/h)", "strisced"};
constexpr F kSign[] = {"position (m)", "sign text"};
constexpr F kOne[] = {"value"};
constexpr F kClock[] = {"hours", "minutes", "seconds"};
constexpr F kAdhesion[] = {"position (m)", "adhesion"};
constexpr F kSpeed[] = {"position (m)", "speed (km/h)"};
constexpr F kStation[] = {"position P (m)", "kind",       "length L (m)", "opzione", "marca4",
                          "marca3",         "parametro1", "parametro2",   "marca1",  "parametro3",
                          "parametro4",     "parametro5", "marca2",       "hours",   "minutes",
                          "seconds",        "name"};
constexpr F kSlowdown[] = {"x (m)", "v (km/h)", "l (m)", "f_tt", "f_ta", "d_v"};
constexpr F kSignal[] = {"posizione (m)", "sx", "s1", "s2", "s3", "rapp", "dx", "d1", "d2", "d3",
                         "tempo"};
constexpr F kAbbattimento[] = {"position (m)", "value"};

using P = RowPlace;

constexpr std::array<RowSyntax, 24> kRows = {{
    {"lunghezza percorso", P::kGenerale, kLength, false},
    {"progressiva chilometrica uno", P::kGenerale, kProgressive, false},
    {"progressiva chilometrica due", P::kGenerale, kProgressive, false},
    {"progressiva chilometrica tre", P::kGenerale, kProgressive, false},
    {"sfondo uno", P::kGenerale, kBackground, false},
    {"sfondo due", P::kGenerale, kBackground, false},
    {"sfondo tre", P::kGenerale, kBackground, false},
    {"ripetizione segnali 4 codici", P::kGenerale, kRepetition, false},
    {"pendenza", P::kLineElements, kGradient, false},
    {"curva", P::kLineElements, kCurve, false},
    {"montagna", P::kLineElements, kMountain, false},
    {"indicatori_vmax", P::kLineElements, kBoards, false},
    {"cartello_indicatore", P::kLineElements, kSign, true},
    {"percentuale massa frenata", P::kTrain, kOne, false},
    {"numero vetture", P::kTrain, kOne, false},
    {"sabbia", P::kTrain, kOne, false},
    {"orologio", P::kTrain, kClock, false},
    {"aderenza", P::kTrain, kAdhesion, false},
    {"velocita", P::kTrain, kSpeed, false},
    {"stazione", P::kTrain, kStation, true},
    {"rallentamento", P::kTrain, kSlowdown, false},
    {"segnale", P::kTrain, kSignal, false},
    {"abbattimento", P::kTrain, kAbbattimento, false},
    // The repetition keyword with 9 codes is the same row.
    {"ripetizione segnali 9 codici", P::kGenerale, kRepetition, false},
}};

constexpr std::string_view kLineHeaders[] = {
    "[generale]", "[curve]", "[pendenze]", "[montagne]", "[cartelli]", "[indicazioni]", "[fine]"};
constexpr std::string_view kTrainHeaders[] = {"[generale]", "[aderenze]",      "[vel_limite]",
                                              "[stazioni]", "[rallentamenti]", "[segnali]",
                                              "[codici]",   "[fine]"};

// The edit distance of two words, in any letter case.
std::size_t distance(std::string_view a, std::string_view b) {
  std::basic_string<std::size_t> row(b.size() + 1, 0), last(b.size() + 1, 0);
  for (std::size_t j = 0; j <= b.size(); ++j) last[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change =
          last[j - 1] + (ascii_lower(a[i - 1]) == ascii_lower(b[j - 1]) ? 0 : 1);
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, change});
    }
    std::swap(row, last);
  }
  return last[b.size()];
}

}  // namespace

std::span<const RowSyntax> row_syntax_table() {
  return kRows;
}

static_assert(kRows.size() == static_cast<std::size_t>(Row::kRipetizioneSegnali9) + 1,
              "every row of the table has its name");

const RowSyntax& row_syntax(Row row) {
  return kRows[static_cast<std::size_t>(row)];
}

const RowSyntax* row_syntax(std::string_view keyword) {
  for (const RowSyntax& r : kRows) {
    if (r.keyword == keyword) return &r;
  }
  // A curve keyword carries its side and class: "curvad2".
  if (keyword.substr(0, 5) == "curva") return &kRows[9];
  return nullptr;
}

std::span<const std::string_view> section_headers(Source s) {
  if (s == Source::kLine) return kLineHeaders;
  return kTrainHeaders;
}

std::optional<std::string_view> nearest_keyword(std::string_view word, RowPlace place) {
  std::optional<std::string_view> best;
  std::size_t best_distance = 3;
  for (const RowSyntax& r : kRows) {
    if (r.place != place) continue;
    const std::string_view keyword = r.keyword;
    const std::size_t d = distance(word, keyword);
    if (d < best_distance && 2 * d < word.size()) {
      best = keyword;
      best_distance = d;
    }
  }
  return best;
}

}  // namespace sb
