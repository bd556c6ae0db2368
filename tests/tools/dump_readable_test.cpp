// The route dump for people: kilometres, kind names, values in the author's
// units, the filters, and JSON that carries both the raw and the decoded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/cell_kinds.h"
#include "compiler/compiled_files.h"
#include "support/memory_file_system.h"
#include "tools/commands.h"
#include "tools/dump.h"

namespace sb {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

// Cells 0 to 9 at 95 km/h and +3 per mille; a signal in cell 3 (at 100 m),
// a sign naming item 80 in cell 5, a station end for item 1 in cell 6, the
// speed falling to 60 km/h from cell 8.
struct Scenario {
  std::vector<cella> percorso;
  std::array<oggetto, kItemCount> oggetti{};

  Scenario() : percorso(10) {
    for (cella& c : percorso) {
      c.velocita = 19;
      c.pendenza = 103;
      c.aderenza = 85;
    }
    percorso[3] = {kSignal, 22, 31, 11, 18, 0, 0, 0, 19, 103, 85};
    percorso[5] = {kSign, 80, 0, 0, 0, 0, 0, 0, 19, 103, 85};
    percorso[6] = {kStationEnd, 1, 0, 0, 0, 0, 0, 0, 19, 103, 85};
    percorso[8].velocita = percorso[9].velocita = 12;
    oggetti[1] = {7, 0, 350, 100, 0, "CITT\xC0 ALTA  ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 27300};
    oggetti[80].testo = "(Galleria)";
  }
};

std::vector<std::string> lines(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

TEST(ReadableDump, EveryRowHasItsKilometreKindAndValuesInUnits) {
  const Scenario s;
  const auto r = lines(readable_route_table(s.percorso, &s.oggetti, {}));
  ASSERT_EQ(r.size(), 11u);
  EXPECT_THAT(r[0], HasSubstr("cella"));
  EXPECT_THAT(r[0], HasSubstr("km"));
  EXPECT_THAT(r[1], HasSubstr("0+000  free cell"));
  EXPECT_THAT(r[1], HasSubstr("95 km/h"));
  EXPECT_THAT(r[1], HasSubstr("3 \u2030"));
  // A signal stands one cell before the one it is stored in.
  EXPECT_THAT(r[4], HasSubstr("0+100  signal"));
  EXPECT_THAT(r[4], HasSubstr("sx 2, s1 2, s2 3, s3 1, rapp 1, dx 2, d1 2, d2 1, d3 1"));
  EXPECT_THAT(r[6], HasSubstr("text \"(Galleria)\""));
  EXPECT_THAT(r[7], HasSubstr("station \"CITT\u00C0 ALTA\", time 07:35:00"));
  EXPECT_THAT(r[9], HasSubstr("60 km/h"));

  // Without the item file, the item numbers only.
  const auto bare = lines(readable_route_table(s.percorso, nullptr, {}));
  EXPECT_THAT(bare[6], HasSubstr("item 80"));
  EXPECT_THAT(bare[6], Not(HasSubstr("Galleria")));
}

TEST(ReadableDump, FiltersByKindRangeAndChanges) {
  const Scenario s;
  const auto cells = [&](const CellFilter& f) {
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < s.percorso.size(); ++i) {
      if (f.keeps(s.percorso, i)) kept.push_back(i);
    }
    return kept;
  };
  using V = std::vector<std::size_t>;
  EXPECT_EQ(cells({.kind = kSignal}), V({3}));
  EXPECT_EQ(cells({.from = 100, .to = 250}), V({2, 3, 4, 5}))
      << "by where each element stands: the signal of cell 3 at 100 m, the sign of cell 5 at "
         "200 m, the station end of cell 6 at 350 m";
  EXPECT_EQ(cells({.changes = true}), V({0, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(cells({.kind = kFree, .from = 300, .changes = true}), V({7, 8}));
  const auto none = lines(readable_route_table(s.percorso, &s.oggetti, {.kind = kMark}));
  ASSERT_EQ(none.size(), 1u) << "no cell: the header alone";
  EXPECT_THAT(none[0], ::testing::StartsWith("cella"));

  EXPECT_EQ(kind_named("signal"), Byte{kSignal});
  EXPECT_EQ(kind_named("speed indicator boards"), Byte{kSpeedBoards});
  EXPECT_EQ(kind_named("14"), Byte{kSign});
  EXPECT_FALSE(kind_named("signals"));
  EXPECT_FALSE(kind_named("256"));
  EXPECT_FALSE(kind_named("1x"));
}

TEST(ReadableDump, JsonCarriesTheRawFieldsAndTheDecodedValues) {
  const Scenario s;
  const json j = json::parse(readable_route_json(s.percorso, &s.oggetti, {.from = 100, .to = 350}));
  ASSERT_EQ(j.at("records").size(), 6u) << "cells 2 to 7";
  const json& signal = j.at("records").at(1);
  EXPECT_EQ(signal.at("cella"), 3);
  EXPECT_EQ(signal.at("genere"), kSignal);
  EXPECT_EQ(signal.at("dato4"), 18);
  EXPECT_EQ(signal.at("velocita"), 19);
  EXPECT_EQ(signal.at("speed_kmh"), 95);
  EXPECT_EQ(signal.at("pendenza"), 103);
  EXPECT_EQ(signal.at("gradient_per_mille"), 3);
  EXPECT_EQ(signal.at("km"), "0+100");
  EXPECT_EQ(signal.at("metre"), 100.0);
  EXPECT_EQ(signal.at("kind_name"), "signal");
  EXPECT_EQ(signal.at("values").at("rapp"), 1);
  const json& station = j.at("records").at(4);
  EXPECT_EQ(station.at("values").at("station"), "CITT\u00C0 ALTA");
  EXPECT_EQ(station.at("values").at("time"), "07:35:00");
  EXPECT_TRUE(json::parse(readable_route_json({}, nullptr, {})).at("records").empty());
}

struct ReadableDumpCommand : ::testing::Test {
  testing::MemoryFileSystem files;
  std::ostringstream out;
  std::ostringstream err;
  Environment env{files, out, err};
  Scenario s;

  int run(std::vector<const char*> args) {
    args.insert(args.begin(), {"scenario-builder", "dump"});
    return run_tool(static_cast<int>(args.size()), args.data(), env);
  }
};

TEST_F(ReadableDumpCommand, ReadsTheItemFileBesideTheRouteAndTakesTheFilters) {
  files.files["d/X_1.dat"] = serialize_route(s.percorso);
  files.files["d/X_1.sim"] = serialize_items(s.oggetti);
  EXPECT_EQ(run({"d/X_1.dat", "--kind", "sign", "--from", "0.1", "--to", "0.2"}), exit_status::kOk);
  EXPECT_EQ(lines(out.str()).size(), 2u);
  EXPECT_THAT(out.str(), HasSubstr("(Galleria)"));
  EXPECT_EQ(err.str(), "");

  out.str("");
  EXPECT_EQ(run({"d/X_1.dat", "--raw"}), exit_status::kOk);
  EXPECT_EQ(out.str(), route_table(s.percorso));
}

TEST_F(ReadableDumpCommand, RefusalsAndUsageErrors) {
  files.files["d/X_1.dat"] = serialize_route(s.percorso);
  files.files["d/X_1.sim"] = serialize_items(s.oggetti).substr(0, 40);
  EXPECT_EQ(run({"d/X_1.dat"}), exit_status::kScenarioErrors);
  EXPECT_THAT(err.str(), HasSubstr("d/X_1.sim: not a valid item file: record 1, byte offset 39"));

  for (const char* raw : {"--raw", "--changes"}) {
    err.str("");
    files.files["e/X_1.dat"] = "";
    EXPECT_EQ(run({"e/X_1.dat", raw}), exit_status::kScenarioErrors);
    EXPECT_THAT(err.str(), HasSubstr("e/X_1.dat: not a valid route file: record 0, byte offset 0: "
                                     "the file is empty"));
  }

  err.str("");
  EXPECT_EQ(run({"d/X_1.dat", "--kind", "tunnel"}), exit_status::kUsage);
  EXPECT_THAT(err.str(), HasSubstr("no such kind"));
  EXPECT_THAT(err.str(), HasSubstr("\"signal\""));

  err.str("");
  files.files["d/X_1.sim"] = serialize_items(s.oggetti);
  EXPECT_EQ(run({"d/X_1.sim", "--changes"}), exit_status::kUsage);
  EXPECT_THAT(err.str(), HasSubstr("do not apply to item file"));
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace sb
