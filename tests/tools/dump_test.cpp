#include "tools/dump.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "compiler/compiled_files.h"
#include "support/memory_file_system.h"
#include "support/track_steps.h"
#include "tools/commands.h"

namespace sb {
namespace {

using nlohmann::json;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// ---- Fixtures: small models serialised in memory ----

std::vector<cella> small_route() {
  std::vector<cella> p(3);
  p[0] = {kFree, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0};
  p[1] = {kSignal, 5121, -7, 32767, -32768, 9, 81, 2, 30, 93, 255};
  p[2] = {kSign, 80, 0, 0, 0, 0, 0, 0, 24, 112, 1};
  return p;
}

std::array<oggetto, kItemCount> small_items() {
  std::array<oggetto, kItemCount> o{};
  o[1] = {2, 1200, 1600, 1400, 1, "Citt\xE0 Alta", 3, 4, 5, 6, 7, 8, 9, 10, 11, 25200};
  o[80].testo = "P.L. \"km 3\" \\ \x01\x80";
  o[84].valore_b = 162000;
  o[85] = {0, 0, 0, 0, 0, "BORGOLUCE", 610, 0, 0, 0, 0, 0, 0, 0, 0, -2147483647 - 1};
  o[86].testo = "5127";
  return o;
}

TrackPlan small_track_plan() {
  TrackPlan t;
  t.allocate(4);
  t.set_integer(0, 0, 0);
  t.set_integer(1, -5, 1);
  t.set_double(2, -0.0, 0.1);
  // Point 3 stays empty; point 4 carries values JSON cannot hold as numbers.
  t.set_double(4, std::numeric_limits<double>::infinity(),
               std::numeric_limits<double>::quiet_NaN());
  return t;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> r;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) r.push_back(l);
  return r;
}

std::string described(CompiledFileKind g, const std::string& bytes, bool json) {
  std::string out;
  FormatError err;
  EXPECT_TRUE(describe_file(g, bytes, json, &out, &err)) << err.reason;
  return out;
}

// ---- Names ----

TEST(DumpNames, KindComesFromTheLastComponentOfTheName) {
  const struct {
    const char* path;
    std::optional<CompiledFileKind> expected;
  } cases[] = {
      {"BORGOLUCE_linea.dat", CompiledFileKind::kTrackPlan},
      {"out/BORGOLUCE_5127.sim", CompiledFileKind::kItems},
      {"C:\\sim\\BORGOLUCE_5127.DAT", CompiledFileKind::kRoute},
      {"BORGOLUCE_LINEA.Dat", CompiledFileKind::kTrackPlan},
      {"linea.dat", CompiledFileKind::kRoute},  // no "_": not a track plan name
      {"x_linea.dat/BORGOLUCE_5127.sim", CompiledFileKind::kItems},
      {"BORGOLUCE_5127.dat.bak", std::nullopt},
      {"BORGOLUCE_linea.txt", std::nullopt},
      {"sim", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(compiled_file_kind(c.path), c.expected) << c.path;
}

// ---- Texts and numbers ----

TEST(DumpText, Windows1252BytesMapToTheirCodePoints) {
  const struct {
    unsigned char byte;
    char32_t code;
  } cases[] = {
      {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081},
      {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x92, 0x2019},
      {0x96, 0x2013}, {0x99, 0x2122}, {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0},
      {0xE0, 0x00E0}, {0xFF, 0x00FF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::uint32_t{cp1252_code_point(c.byte)}, std::uint32_t{c.code})
        << std::hex << int{c.byte};
  }
  EXPECT_EQ(utf8_from_cp1252("Citt\xE0 \x80 5\x96"
                             "6 \x99 \xFF"),
            "Citt\xC3\xA0 \xE2\x82\xAC 5\xE2\x80\x93"
            "6 \xE2\x84\xA2 \xC3\xBF");
  EXPECT_EQ(utf8_from_cp1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(DumpText, DoublesReadBackExactlyAndLookLikeDoubles) {
  const struct {
    double v;
    const char* expected;
  } cases[] = {
      {0.0, "0.0"},   {-0.0, "-0.0"},
      {1.0, "1.0"},   {168998.0, "168998.0"},
      {0.1, "0.1"},   {1e300, "1e+300"},
      {-2.5, "-2.5"}, {std::numeric_limits<double>::infinity(), "inf"},
  };
  for (const auto& c : cases) EXPECT_EQ(exact_number(c.v), c.expected);

  const double hard[] = {0.1 + 0.2,
                         1.0 / 3,
                         5e-324,
                         std::numeric_limits<double>::max(),
                         -1234.5678901234567,
                         2.2250738585072014e-308};
  for (const double v : hard) {
    const std::string s = exact_number(v);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(s.c_str(), nullptr)),
              std::bit_cast<std::uint64_t>(v))
        << s;
  }
}

// ---- Tables ----

TEST(DumpTable, RouteHasNamedColumnsAndOneAlignedRowPerCell) {
  const auto r =
      lines_of(described(CompiledFileKind::kRoute, serialize_route(small_route()), false));
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0],
            "cella  genere  dato1  dato2  dato3   dato4  tempo_segnale  avviso  montagna  "
            "velocita  pendenza  aderenza");
  EXPECT_EQ(r[2],
            "    1       1   5121     -7  32767  -32768              9      81         2  "
            "      30        93       255");
  EXPECT_EQ(r[3],
            "    2      14     80      0      0       0              0       0         0  "
            "      24       112         1");
}

TEST(DumpTable, ItemTextsAreQuotedEscapedAndAlignedByCharacter) {
  const auto r =
      lines_of(described(CompiledFileKind::kItems, serialize_items(small_items()), false));
  ASSERT_EQ(r.size(), 88u);
  EXPECT_THAT(r[0], StartsWith("oggetto  genere  valore_a  valore_b  valore_c  opzione  testo"));
  EXPECT_THAT(r[0], HasSubstr("parametro5  marca1  marca2  marca3  marca4     valore_d"));
  EXPECT_THAT(r[2], StartsWith("      1       2      1200      1600      1400        1  "
                               "\"Citt\xC3\xA0 Alta\""));
  EXPECT_THAT(r[81], HasSubstr("\"P.L. \\\"km 3\\\" \\\\ \\x01\xE2\x82\xAC\""));
  EXPECT_THAT(r[86], HasSubstr("\"BORGOLUCE\""));
  EXPECT_THAT(r[86], EndsWith("-2147483648"));

  // Every row is as wide as the header, counted in characters: a text with
  // a two-byte character does not push the columns after it.
  const auto characters = [](const std::string& s) {
    std::size_t n = 0;
    for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  for (std::size_t i = 1; i < r.size(); ++i) EXPECT_EQ(characters(r[i]), characters(r[0])) << i;
}

TEST(DumpTable, TrackPlanRowsShowEachValueWithItsTag) {
  const auto r = lines_of(
      described(CompiledFileKind::kTrackPlan, serialize_track_plan(small_track_plan()), false));
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(r[0], "metro  tipo_x     x  tipo_y    y");
  EXPECT_EQ(r[1], "    0  intero     0  intero    0");
  EXPECT_EQ(r[2], "    1  intero    -5  intero    1");
  EXPECT_EQ(r[3], "    2  doppio  -0.0  doppio  0.1");
  EXPECT_EQ(r[4], "    3  vuoto      -  vuoto     -");
  EXPECT_EQ(r[5], "    4  doppio   inf  doppio  nan");
}

TEST(DumpTable, EmptyRouteIsJustTheHeader) {
  EXPECT_EQ(lines_of(described(CompiledFileKind::kRoute, "", false)).size(), 1u);
  EXPECT_EQ(described(CompiledFileKind::kRoute, "", true),
            "{\"kind\": \"route\", \"records\": []}\n");
}

// ---- JSON: the round trip from model to file to dump to model ----

TEST(DumpJson, RouteReadsBackFieldForField) {
  const std::vector<cella> p = small_route();
  const json j = json::parse(described(CompiledFileKind::kRoute, serialize_route(p), true));
  EXPECT_EQ(j.at("kind"), "route");
  const json& rec = j.at("records");
  ASSERT_EQ(rec.size(), p.size());
  for (std::size_t i = 0; i < p.size(); ++i) {
    const json& r = rec.at(i);
    EXPECT_EQ(r.size(), 12u);
    EXPECT_EQ(r.at("cella"), i);
    const cella read_back{r.at("genere"),   r.at("dato1"),    r.at("dato2"),
                          r.at("dato3"),    r.at("dato4"),    r.at("tempo_segnale"),
                          r.at("avviso"),   r.at("montagna"), r.at("velocita"),
                          r.at("pendenza"), r.at("aderenza")};
    EXPECT_EQ(read_back, p.at(i)) << i;
  }
}

TEST(DumpJson, ItemsReadBackWithTextsInUtf8) {
  const auto o = small_items();
  const json j = json::parse(described(CompiledFileKind::kItems, serialize_items(o), true));
  EXPECT_EQ(j.at("kind"), "items");
  const json& rec = j.at("records");
  ASSERT_EQ(rec.size(), 87u);
  for (std::size_t i = 0; i < rec.size(); ++i) {
    const json& r = rec.at(i);
    const oggetto& item = o.at(i);
    EXPECT_EQ(r.at("oggetto"), i);
    const oggetto read_back{
        r.at("genere"),     r.at("valore_a"),   r.at("valore_b"),   r.at("valore_c"),
        r.at("opzione"),    item.testo,         r.at("parametro1"), r.at("parametro2"),
        r.at("parametro3"), r.at("parametro4"), r.at("parametro5"), r.at("marca1"),
        r.at("marca2"),     r.at("marca3"),     r.at("marca4"),     r.at("valore_d")};
    EXPECT_EQ(read_back, item) << i;
  }
  EXPECT_EQ(rec.at(1).at("testo"), "Citt\xC3\xA0 Alta");
  EXPECT_EQ(rec.at(80).at("testo"), "P.L. \"km 3\" \\ \x01\xE2\x82\xAC");
  EXPECT_EQ(rec.at(85).at("testo"), "BORGOLUCE");
  EXPECT_EQ(rec.at(0).at("testo"), "");
}

TEST(DumpJson, TrackPlanKeepsTagsAndExactDoubles) {
  const TrackPlan t = small_track_plan();
  const json j =
      json::parse(described(CompiledFileKind::kTrackPlan, serialize_track_plan(t), true));
  EXPECT_EQ(j.at("kind"), "track_plan");
  const json& rec = j.at("records");
  ASSERT_EQ(rec.size(), 5u);
  const std::map<std::string, TrackValueType> types = {{"vuoto", TrackValueType::kEmpty},
                                                       {"intero", TrackValueType::kInteger},
                                                       {"doppio", TrackValueType::kDouble}};
  // The value back from JSON: a number, null, or the name of a non-finite Double.
  const auto value_of = [](const json& v) {
    if (v.is_null()) return 0.0;
    if (v.is_string()) {
      if (v == "Infinity") return std::numeric_limits<double>::infinity();
      if (v == "-Infinity") return -std::numeric_limits<double>::infinity();
      if (v == "NaN") return std::numeric_limits<double>::quiet_NaN();
      ADD_FAILURE() << v;
    }
    return v.get<double>();
  };
  for (Long m = 0; m <= 4; ++m) {
    const json& r = rec.at(static_cast<std::size_t>(m));
    EXPECT_EQ(r.at("metro"), m);
    const auto point = testing::point_at(t, m);
    for (const auto& [type_key, key, expected] :
         {std::tuple{"tipo_x", "x", point.x}, std::tuple{"tipo_y", "y", point.y}}) {
      EXPECT_EQ(types.at(r.at(type_key).get<std::string>()), expected.type) << m << key;
      const double v = value_of(r.at(key));
      if (std::isnan(expected.value)) {
        EXPECT_TRUE(std::isnan(v)) << m << key;
      } else {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(v), std::bit_cast<std::uint64_t>(expected.value))
            << m << key;
      }
    }
  }
  EXPECT_TRUE(rec.at(3).at("x").is_null());
  EXPECT_TRUE(rec.at(2).at("x").is_number_float()) << "-0.0 keeps its sign";
}

// ---- Refused files ----

TEST(DumpRefusals, CutShortAndPaddedFilesNameTheRecordAndOffset) {
  const std::string route = serialize_route(small_route());
  const std::string items = serialize_items(small_items());
  const std::string track_plan = serialize_track_plan(small_track_plan());
  const std::size_t last_item = items.size() - (34 + 4);  // item 86, text "5127"
  const struct {
    const char* name;
    CompiledFileKind kind;
    std::string bytes;
    std::size_t record;
    std::size_t offset;
  } cases[] = {
      {"route cut short", CompiledFileKind::kRoute, route.substr(0, 44), 2, 30},
      {"route padded", CompiledFileKind::kRoute, route + "x", 3, 45},
      {"items cut short in valore_d", CompiledFileKind::kItems, items.substr(0, items.size() - 1),
       86, last_item + 34 + 4 - 4},
      {"items without the last record", CompiledFileKind::kItems, items.substr(0, last_item), 86,
       last_item},
      {"items padded", CompiledFileKind::kItems, items + std::string(2, '\0'), 87, items.size()},
      {"track plan cut short in a Double", CompiledFileKind::kTrackPlan,
       track_plan.substr(0, track_plan.size() - 1), 9, track_plan.size() - 8},
      {"track plan padded with half a type code", CompiledFileKind::kTrackPlan, track_plan + "\x05",
       10, track_plan.size()},
      {"track plan padded with one more value", CompiledFileKind::kTrackPlan,
       track_plan + std::string(2, '\0'), 11, track_plan.size() + 2},
  };
  for (const auto& c : cases) {
    std::string out = "untouched";
    FormatError err;
    EXPECT_FALSE(describe_file(c.kind, c.bytes, false, &out, &err)) << c.name;
    EXPECT_EQ(out, "untouched") << c.name;
    EXPECT_EQ(err.record, c.record) << c.name << ": " << err.reason;
    EXPECT_EQ(err.offset, c.offset) << c.name << ": " << err.reason;
    EXPECT_FALSE(err.reason.empty()) << c.name;
  }
}

TEST(DumpRefusals, MessageNamesFileKindRecordOffsetAndReason) {
  EXPECT_EQ(refusal_message("out/X_1.sim", CompiledFileKind::kItems,
                            FormatError{86, 2964, "file cut short in valore_d"}),
            "out/X_1.sim: not a valid item file: record 86, byte offset 2964: file cut short in "
            "valore_d");
}

// ---- The subcommand ----

struct DumpCommandTest : ::testing::Test {
  testing::MemoryFileSystem files;
  std::ostringstream out;
  std::ostringstream err;
  Environment env{files, out, err};

  int dump(const std::string& file, bool json = false) {
    return dump_command(DumpOptions{file, json}, env);
  }
};

TEST_F(DumpCommandTest, PrintsTheTableOrTheJson) {
  files.files["d/X_1.dat"] = serialize_route(small_route());
  EXPECT_EQ(dump("d/X_1.dat"), exit_status::kOk);
  EXPECT_EQ(out.str(), readable_route_table(small_route(), nullptr, {}))
      << "a route file is shown for people";
  EXPECT_EQ(err.str(), "");

  out.str("");
  files.files["d/X_linea.dat"] = serialize_track_plan(small_track_plan());
  EXPECT_EQ(dump("d/X_linea.dat", true), exit_status::kOk);
  EXPECT_EQ(json::parse(out.str()).at("kind"), "track_plan");
}

TEST_F(DumpCommandTest, RefusedFileIsAnErrorNamingFileRecordAndOffset) {
  files.files["X_1.dat"] = serialize_route(small_route()) + "x";
  EXPECT_EQ(dump("X_1.dat"), exit_status::kScenarioErrors);
  EXPECT_EQ(out.str(), "");
  EXPECT_THAT(err.str(), StartsWith("scenario-builder dump: X_1.dat: not a valid route file: "
                                    "record 3, byte offset 45: "));
}

TEST_F(DumpCommandTest, UnreadableFileGivesTheReason) {
  EXPECT_EQ(dump("missing/X_1.sim"), exit_status::kScenarioErrors);
  EXPECT_EQ(err.str(),
            "scenario-builder dump: cannot read missing/X_1.sim: No such file or directory\n");
}

TEST_F(DumpCommandTest, UnknownNameIsAUsageError) {
  files.files["X_1.txt"] = "";
  EXPECT_EQ(dump("X_1.txt"), exit_status::kUsage);
  EXPECT_THAT(err.str(), HasSubstr("X_1.txt: not the name of a compiled file"));
  EXPECT_THAT(err.str(), HasSubstr("Usage: scenario-builder dump FILE [--json]"));
  EXPECT_TRUE(files.log.empty()) << "nothing is read";
}

TEST_F(DumpCommandTest, CommandLineReachesTheSubcommand) {
  files.files["X_1.sim"] = serialize_items(small_items());
  const char* argv[] = {"scenario-builder", "dump", "X_1.sim", "--json"};
  EXPECT_EQ(run_tool(4, argv, env), exit_status::kOk);
  EXPECT_EQ(json::parse(out.str()).at("records").size(), 87u);
}

}  // namespace
}  // namespace sb
