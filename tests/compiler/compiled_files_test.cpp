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

namespace sb {
namespace {

std::string bytes_di(std::initializer_list<int> valori) {
  std::string s;
  for (int v : valori) s.push_back(static_cast<char>(v));
  return s;
}

// The 8 little-endian bytes of a Double.
std::string doppio_le(double d) {
  const auto u = std::bit_cast<std::uint64_t>(d);
  std::string s;
  for (int i = 0; i < 8; ++i) s.push_back(static_cast<char>(u >> (8 * i)));
  return s;
}

// A readable form of a byte string for failure messages.
std::string esadecimale(const std::string& s) {
  static constexpr char kCifre[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    out += kCifre[c >> 4];
    out += kCifre[c & 15];
    out += ' ';
  }
  return out;
}

// The track plan of a line with no curve, built by the track plan rule.
void traccia_rettilineo(RouteModel& m) {
  TrackPlan& t = m.tracciato;
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  for (Long metro = 2; metro <= m.lunghezza_estesa - 2; ++metro) straight_step(t, metro);
}

// Same type and same bits: -0.0 and 0.0 differ, a NaN equals itself.
bool stessi_bit(const std::vector<TrackValue>& a, const std::vector<TrackValue>& b) {
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
std::array<oggetto, kItemCount> oggetti_vari() {
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
  std::array<oggetto, kItemCount> oggetti{};
  oggetto& o = oggetti[86];
  o.testo = "5127";
  o.valore_a = 1000;
  o.valore_b = 27000;
  o.valore_c = 4;
  o.parametro1 = 300;
  o.parametro3 = 7;
  o.parametro4 = 33;
  const std::string file = serialize_items(oggetti);
  ASSERT_EQ(file.size(), 86 * 34 + 38u);
  const std::string atteso =
      bytes_di({0x00, 0xE8, 0x03, 0x00, 0x00, 0x78, 0x69, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,
                0x00, 0x04, 0x00, 0x35, 0x31, 0x32, 0x37, 0x2C, 0x01, 0x00, 0x00, 0x07, 0x00,
                0x21, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(esadecimale(file.substr(86 * 34)), esadecimale(atteso));
  // The 86 items before it are empty: 34 zero bytes each.
  EXPECT_EQ(file.substr(0, 86 * 34), std::string(86 * 34, '\0'));
}

TEST(CompiledFilesItems, EveryFieldInPlaceAndEmptyTextIsTwoZeroBytes) {
  std::array<oggetto, kItemCount> oggetti{};
  oggetti[0] = {0x11,   0x04030201, -2,     0x7F000000, 0xAB, "",   0x0102, -1,
                0x0304, 0x0506,     0x0708, 0xC1,       0xC2, 0xC3, 0xC4,   -0x12345678};
  const std::string file = serialize_items(oggetti);
  ASSERT_EQ(file.size(), 87 * 34u);
  const std::string atteso =
      bytes_di({0x11, 0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00,
                0x7F, 0xAB, 0x00, 0x00, 0x02, 0x01, 0xFF, 0xFF, 0x04, 0x03, 0x06, 0x05,
                0x08, 0x07, 0xC1, 0xC2, 0xC3, 0xC4, 0x88, 0xA9, 0xCB, 0xED});
  EXPECT_EQ(esadecimale(file.substr(0, 34)), esadecimale(atteso));
}

TEST(CompiledFilesItems, TextLengthIsBoundedByItsSixteenBitCount) {
  std::array<oggetto, kItemCount> oggetti{};
  oggetti[3].testo = std::string(65535, 'x');
  const std::string file = serialize_items(oggetti);
  EXPECT_EQ(file.size(), 87 * 34 + 65535u);
  EXPECT_EQ(file.substr(3 * 34 + 14, 2), bytes_di({0xFF, 0xFF}));

  // One byte more cannot be counted: refused rather than written with a
  // wrapped count that would misalign every record after it.
  oggetti[3].testo.push_back('x');
  EXPECT_THROW(serialize_items(oggetti), std::length_error);
}

TEST(CompiledFilesRoute, CellsAreWrittenByteForByte) {
  const struct {
    const char* caso;
    cella c;
    std::string atteso;
  } casi[] = {
      {"speed-indicator boards",
       {kSpeedBoards, 1800, 1900, 2000, 0, 0, 0, 0, 0, 0, 0},
       bytes_di({0x06, 0x08, 0x07, 0x6C, 0x07, 0xD0, 0x07, 0x00, 0x00, 0, 0, 0, 0, 0, 0})},
      {"every field distinct, negative values",
       {kSignal, -2, 0x0102, -32768, 32767, 1, 2, 3, 4, 5, 255},
       bytes_di({0x01, 0xFE, 0xFF, 0x02, 0x01, 0x00, 0x80, 0xFF, 0x7F, 1, 2, 3, 4, 5, 0xFF})},
  };
  for (const auto& caso : casi) {
    EXPECT_EQ(esadecimale(serialize_route({caso.c})), esadecimale(caso.atteso)) << caso.caso;
  }
}

TEST(CompiledFilesSizes, RouteFileFollowsTheLineLength) {
  const struct {
    Long lunghezza;
    std::size_t byte;
  } casi[] = {{0, 2115}, {162000, 50715}};
  for (const auto& caso : casi) {
    RouteModel m;
    m.create_cells(caso.lunghezza);
    EXPECT_EQ(serialize_route(m.percorso).size(), caso.byte) << caso.lunghezza;
  }
  EXPECT_EQ(serialize_items(RouteModel{}.oggetti).size(), 87 * 34u);
  EXPECT_EQ(serialize_track_plan(TrackPlan{}), "") << "no plan, no bytes";
}

TEST(CompiledFilesSizes, TrackPlanOfAStraightLine) {
  RouteModel m;
  m.scrivi_linea = 1;
  m.create_cells(162000);
  traccia_rettilineo(m);
  const std::string file = serialize_track_plan(m.tracciato);
  ASSERT_EQ(file.size(), 3379964u);

  const std::size_t meta = file.size() / 2;
  // x: the integers 0 and 0, then Doubles from x(2) = 0.0; two empty values at the end.
  EXPECT_EQ(esadecimale(file.substr(0, 18)),
            esadecimale(bytes_di({2, 0, 0, 0, 2, 0, 0, 0, 5, 0}) + doppio_le(0.0)));
  EXPECT_EQ(file.substr(meta - 14, 14), bytes_di({5, 0}) + doppio_le(0.0) + bytes_di({0, 0, 0, 0}));
  // y: the integers 0 and 1, then 2.0 up to y(168998) = 168998.0, then two empty values.
  EXPECT_EQ(esadecimale(file.substr(meta, 18)),
            esadecimale(bytes_di({2, 0, 0, 0, 2, 0, 1, 0, 5, 0}) + doppio_le(2.0)));
  EXPECT_EQ(esadecimale(file.substr(file.size() - 14)),
            esadecimale(bytes_di({5, 0}) + doppio_le(168998.0) + bytes_di({0, 0, 0, 0})));

  std::vector<TrackValue> x, y;
  FormatError err;
  ASSERT_TRUE(decode_track_plan(file, &x, &y, &err)) << err.reason;
  EXPECT_TRUE(stessi_bit(x, m.tracciato.coordinate(0)));
  EXPECT_TRUE(stessi_bit(y, m.tracciato.coordinate(1)));
}

TEST(CompiledFilesRoundTrip, RouteReadsBackUnchanged) {
  RouteModel m;
  m.create_cells(0);
  m.percorso.at(1) = {kSignal, 5121, -7, 32767, -32768, 9, 81, 2, 30, 93, 255};
  m.percorso.at(140) = {kSign, 80, 0, 0, 0, 0, 0, 0, 0, 100, 1};
  std::vector<cella> letto;
  FormatError err;
  ASSERT_TRUE(decode_route(serialize_route(m.percorso), &letto, &err)) << err.reason;
  EXPECT_EQ(letto, m.percorso);

  ASSERT_TRUE(decode_route("", &letto, &err));
  EXPECT_TRUE(letto.empty());
}

TEST(CompiledFilesRoundTrip, ItemsReadBackUnchanged) {
  const auto oggetti = oggetti_vari();
  std::array<oggetto, kItemCount> letto{};
  FormatError err;
  ASSERT_TRUE(decode_items(serialize_items(oggetti), &letto, &err)) << err.reason;
  EXPECT_EQ(letto, oggetti);
  EXPECT_EQ(letto[40].testo.size(), 3u) << "a NUL inside a text is kept";
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
  EXPECT_TRUE(stessi_bit(x, t.coordinate(0)));
  EXPECT_TRUE(stessi_bit(y, t.coordinate(1)));
  ASSERT_EQ(x.size(), 7u);
  EXPECT_EQ(x[5].type, TrackValueType::kEmpty);
}

enum class File { kPercorso, kOggetti, kTracciato };

// Decodes `bytes` as `file`; the decoded content is of no interest here.
bool decodifica(File file, std::string_view bytes, FormatError* err) {
  switch (file) {
    case File::kPercorso: {
      std::vector<cella> c;
      return decode_route(bytes, &c, err);
    }
    case File::kOggetti: {
      std::array<oggetto, kItemCount> o{};
      return decode_items(bytes, &o, err);
    }
    case File::kTracciato: {
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
  std::array<oggetto, kItemCount> oggetti{};
  oggetti[0].testo = "ab";
  const std::string sim = serialize_items(oggetti);
  ASSERT_EQ(sim.size(), 36 + 86 * 34u);

  const struct {
    const char* caso;
    File file;
    std::string bytes;
    std::size_t record;
    std::size_t offset;
    const char* motivo;
  } casi[] = {
      {"route: less than one record", File::kPercorso, std::string(14, '\0'), 0, 0,
       "size 14 is not a multiple of 15: the last record has 14 bytes"},
      {"route: three records and a part", File::kPercorso, std::string(52, '\0'), 3, 45,
       "size 52 is not a multiple of 15: the last record has 7 bytes"},
      {"items: empty file", File::kOggetti, "", 0, 0,
       "file cut short in genere: 1 byte needed, 0 left"},
      {"items: text count cut short", File::kOggetti, sim.substr(0, 15), 0, 14,
       "file cut short in text length: 2 bytes needed, 1 left"},
      {"items: text runs past the end", File::kOggetti, sim.substr(0, 17), 0, 16,
       "file cut short in testo: 2 bytes needed, 1 left"},
      {"items: only 86 records", File::kOggetti, sim.substr(0, sim.size() - 34), 86,
       sim.size() - 34, "file cut short in genere: 1 byte needed, 0 left"},
      {"items: last byte missing", File::kOggetti, sim.substr(0, sim.size() - 1), 86,
       sim.size() - 4, "file cut short in valore_d: 4 bytes needed, 3 left"},
      {"items: a byte after the last record", File::kOggetti, sim + '\0', 87, sim.size(),
       "1 byte after the last of the 87 records"},
      {"track plan: type code cut short", File::kTracciato, bytes_di({2}), 0, 0,
       "file cut short in type code: 2 bytes needed, 1 left"},
      {"track plan: unknown type code", File::kTracciato, bytes_di({2, 0, 0, 0, 3, 0, 0, 0}), 1, 4,
       "unknown type code 3"},
      {"track plan: type code in the wrong byte order", File::kTracciato, bytes_di({0, 5}), 0, 0,
       "unknown type code 1280"},
      {"track plan: integer cut short", File::kTracciato, bytes_di({2, 0, 1}), 0, 2,
       "file cut short in integer value: 2 bytes needed, 1 left"},
      {"track plan: Double cut short", File::kTracciato,
       bytes_di({0, 0, 5, 0}) + doppio_le(1.0).substr(0, 7), 1, 4,
       "file cut short in Double value: 8 bytes needed, 7 left"},
      {"track plan: odd number of values", File::kTracciato, bytes_di({0, 0, 0, 0, 2, 0, 9, 0}), 3,
       8, "an odd number of values (3) cannot be split into x and y"},
  };
  for (const auto& caso : casi) {
    FormatError err;
    EXPECT_FALSE(decodifica(caso.file, caso.bytes, &err)) << caso.caso;
    EXPECT_EQ(err.record, caso.record) << caso.caso;
    EXPECT_EQ(err.offset, caso.offset) << caso.caso;
    EXPECT_EQ(err.reason, caso.reason) << caso.caso;
  }
}

TEST(CompiledFilesDecoders, EveryCutOfAGoodFileIsRefusedAndLeavesTheOutputAlone) {
  const std::string sim = serialize_items(oggetti_vari());
  std::array<oggetto, kItemCount> sentinella{};
  sentinella[0].testo = "untouched";
  for (std::size_t n = 0; n < sim.size(); ++n) {
    auto out = sentinella;
    FormatError err;
    ASSERT_FALSE(decode_items(std::string_view(sim).substr(0, n), &out, &err)) << n;
    EXPECT_LE(err.offset, n);
    EXPECT_EQ(out, sentinella) << n;
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
  std::uint32_t stato = 12345;
  auto prossimo = [&stato] {
    stato = stato * 1103515245u + 12345u;
    return static_cast<int>((stato >> 16) & 0xFF);
  };
  for (int prova = 0; prova < 3000; ++prova) {
    std::string bytes;
    const int n = prossimo() * 16 + prossimo() % 16;
    for (int i = 0; i < n; ++i) {
      const int b = prossimo();
      bytes.push_back(static_cast<char>(b < 96 ? 0 : b < 160 ? 2 : b < 200 ? 5 : b));
    }
    for (File file : {File::kPercorso, File::kOggetti, File::kTracciato}) {
      FormatError err;
      if (!decodifica(file, bytes, &err)) {
        EXPECT_LE(err.offset, bytes.size());
        EXPECT_FALSE(err.reason.empty());
      }
    }
  }
}

// ---- Files written in pieces ----

// Pieces smaller than the program's, so that small files come in several.
constexpr std::size_t kPezzoDiProva = std::size_t{1} << 16;

// The pieces of a file, checked to cover it once each and joined.
struct Pieces {
  std::vector<std::pair<std::uint64_t, std::string>> pezzi;

  std::function<void(std::uint64_t, std::string_view)> raccogli() {
    return [this](std::uint64_t posizione, std::string_view pezzo) {
      EXPECT_LE(pezzo.size(), kPezzoDiProva);
      pezzi.emplace_back(posizione, std::string(pezzo));
    };
  }
  // The file, when the pieces follow each other without gap or overlap once
  // sorted by position; "" otherwise (with a failure).
  std::string file() const {
    auto ordinati = pezzi;
    std::sort(ordinati.begin(), ordinati.end());
    std::string s;
    for (const auto& [posizione, byte] : ordinati) {
      if (posizione != s.size()) {
        ADD_FAILURE() << "piece at " << posizione << " after " << s.size() << " bytes";
        return "";
      }
      s += byte;
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
  serialize_track_plan(t, p.raccogli(), kPezzoDiProva);
  EXPECT_GT(p.pezzi.size(), 6u);
  const std::string file = p.file();
  EXPECT_EQ(file, serialize_track_plan(t));
  EXPECT_EQ(file.size(), track_plan_size(t));
  std::vector<TrackValue> x, y;
  FormatError err;
  ASSERT_TRUE(decode_track_plan(file, &x, &y, &err)) << err.reason;
  EXPECT_TRUE(stessi_bit(x, t.coordinate(0)));
  EXPECT_TRUE(stessi_bit(y, t.coordinate(1)));

  Pieces nessuno;
  serialize_track_plan(TrackPlan{}, nessuno.raccogli());
  EXPECT_TRUE(nessuno.pezzi.empty()) << "no plan, no pieces";
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
  serialize_route(m.percorso, p.raccogli(), kPezzoDiProva);
  EXPECT_EQ(p.pezzi.size(), 3u);
  const std::string file = p.file();
  EXPECT_EQ(file.size(), m.percorso.size() * kCellRecordBytes);
  std::vector<cella> letto;
  FormatError err;
  ASSERT_TRUE(decode_route(file, &letto, &err)) << err.reason;
  EXPECT_EQ(letto, m.percorso);
}

}  // namespace
}  // namespace sb
