// `diff`: what changed between two compiled scenarios, in an author's words.
#include "tools/diff.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/cell_kinds.h"
#include "compiler/compiled_files.h"
#include "sources/line_source.h"
#include "sources/train_source.h"
#include "support/memory_file_system.h"
#include "tools/commands.h"

namespace sb {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// 200 cells at 95 km/h, a station at 1+000, a signal at 3+000, a sign naming
// item 80, a small track plan, check codes set.
CompiledScenario base() {
  CompiledScenario s;
  s.percorso.resize(200);
  for (cella& c : s.percorso) {
    c.velocita = 19;
    c.pendenza = 100;
    c.aderenza = 85;
  }
  s.percorso[1].dato1 = 5121;
  s.percorso[1].dato2 = 2401;
  s.percorso[61].genere = kSignal;
  s.percorso[61].dato1 = 22;
  s.percorso[100].genere = kSign;
  s.percorso[100].dato1 = 80;
  s.oggetti[1] = {7, 800, 1200, 1000, 0, "CASCINE ROSSE", 0, 0, 0, 0, 0, 0, 0, 0, 0, 27300};
  s.oggetti[80].testo = "(Galleria)";
  s.oggetti[84].valore_b = 3000;
  s.oggetti[85].valore_d = 33306;
  TrackPlan t;
  t.allocate(5);
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  t.add_straight(2, 5);
  s.track_plan = serialize_track_plan(t);
  return s;
}

std::vector<std::string> texts(const std::vector<Difference>& d) {
  std::vector<std::string> v;
  for (const Difference& x : d) v.push_back(x.text);
  return v;
}

TEST(Diff, TheSameScenarioHasNoDifference) {
  EXPECT_THAT(compare_scenarios(base(), base()), IsEmpty());
  const json j = json::parse(differences_json({}));
  EXPECT_EQ(j.at("same"), true);
  EXPECT_TRUE(j.at("differences").empty());
}

TEST(Diff, EachKindOfChangeInAnAuthorsWords) {
  const struct {
    const char* what;
    void (*edit)(CompiledScenario&);
    const char* text;
  } cases[] = {
      {"station moved",
       [](CompiledScenario& s) {
         s.oggetti[1].valore_a += 200;
         s.oggetti[1].valore_b += 200;
         s.oggetti[1].valore_c += 200;
       },
       "station CASCINE ROSSE moved from 1+000 to 1+200"},
      {"station time", [](CompiledScenario& s) { s.oggetti[1].valore_d += 90; },
       "station CASCINE ROSSE time 07:35:00 \u2192 07:36:30"},
      {"station area", [](CompiledScenario& s) { s.oggetti[1].valore_b += 50; },
       "station CASCINE ROSSE: valore_b 1200 \u2192 1250"},
      {"station removed", [](CompiledScenario& s) { s.oggetti[1] = {}; },
       "station CASCINE ROSSE removed (was at 1+000)"},
      {"signal added",
       [](CompiledScenario& s) { s.percorso[150] = {kSignal, 22, 0, 0, 0, 0, 0, 0, 19, 100, 85}; },
       "signal added at 7+450 (sx 0, s1 2, s2 0, s3 0, rapp 0, dx 0, d1 2, d2 0, d3 0, tempo 0)"},
      {"signal removed", [](CompiledScenario& s) { s.percorso[61].genere = kFree; },
       "signal removed at 3+000"},
      {"signal changed", [](CompiledScenario& s) { s.percorso[61].dato1 = 32; },
       "signal at 3+000: s1 2 \u2192 3"},
      {"sign text", [](CompiledScenario& s) { s.oggetti[80].testo = "(Ponte)"; },
       "sign at 4+950: text \"(Galleria)\" \u2192 \"(Ponte)\""},
      {"gradient",
       [](CompiledScenario& s) {
         for (std::size_t c = 10; c < 20; ++c) s.percorso[c].pendenza = 112;
       },
       "gradient 0 \u2192 12 \u2030 from 0+500 to 1+000"},
      {"line length", [](CompiledScenario& s) { s.oggetti[84].valore_b = 3100; },
       "line and train (item 84): valore_b 3000 \u2192 3100"},
      {"check codes",
       [](CompiledScenario& s) {
         s.percorso[1].dato2 = 2545;
         s.oggetti[85].valore_d = 34538;
       },
       "check codes differ"},
      {"track plan",
       [](CompiledScenario& s) {
         TrackPlan t;
         t.allocate(5);
         t.set_integer(0, 0, 0);
         t.set_integer(1, 0, 1);
         t.add_straight(2, 3);
         t.add_curve(4, 5, 0.5);
         s.track_plan = serialize_track_plan(t);
       },
       "track plan differs from metre 4 on, up to 1.5 m apart"},
      {"no track plan", [](CompiledScenario& s) { s.track_plan.reset(); }, "track plan removed"},
      {"a free cell's value", [](CompiledScenario& s) { s.percorso[1].dato1 = 0; },
       "cell 1 at 0+050 differs"},
  };
  for (const auto& k : cases) {
    CompiledScenario b = base();
    k.edit(b);
    const std::vector<std::string> d = texts(compare_scenarios(base(), b));
    EXPECT_THAT(d, ElementsAre(k.text)) << k.what;
  }
}

TEST(Diff, SpeedLimitOverAStretch) {
  CompiledScenario b = base();
  for (std::size_t c = 46; c < 80; ++c) b.percorso[c].velocita = 16;
  EXPECT_THAT(texts(compare_scenarios(base(), b)),
              ElementsAre("speed limit 95 \u2192 80 km/h from 2+300 to 4+000"));
  const json j = json::parse(differences_json(compare_scenarios(base(), b)));
  EXPECT_EQ(j.at("same"), false);
  EXPECT_EQ(j.at("differences").at(0).at("topic"), "speed");
  EXPECT_EQ(j.at("differences").at(0).at("metre"), 2300.0);
}

TEST(Diff, ARouteOfAnotherLengthAndStationsAddedAreSaid) {
  CompiledScenario b = base();
  b.percorso.resize(220, b.percorso.back());
  b.oggetti[2] = {3, 0, 0, 5000, 0, "BORGO", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_THAT(texts(compare_scenarios(base(), b)),
              ElementsAre("station BORGO added at 5+000", "the route has 200 cells, then 220"));
}

// A file system that lists the files of a folder, as the disk does.
struct ListingFileSystem : testing::MemoryFileSystem {
  std::vector<std::string> list_files(const std::string& directory) override {
    std::vector<std::string> names;
    for (const auto& [path, bytes] : files) {
      if (path.rfind(directory + "/", 0) == 0 &&
          path.find('/', directory.size() + 1) == std::string::npos) {
        names.push_back(path.substr(directory.size() + 1));
      }
    }
    return names;
  }
};

struct DiffCommand : ::testing::Test {
  ListingFileSystem files;
  std::ostringstream out;
  std::ostringstream err;
  Environment env{files, out, err};

  void put(const std::string& dir, const CompiledScenario& s) {
    files.files[dir + "/X_1.dat"] = serialize_route(s.percorso);
    files.files[dir + "/X_1.sim"] = serialize_items(s.oggetti);
    if (s.track_plan) files.files[dir + "/X_linea.dat"] = *s.track_plan;
  }
  int run(std::vector<const char*> args) {
    args.insert(args.begin(), {"scenario-builder", "diff"});
    return run_tool(static_cast<int>(args.size()), args.data(), env);
  }
};

TEST_F(DiffCommand, FoldersOrRouteFilesAndTheExitStatus) {
  put("a", base());
  CompiledScenario b = base();
  b.percorso[150].genere = kSignal;
  put("b", b);
  EXPECT_EQ(run({"a", "a/X_1.dat"}), exit_status::kOk);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(run({"a/", "b", "--json"}), 1);
  EXPECT_EQ(json::parse(out.str()).at("differences").size(), 1u);
  EXPECT_EQ(err.str(), "");
}

TEST_F(DiffCommand, TroubleIsTwoOrMoreAndNamesTheFileRecordAndOffset) {
  put("a", base());
  put("b", base());
  files.files["b/X_linea.dat"] += "\x02";
  EXPECT_GE(run({"a", "b"}), 2);
  EXPECT_THAT(err.str(),
              HasSubstr("b/X_linea.dat: not a valid track plan: record 12, byte offset"));

  err.str("");
  files.files["b/X_1.dat"].pop_back();
  EXPECT_GE(run({"a", "b"}), 2);
  EXPECT_THAT(err.str(),
              HasSubstr("b/X_1.dat: not a valid route file: record 199, byte offset 2985"));

  err.str("");
  EXPECT_GE(run({"a", "nowhere"}), 2);
  EXPECT_THAT(err.str(), HasSubstr("nowhere: neither a route file"));

  err.str("");
  files.files["c/X_1.dat"] = files.files["a/X_1.dat"];
  files.files["c/Y_2.dat"] = files.files["a/X_1.dat"];
  EXPECT_GE(run({"a", "c"}), 2);
  EXPECT_THAT(err.str(), HasSubstr("the folder holds 2 route files"));

  err.str("");
  files.files["d/X_1.dat"] = "";
  files.files["d/X_1.sim"] = "";
  EXPECT_GE(run({"a", "d"}), 2);
  EXPECT_THAT(
      err.str(),
      HasSubstr("d/X_1.dat: not a valid route file: record 0, byte offset 0: the file is empty"));
  EXPECT_EQ(out.str(), "");
}

TEST_F(DiffCommand, TwoPairsOfSourcesAreCompiledInMemory) {
  const std::string line = document_text(dati_linea());
  const std::string train = document_text(dati_treno());
  files.files["a/BORGOLUCE_linea.txt"] = line;
  files.files["a/BORGOLUCE_5127-.txt"] = train;
  std::string edited = train;
  const std::string row = "velocita,    5175,    95";
  ASSERT_NE(edited.find(row), std::string::npos);
  edited.replace(edited.find(row), row.size(), "velocita,    5175,    80");
  files.files["b/BORGOLUCE_linea.txt"] = line;
  files.files["b/BORGOLUCE_5127-.txt"] = edited;
  EXPECT_EQ(run({"--sources", "a/BORGOLUCE_linea.txt", "a/BORGOLUCE_5127-.txt",
                 "a/BORGOLUCE_linea.txt", "a/BORGOLUCE_5127-.txt"}),
            exit_status::kOk);
  EXPECT_EQ(run({"--sources", "a/BORGOLUCE_linea.txt", "a/BORGOLUCE_5127-.txt",
                 "b/BORGOLUCE_linea.txt", "b/BORGOLUCE_5127-.txt"}),
            1);
  EXPECT_EQ(out.str(), "speed limit 95 \u2192 80 km/h from 5+200 to 11+100\n");

  files.files["b/BORGOLUCE_5127-.txt"] = "[generale]\nvelocita, 0, x\n[fine]\n";
  EXPECT_GE(run({"--sources", "a/BORGOLUCE_linea.txt", "a/BORGOLUCE_5127-.txt",
                 "b/BORGOLUCE_linea.txt", "b/BORGOLUCE_5127-.txt"}),
            2);
  EXPECT_THAT(err.str(), HasSubstr("do not compile cleanly"));
}

}  // namespace
}  // namespace sb
