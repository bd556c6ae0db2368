#include "compiler/compiled_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/track_plan.h"
#include "support/track_steps.h"

namespace sb {
namespace {

using testing::all_points;
using testing::straight_step;

std::string bytes_of(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// The 8 little-endian bytes of a Double.
std::string double_le(double d) {
  const auto u = std::bit_cast<std::uint64_t>(d);
  std::string s;
  for (int i = 0; i < 8; ++i) s.push_back(static_cast<char>(u >> (8 * i)));
  return s;
}

// A readable form of a byte string for failure messages.
std::string hex_dump(const std::string& s) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
    out += ' ';
  }
  return out;
}

// The track plan of a line with no curve, built by the track plan rule.
void lay_straight_line(RouteModel& m) {
  TrackPlan& t = m.tracciato;
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  for (Long metre = 2; metre <= m.lunghezza_estesa - 2; ++metre) straight_step(t, metre);
}

// Same type and same bits: -0.0 and 0.0 differ, a NaN equals itself.
bool same_bits(const std::vector<TrackValue>& a, const std::vector<TrackValue>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].type != b[i].type) return false;
    if (std::bit_cast<std::uint64_t>(a[i].value) != std::bit_cast<std::uint64_t>(b[i].value)) {
      return false;
    }
  }
  return true;
}

// Items with texts of several lengths, including bytes above 127 and a NUL.
std::array<oggetto, kItemCount> varied_items() {
  std::array<oggetto, kItemCount> o{};
  o[0].testo = "ab";
  o[1] = {7,          -1,
          2147483647, -2147483647 - 1,
          255,        "Stazione \xC8 centrale",
          -32768,     32767,
          -2,         1,
          0x1234,     1,
          2,          3,
          255,        0x01020304};
  o[40].testo = std::string("a\0b", 3);
  o[85].testo = "BORGOLUCE";
  o[85].parametro1 = 610;
  o[86].testo = "5127";
  return o;
}

TEST(CompiledFilesItems, ExampleRecordIsWrittenByteForByte) {
  std::array<oggetto, kItemCount> items{};
  oggetto& o = items[86];
  o.testo = "5127";
  o.valore_a = 1000;
  o.valore_b = 27000;
  o.valore_c = 4;
  o.parametro1 = 300;
  o.parametro3 = 7;
  o.parametro4 = 33;
  const std::string file = serialize_items(items);
  ASSERT_EQ(file.size(), 86 * 34 + 38u);
  const std::string expected =
      bytes_of({0x00, 0xE8, 0x03, 0x00, 0x00, 0x78, 0x69, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,
                0x00, 0x04, 0x00, 0x35, 0x31, 0x32, 0x37, 0x2C, 0x01, 0x00, 0x00, 0x07, 0x00,
                0x21, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(hex_dump(file.substr(86 * 34)), hex_dump(expected));
  // The 86 items before it are empty: 34 zero bytes each.
  EXPECT_EQ(file.substr(0, 86 * 34), std::string(86 * 34, '\0'));
}

TEST(CompiledFilesItems, EveryFieldInPlaceAndEmptyTextIsTwoZeroBytes) {
  std::array<oggetto, kItemCount> items{};
  items[0] = {0x11,   0x04030201, -2,     0x7F000000, 0xAB, "",   0x0102, -1,
              0x0304, 0x0506,     0x0708, 0xC1,       0xC2, 0xC3, 0xC4,   -0x12345678};
  const std::string file = serialize_items(items);
  ASSERT_EQ(file.size(), 87 * 34u);
  const std::string expected =
      bytes_of({0x11, 0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00,
                0x7F, 0xAB, 0x00, 0x00, 0x02, 0x01, 0xFF, 0xFF, 0x04, 0x03, 0x06, 0x05,
                0x08, 0x07, 0xC1, 0xC2, 0xC3, 0xC4, 0x88, 0xA9, 0xCB, 0xED});
  EXPECT_EQ(hex_dump(file.substr(0, 34)), hex_dump(expected));
}

TEST(CompiledFilesItems, TextLengthIsBoundedByItsSixteenBitCount) {
  std::array<oggetto, kItemCount> items{};
  items[3].testo = std::string(65535, 'x');
  const std::string file = serialize_items(items);
  EXPECT_EQ(file.size(), 87 * 34 + 65535u);
  EXPECT_EQ(file.substr(3 * 34 + 14, 2), bytes_of({0xFF, 0xFF}));

  // One byte more cannot be counted: refused rather than written with a
  // wrapped count that would misalign every record after it.
  items[3].testo.push_back('x');
  EXPECT_THROW(serialize_items(items), std::length_error);
}

TEST(CompiledFilesRoute, CellsAreWrittenByteForByte) {
  const struct {
    const char* name;
    cella cell;
    std::string expected;
  } cases[] = {
      {"speed-indicator boards",
       {kSpeedBoards, 1800, 1900, 2000, 0, 0, 0, 0, 0, 0, 0},
       bytes_of({0x06, 0x08, 0x07, 0x6C, 0x07, 0xD0, 0x07, 0x00, 0x00, 0, 0, 0, 0, 0, 0})},
      {"every field distinct, negative values",
       {kSignal, -2, 0x0102, -32768, 32767, 1, 2, 3, 4, 5, 255},
       bytes_of({0x01, 0xFE, 0xFF, 0x02, 0x01, 0x00, 0x80, 0xFF, 0x7F, 1, 2, 3, 4, 5, 0xFF})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex_dump(serialize_route({c.cell})), hex_dump(c.expected)) << c.name;
  }
}

TEST(CompiledFilesSizes, RouteFileFollowsTheLineLength) {
  const struct {
    Long length;
    std::size_t bytes;
  } cases[] = {{0, 2115}, {162000, 50715}};
  for (const auto& c : cases) {
    RouteModel m;
    m.create_cells(c.length);
    EXPECT_EQ(serialize_route(m.percorso).size(), c.bytes) << c.length;
  }
  EXPECT_EQ(serialize_items(RouteModel{}.oggetti).size(), 87 * 34u);
  EXPECT_EQ(serialize_track_plan(TrackPlan{}), "") << "no plan, no bytes";
}

TEST(CompiledFilesSizes, TrackPlanOfAStraightLine) {
  RouteModel m;
  m.scrivi_linea = 1;
  m.create_cells(162000);
  lay_straight_line(m);
  const std::string file = serialize_track_plan(m.tracciato);
  ASSERT_EQ(file.size(), 3379964u);

  const std::size_t half = file.size() / 2;
  // x: the integers 0 and 0, then Doubles from x(2) = 0.0; two empty values at the end.
  EXPECT_EQ(hex_dump(file.substr(0, 18)),
            hex_dump(bytes_of({2, 0, 0, 0, 2, 0, 0, 0, 5, 0}) + double_le(0.0)));
  EXPECT_EQ(file.substr(half - 14, 14), bytes_of({5, 0}) + double_le(0.0) + bytes_of({0, 0, 0, 0}));
  // y: the integers 0 and 1, then 2.0 up to y(168998) = 168998.0, then two empty values.
  EXPECT_EQ(hex_dump(file.substr(half, 18)),
            hex_dump(bytes_of({2, 0, 0, 0, 2, 0, 1, 0, 5, 0}) + double_le(2.0)));
  EXPECT_EQ(hex_dump(file.substr(file.size() - 14)),
            hex_dump(bytes_of({5, 0}) + double_le(168998.0) + bytes_of({0, 0, 0, 0})));

  std::vector<TrackValue> x, y;
  FormatError err;
  ASSERT_TRUE(decode_track_plan(file, &x, &y, &err)) << err.reason;
  const auto points = all_points(m.tracciato);
  EXPECT_TRUE(same_bits(x, points.x));
  EXPECT_TRUE(same_bits(y, points.y));
}

TEST(CompiledFilesRoundTrip, RouteReadsBackUnchanged) {
  RouteModel m;
  m.create_cells(0);
  m.percorso.at(1) = {kSignal, 5121, -7, 32767, -32768, 9, 81, 2, 30, 93, 255};
  m.percorso.at(140) = {kSign, 80, 0, 0, 0, 0, 0, 0, 0, 100, 1};
  std::vector<cella> read_back;
  FormatError err;
  ASSERT_TRUE(decode_route(serialize_route(m.percorso), &read_back, &err)) << err.reason;
  EXPECT_EQ(read_back, m.percorso);

  ASSERT_TRUE(decode_route("", &read_back, &err));
  EXPECT_TRUE(read_back.empty());
}

TEST(CompiledFilesRoundTrip, ItemsReadBackUnchanged) {
  const auto items = varied_items();
  std::array<oggetto, kItemCount> read_back{};
  FormatError err;
  ASSERT_TRUE(decode_items(serialize_items(items), &read_back, &err)) << err.reason;
  EXPECT_EQ(read_back, items);
  EXPECT_EQ(read_back[40].testo.size(), 3u) << "a NUL inside a text is kept";
}

TEST(CompiledFilesRoundTrip, TrackPlanKeepsTypesAndBits) {
  TrackPlan t;
  t.allocate(6);
  t.set_integer(0, -32768, 32767);
  t.set_integer(1, -1, 0);
  t.set_double(2, -0.0, 1e300);
  t.set_double(3, std::numeric_limits<double>::denorm_min(),
               -std::numeric_limits<double>::infinity());
  t.set_double(4, 0.1 + 0.2, std::numeric_limits<double>::quiet_NaN());
  std::vector<TrackValue> x, y;
  FormatError err;
  ASSERT_TRUE(decode_track_plan(serialize_track_plan(t), &x, &y, &err)) << err.reason;
  const auto points = all_points(t);
  EXPECT_TRUE(same_bits(x, points.x));
  EXPECT_TRUE(same_bits(y, points.y));
  ASSERT_EQ(x.size(), 7u);
  EXPECT_EQ(x[5].type, TrackValueType::kEmpty);
}

enum class FileKind { kRoute, kItems, kTrackPlan };

// Decodes `bytes` as `file`; the decoded content is of no interest here.
bool decode(FileKind file, std::string_view bytes, FormatError* err) {
  switch (file) {
    case FileKind::kRoute: {
      std::vector<cella> c;
      return decode_route(bytes, &c, err);
    }
    case FileKind::kItems: {
      std::array<oggetto, kItemCount> o{};
      return decode_items(bytes, &o, err);
    }
    case FileKind::kTrackPlan: {
      std::vector<TrackValue> x, y;
      if (!decode_track_plan(bytes, &x, &y, err)) return false;
      EXPECT_EQ(x.size(), y.size());
      return true;
    }
  }
  return false;
}

TEST(CompiledFilesDecoders, RefusalsNameRecordAndOffset) {
  // Item 0 has the text "ab" (36 bytes), items 1 to 86 have none (34 bytes each).
  std::array<oggetto, kItemCount> items{};
  items[0].testo = "ab";
  const std::string sim = serialize_items(items);
  ASSERT_EQ(sim.size(), 36 + 86 * 34u);

  const struct {
    const char* name;
    FileKind file;
    std::string bytes;
    std::size_t record;
    std::size_t offset;
    const char* reason;
  } cases[] = {
      {"route: less than one record", FileKind::kRoute, std::string(14, '\0'), 0, 0,
       "size 14 is not a multiple of 15: the last record has 14 bytes"},
      {"route: three records and a part", FileKind::kRoute, std::string(52, '\0'), 3, 45,
       "size 52 is not a multiple of 15: the last record has 7 bytes"},
      {"items: empty file", FileKind::kItems, "", 0, 0,
       "file cut short in genere: 1 byte needed, 0 left"},
      {"items: text count cut short", FileKind::kItems, sim.substr(0, 15), 0, 14,
       "file cut short in text length: 2 bytes needed, 1 left"},
      {"items: text runs past the end", FileKind::kItems, sim.substr(0, 17), 0, 16,
       "file cut short in testo: 2 bytes needed, 1 left"},
      {"items: only 86 records", FileKind::kItems, sim.substr(0, sim.size() - 34), 86,
       sim.size() - 34, "file cut short in genere: 1 byte needed, 0 left"},
      {"items: last byte missing", FileKind::kItems, sim.substr(0, sim.size() - 1), 86,
       sim.size() - 4, "file cut short in valore_d: 4 bytes needed, 3 left"},
      {"items: a byte after the last record", FileKind::kItems, sim + '\0', 87, sim.size(),
       "1 byte after the last of the 87 records"},
      {"track plan: type code cut short", FileKind::kTrackPlan, bytes_of({2}), 0, 0,
       "file cut short in type code: 2 bytes needed, 1 left"},
      {"track plan: unknown type code", FileKind::kTrackPlan, bytes_of({2, 0, 0, 0, 3, 0, 0, 0}), 1,
       4, "unknown type code 3"},
      {"track plan: type code in the wrong byte order", FileKind::kTrackPlan, bytes_of({0, 5}), 0,
       0, "unknown type code 1280"},
      {"track plan: integer cut short", FileKind::kTrackPlan, bytes_of({2, 0, 1}), 0, 2,
       "file cut short in integer value: 2 bytes needed, 1 left"},
      {"track plan: Double cut short", FileKind::kTrackPlan,
       bytes_of({0, 0, 5, 0}) + double_le(1.0).substr(0, 7), 1, 4,
       "file cut short in Double value: 8 bytes needed, 7 left"},
      {"track plan: odd number of values", FileKind::kTrackPlan, bytes_of({0, 0, 0, 0, 2, 0, 9, 0}),
       3, 8, "an odd number of values (3) cannot be split into x and y"},
  };
  for (const auto& c : cases) {
    FormatError err;
    EXPECT_FALSE(decode(c.file, c.bytes, &err)) << c.name;
    EXPECT_EQ(err.record, c.record) << c.name;
    EXPECT_EQ(err.offset, c.offset) << c.name;
    EXPECT_EQ(err.reason, c.reason) << c.name;
  }
}

TEST(CompiledFilesDecoders, EveryCutOfAGoodFileIsRefusedAndLeavesTheOutputAlone) {
  const std::string sim = serialize_items(varied_items());
  std::array<oggetto, kItemCount> sentinel{};
  sentinel[0].testo = "untouched";
  for (std::size_t n = 0; n < sim.size(); ++n) {
    auto out = sentinel;
    FormatError err;
    ASSERT_FALSE(decode_items(std::string_view(sim).substr(0, n), &out, &err)) << n;
    EXPECT_LE(err.offset, n);
    EXPECT_EQ(out, sentinel) << n;
  }

  const std::string dat = serialize_route(std::vector<cella>(3, {1, 2, 3, 4, 5, 6, 7, 8, 9}));
  for (std::size_t n = 1; n < dat.size(); ++n) {
    std::vector<cella> out(1);
    FormatError err;
    EXPECT_EQ(decode_route(std::string_view(dat).substr(0, n), &out, &err), n % 15 == 0);
    EXPECT_EQ(out.size(), n % 15 == 0 ? n / 15 : 1u) << n;
  }
}

TEST(CompiledFilesDecoders, ArbitraryBytesAreReadWithinTheBuffer) {
  // A fixed pseudo-random sequence, with the tag bytes of the track plan
  // made likely so that the decoders get past the first value.
  std::uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) & 0xFF);
  };
  for (int trial = 0; trial < 3000; ++trial) {
    std::string bytes;
    const int n = next() * 16 + next() % 16;
    for (int i = 0; i < n; ++i) {
      const int b = next();
      bytes.push_back(static_cast<char>(b < 96 ? 0 : b < 160 ? 2 : b < 200 ? 5 : b));
    }
    for (FileKind file : {FileKind::kRoute, FileKind::kItems, FileKind::kTrackPlan}) {
      FormatError err;
      if (!decode(file, bytes, &err)) {
        EXPECT_LE(err.offset, bytes.size());
        EXPECT_FALSE(err.reason.empty());
      }
    }
  }
}

// ---- Files written in pieces ----

// Pieces smaller than the program's, so that small files come in several.
constexpr std::size_t kTestPieceBytes = std::size_t{1} << 16;

// The pieces of a file, checked to cover it once each and joined.
struct Pieces {
  std::vector<std::pair<std::uint64_t, std::string>> pieces;

  std::function<void(std::uint64_t, std::string_view)> collect() {
    return [this](std::uint64_t position, std::string_view piece) {
      EXPECT_LE(piece.size(), kTestPieceBytes);
      pieces.emplace_back(position, std::string(piece));
    };
  }
  // The file, when the pieces follow each other without gap or overlap once
  // sorted by position; "" otherwise (with a failure).
  std::string file() const {
    auto sorted = pieces;
    std::sort(sorted.begin(), sorted.end());
    std::string s;
    for (const auto& [position, bytes] : sorted) {
      if (position != s.size()) {
        ADD_FAILURE() << "piece at " << position << " after " << s.size() << " bytes";
        return "";
      }
      s += bytes;
    }
    return s;
  }
};

// A plan of several pieces whose x and y halves differ in length from one
// piece to the next: given points, a gap, curves, and the empty end.
TEST(CompiledFilesInPieces, TrackPlanPiecesCoverTheFileOnce) {
  TrackPlan t;
  t.allocate(30000);
  t.set_integer(0, -3, 7);
  t.set_integer(1, 0, 1);
  t.add_curve(2, 9000, 0.0004);
  t.set_double(9500, 1e300, -0.0);  // 9001 to 9499 stay empty
  t.add_straight(9501, 20000);
  t.add_curve(20001, 29000, -0.002);
  Pieces p;
  serialize_track_plan(t, p.collect(), kTestPieceBytes);
  EXPECT_GT(p.pieces.size(), 6u);
  const std::string file = p.file();
  EXPECT_EQ(file, serialize_track_plan(t));
  EXPECT_EQ(file.size(), track_plan_size(t));
  std::vector<TrackValue> x, y;
  FormatError err;
  ASSERT_TRUE(decode_track_plan(file, &x, &y, &err)) << err.reason;
  const auto points = all_points(t);
  EXPECT_TRUE(same_bits(x, points.x));
  EXPECT_TRUE(same_bits(y, points.y));

  Pieces none;
  serialize_track_plan(TrackPlan{}, none.collect());
  EXPECT_TRUE(none.pieces.empty()) << "no plan, no pieces";
  EXPECT_EQ(track_plan_size(TrackPlan{}), 0u);
}

TEST(CompiledFilesInPieces, RoutePiecesCoverTheFileOnce) {
  RouteModel m;
  m.create_cells(500000);  // 10141 cells, three pieces
  for (std::size_t c = 0; c < m.percorso.size(); ++c) {
    cella& z = m.percorso[c];
    z.genere = low8(c % 15);
    z.dato1 = low16(static_cast<std::int64_t>(c) * 7 - 30000);
    z.dato4 = low16(-static_cast<std::int64_t>(c));
    z.aderenza = low8(c);
  }
  Pieces p;
  serialize_route(m.percorso, p.collect(), kTestPieceBytes);
  EXPECT_EQ(p.pieces.size(), 3u);
  const std::string file = p.file();
  EXPECT_EQ(file.size(), m.percorso.size() * kCellRecordBytes);
  std::vector<cella> read_back;
  FormatError err;
  ASSERT_TRUE(decode_route(file, &read_back, &err)) << err.reason;
  EXPECT_EQ(read_back, m.percorso);
}

}  // namespace
}  // namespace sb
