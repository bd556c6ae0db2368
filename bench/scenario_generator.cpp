#include "bench/scenario_generator.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace sb {

namespace {

constexpr Long kBlock = 1000;  // metres

// Blocks 0 and 1 carry only gradients and curves, so that nothing comes near
// the reserved cell 1.
constexpr Long kLeadInBlocks = 2;

// A slowdown group takes the blocks 5 to 7 of every ten: the warning point and
// its four approach cells in the first block, the slowdown from the middle of
// the second block on, its end in the third. A block after the group must
// exist, for the post-processing's look past the slowdown end.
constexpr Long kSlowdownPeriod = 10;
constexpr Long kSlowdownPhase = 5;
constexpr Long kSlowdownBlocks = 3;

// Stations take the items from 1 up and signs from 80 down, and a station may
// not reach the next free sign slot: 48 stations and 30 signs leave one item
// between them.
constexpr std::size_t kMostStations = 48;
constexpr std::size_t kMostSigns = 30;

// Positions within a block, in metres from its start. A point element at
// offset d lies in the block's cell d / 50 + 1; the approach codes of a
// signal fall 2, 4, 6 and 8 cells before it. The two cells before each signal
// stay free for the marks of the post-processing.
constexpr Long kFirstBoards = 50;  // cell 2
constexpr Long kSignOffset = 150;  // cell 4
// Cell 6; approach codes in cells 4, 2, 0 and 18 of the block before.
constexpr Long kFirstSignal = 250;
constexpr Long kSecondBoards = 450;  // cell 10
// Cell 16; approach codes in cells 14, 12, 10 and 8.
constexpr Long kSecondSignal = 750;
constexpr Long kMarkOffset = 900;  // cell 18 (an abbattimento mark has no + 1)
// A station of length 400 at offset 500: its area runs from 300 to 700, its
// end mark is cell 13 and its approach marks are cells 9 to 12. Its block
// keeps the first boards and the first signal, whose approach codes stay
// clear of those marks.
constexpr Long kStationOffset = 500;
constexpr Long kStationLength = 400;
// A slowdown starts at offset 1500 of its group (cell 31), its warning point
// 1200 m earlier (cell 7) and the approach cells before that (cells 3 to 6).
constexpr Long kSlowdownOffset = 1500;

enum class Block { kLeadIn, kOrdinary, kStation, kSign, kSlowdown };

// The text of a source, one row per line, CR LF after each.
class SourceText {
 public:
  void row(std::string_view text) {
    s_ += text;
    s_ += "\r\n";
  }
  // A keyword followed by its numbers, and a text field when there is one.
  void row(std::string_view keyword, std::initializer_list<std::int64_t> numbers,
           std::string_view text = {}) {
    s_ += keyword;
    for (const std::int64_t n : numbers) {
      s_ += ",  ";
      s_ += std::to_string(n);
    }
    if (!text.empty()) {
      s_ += ",  ";
      s_ += text;
    }
    s_ += "\r\n";
  }
  std::string take() { return std::move(s_); }

 private:
  std::string s_;
};

// The kind of every block, and the blocks of the stations and signs.
struct Layout {
  std::vector<Block> blocks;
  std::vector<Long> stations;
  std::vector<Long> signs;
  std::vector<Long> slowdowns;  // the first block of each slowdown group
};

Layout lay_out(Long block_count) {
  Layout p;
  p.blocks.assign(static_cast<std::size_t>(block_count), Block::kOrdinary);
  for (Long b = 0; b < kLeadInBlocks; ++b) p.blocks[static_cast<std::size_t>(b)] = Block::kLeadIn;
  for (Long b = kSlowdownPhase; b + kSlowdownBlocks < block_count; b += kSlowdownPeriod) {
    p.slowdowns.push_back(b);
    for (Long i = 0; i < kSlowdownBlocks; ++i)
      p.blocks[static_cast<std::size_t>(b + i)] = Block::kSlowdown;
  }

  // Stations evenly over the ordinary blocks, about one in three, then signs
  // evenly over the ordinary blocks left.
  std::vector<Long> ordinary_blocks;
  for (Long b = 0; b < block_count; ++b)
    if (p.blocks[static_cast<std::size_t>(b)] == Block::kOrdinary) ordinary_blocks.push_back(b);
  const std::size_t station_count = std::min(kMostStations, ordinary_blocks.size() / 3);
  for (std::size_t j = 0; j < station_count; ++j) {
    const Long b = ordinary_blocks[j * ordinary_blocks.size() / station_count];
    p.stations.push_back(b);
    p.blocks[static_cast<std::size_t>(b)] = Block::kStation;
  }
  std::vector<Long> remaining;
  for (const Long b : ordinary_blocks)
    if (p.blocks[static_cast<std::size_t>(b)] == Block::kOrdinary) remaining.push_back(b);
  const std::size_t sign_count = std::min(kMostSigns, remaining.size() / 2);
  for (std::size_t j = 0; j < sign_count; ++j) {
    const Long b = remaining[(2 * j + 1) * remaining.size() / (2 * sign_count)];
    p.signs.push_back(b);
    p.blocks[static_cast<std::size_t>(b)] = Block::kSign;
  }
  return p;
}

// Blocks that carry both pairs of boards, both signals and, now and then, an
// abbattimento mark.
bool ordinary(Block b) {
  return b == Block::kOrdinary || b == Block::kSign;
}

// Blocks that carry the first pair of boards and the first signal.
bool with_signals(Block b) {
  return ordinary(b) || b == Block::kStation;
}

// The offsets of the boards of a block.
std::vector<Long> boards_in(Block b) {
  if (ordinary(b)) return {kFirstBoards, kSecondBoards};
  if (with_signals(b)) return {kFirstBoards};
  return {};
}

// The middle of the three speeds of the boards at position x, which is also
// the train's speed limit from the boards on: 80 to 160 km/h.
Long board_speed(Long x) {
  return 80 + 10 * ((x / 400) % 9);
}

std::string line_source(Long length, const Layout& p) {
  const Long block_count = static_cast<Long>(p.blocks.size());
  SourceText t;
  t.row("[generale]");
  t.row("lunghezza percorso", {length});
  t.row("progressiva chilometrica uno", {0, 0, 0});
  t.row("progressiva chilometrica due", {0, 0, 0});
  t.row("progressiva chilometrica tre", {0, 0, 0});
  t.row("sfondo uno", {1});
  t.row("sfondo due", {length / 3});
  t.row("sfondo tre", {2 * (length / 3)});
  t.row("ripetizione segnali 4 codici", {1000, 27000});

  // Two curves a block, right and left in turn, of every class.
  t.row("[curve]");
  for (Long b = 0; b < block_count; ++b) {
    const Long start = b * kBlock;
    const std::string class_a = std::to_string(1 + b % 6);
    const std::string class_b = std::to_string(1 + (b + 3) % 6);
    t.row("curvad" + class_a, {start + 100, 150 + 50 * (b % 4)});
    t.row("curvas" + class_b, {start + 600, 200 + 50 * (b % 3)});
  }

  t.row("[pendenze]");
  for (Long b = 0; b < block_count; ++b) {
    t.row("pendenza", {b * kBlock, (b * 7) % 41 - 15});
    t.row("pendenza", {b * kBlock + 500, (b * 7 + 13) % 41 - 15});
  }

  // Spans of 1500 to 2700 m, at most one in eight blocks, marked and
  // unmarked.
  t.row("[montagne]");
  const Long n_montagne = std::min<Long>(kMaxMountainSpans, block_count / 8);
  constexpr Long kKinds[] = {11, 12, 1, 2};
  for (Long j = 0; j < n_montagne; ++j) {
    const Long b = (2 * j + 1) * block_count / (2 * n_montagne);
    const Long start = b * kBlock + 200;
    t.row("montagna", {start, start + 1500 + 300 * (j % 5), kKinds[j % 4]});
  }

  t.row("[cartelli]");
  for (Long b = 0; b < block_count; ++b) {
    for (const Long d : boards_in(p.blocks[static_cast<std::size_t>(b)])) {
      const Long x = b * kBlock + d;
      const Long v = board_speed(x);
      t.row("indicatori_vmax", {x, v - 10, v, v + 10, b % 3, 0, 0, 0, 0});
    }
  }

  t.row("[indicazioni]");
  for (std::size_t j = 0; j < p.signs.size(); ++j) {
    t.row("cartello_indicatore", {p.signs[j] * kBlock + kSignOffset},
          j % 2 == 0 ? "(CADUTA MASSI)" : "(P.L.      )(AUTOMATICO)");
  }
  t.row("[fine]");
  return t.take();
}

std::string train_source(const Layout& p) {
  const Long block_count = static_cast<Long>(p.blocks.size());
  SourceText t;
  t.row("[generale]");
  t.row("numero vetture", {8});
  t.row("percentuale massa frenata", {110});
  t.row("sabbia", {300});
  t.row("orologio", {6, 0, 0});

  t.row("[aderenze]");
  for (Long b = 0; b < block_count; b += 50) t.row("aderenza", {b * kBlock, 80 + b % 10});

  // 30 km/h out of the first station, then the limit of each pair of boards.
  t.row("[vel_limite]");
  t.row("velocita", {0, 30});
  for (Long b = 0; b < block_count; ++b) {
    for (const Long d : boards_in(p.blocks[static_cast<std::size_t>(b)]))
      t.row("velocita", {b * kBlock + d, board_speed(b * kBlock + d)});
  }

  // Kinds 12, 11 and 4 share one area rule; the times follow a run at 60 km/h
  // from six o'clock, which no stretch's speed limits forbid.
  t.row("[stazioni]");
  constexpr Long kStationKinds[] = {12, 12, 11, 4};
  for (std::size_t j = 0; j < p.stations.size(); ++j) {
    const Long position = p.stations[j] * kBlock + kStationOffset;
    const Long minutes = 6 * 60 + position / 1000;
    t.row("stazione",
          {position, kStationKinds[j % 4], kStationLength, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0,
           minutes / 60, minutes % 60, 0},
          "LOCALITA " + std::to_string(j + 1));
  }

  // Speeds below 110 km/h get marks inside the slowdown; the longer ones end
  // close enough to the next signal for the look past the end to find it.
  t.row("[rallentamenti]");
  constexpr Long kSpeeds[] = {30, 60, 80, 120};
  for (std::size_t j = 0; j < p.slowdowns.size(); ++j) {
    const Long x = p.slowdowns[j] * kBlock + kSlowdownOffset;
    t.row("rallentamento", {x, kSpeeds[j % 4], 500 + 100 * static_cast<Long>(j % 4),
                            1 + static_cast<Long>(j % 2), 1, j % 3 == 0 ? 5 : 0});
  }

  // The last block of a slowdown group keeps its second signal: the one that
  // the post-processing marks after the slowdown.
  t.row("[segnali]");
  for (Long b = 0; b < block_count; ++b) {
    const Block kind_code = p.blocks[static_cast<std::size_t>(b)];
    const bool group_end = kind_code == Block::kSlowdown &&
                           (b - kSlowdownPhase) % kSlowdownPeriod == kSlowdownBlocks - 1;
    const Long tempo = b % 7 == 0 ? 255 : 0;
    if (with_signals(kind_code))
      t.row("segnale", {b * kBlock + kFirstSignal, 2, 2, 3, 0, 0, 2, 3, 1, 0, tempo});
    if (ordinary(kind_code) || group_end)
      t.row("segnale", {b * kBlock + kSecondSignal, 1, 3, 1, 0, 0, 0, 0, 0, 0, 0});
  }

  t.row("[codici]");
  for (Long b = 0; b < block_count; ++b) {
    if (ordinary(p.blocks[static_cast<std::size_t>(b)]) && b % 4 == 1)
      t.row("abbattimento", {b * kBlock + kMarkOffset, b % 8 == 1 ? 100 : 0});
  }
  t.row("[fine]");
  return t.take();
}

}  // namespace

GeneratedSources generate_sources(Long length) {
  if (length < kShortestGeneratedLine || length > kMaxLineLength) {
    throw std::invalid_argument("a generated line is " + std::to_string(kShortestGeneratedLine) +
                                " to " + std::to_string(kMaxLineLength) + " m long, not " +
                                std::to_string(length));
  }
  const Layout p = lay_out(length / kBlock);
  return {line_source(length, p), train_source(p)};
}

namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string text_of(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

// The indices of the lines that begin with `keyword`, `count` of them spread
// evenly from the second on.
std::vector<std::size_t> spread_rows(const std::vector<std::string>& lines,
                                     std::string_view keyword, int count) {
  std::vector<std::size_t> rows;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind(keyword, 0) == 0) rows.push_back(i);
  std::vector<std::size_t> chosen;
  if (rows.size() < 2 || count <= 0) return chosen;
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), rows.size() - 1);
  for (std::size_t j = 0; j < n; ++j) chosen.push_back(rows[1 + j * (rows.size() - 1) / n]);
  return chosen;
}

}  // namespace

GeneratedSources with_scattered_errors(GeneratedSources sources, int count) {
  std::vector<std::string> line = lines_of(sources.line);
  for (const std::size_t i : spread_rows(line, "indicatori_vmax", count / 2)) {
    // The first speed: "indicatori_vmax,  P,  90, ..." becomes "... 9x, ...".
    const std::size_t second_comma = line[i].find(',', line[i].find(',') + 1);
    const std::size_t digit = line[i].find_first_of("0123456789", second_comma);
    line[i][digit + 1] = 'x';
  }
  std::vector<std::string> train = lines_of(sources.train);
  std::size_t previous = 0;
  const std::vector<std::size_t> signals = spread_rows(train, "segnale", count - count / 2);
  for (const std::size_t i : signals) {
    // The position of the signal row before it.
    previous = i;
    do --previous;
    while (train[previous].rfind("segnale", 0) != 0);
    const std::string position = train[previous].substr(0, train[previous].find(',', 9));
    train[i] = position + train[i].substr(train[i].find(',', 9));
  }
  sources.line = text_of(line);
  sources.train = text_of(train);
  return sources;
}

}  // namespace sb
