// `view`: a compiled scenario as one self-contained HTML page.
#include "tools/view.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/compiled_files.h"
#include "compiler/route_values.h"
#include "compiler/track_plan.h"
#include "sources/line_source.h"
#include "sources/righe.h"
#include "sources/train_source.h"
#include "support/memory_file_system.h"
#include "support/track_steps.h"
#include "tools/commands.h"

namespace sb {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::literals;

// The JSON object a page carries, read back as the page's script reads it.
json page_data(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"scenario-data\">";
  const std::size_t from = page.find(open);
  if (from == std::string::npos) throw std::runtime_error("no data in the page");
  const std::size_t begin = from + open.size();
  const std::size_t end = page.find("</script>", begin);
  return json::parse(page.substr(begin, end - begin));
}

struct ViewCommand : ::testing::Test {
  testing::MemoryFileSystem files;
  std::ostringstream out;
  std::ostringstream err;
  Environment env{files, out, err};

  int run(std::vector<const char*> args) {
    args.insert(args.begin(), "scenario-builder");
    return run_tool(static_cast<int>(args.size()), args.data(), env);
  }
  // The built-in scenario compiled by `compile` into out/.
  void compile_builtin() {
    files.files["src/BORGOLUCE_linea.txt"] = document_text(dati_linea());
    files.files["src/BORGOLUCE_5127-.txt"] = document_text(dati_treno());
    ASSERT_EQ(run({"compile", "src/BORGOLUCE_linea.txt", "src/BORGOLUCE_5127-.txt", "-o", "out"}),
              exit_status::kOk)
        << err.str();
    out.str("");
    err.str("");
  }
};

TEST_F(ViewCommand, BuiltInScenarioIsOneSelfContainedDeterministicPage) {
  compile_builtin();
  ASSERT_EQ(run({"view", "out", "-o", "page.html"}), exit_status::kOk) << err.str();
  EXPECT_EQ(err.str(), "");
  const std::string page = files.files.at("page.html");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_THAT(page, HasSubstr("<title>Scenario BORGOLUCE \u2014 train 5127</title>"));

  // Nothing that could reach outside the page: no address, no external
  // script, stylesheet, font or picture, and a policy that forbids any.
  for (const char* reference : {"http:", "https:", "//", "src=", "href=", "@import", "url(",
                                "<link", "<iframe", "<img", "fetch(", "XMLHttpRequest"}) {
    // "//" is allowed only where it opens a comment of the script.
    if (std::string(reference) == "//") {
      EXPECT_FALSE(std::regex_search(page, std::regex("[A-Za-z0-9.]//"))) << "an address";
      continue;
    }
    EXPECT_THAT(page, Not(HasSubstr(reference))) << reference;
  }
  EXPECT_THAT(page, HasSubstr("content=\"default-src 'none';"));

  // The data the page draws from: the whole route as the files have it.
  const json d = page_data(page);
  EXPECT_EQ(d.at("scenario"), "BORGOLUCE");
  EXPECT_EQ(d.at("line_end"), 162000);
  EXPECT_EQ(d.at("stations").size(), 40u);
  EXPECT_EQ(d.at("stations").at(0).at(0), "BORGOLUCE");
  EXPECT_EQ(d.at("stops").size(), d.at("stretches").size() + 1);
  for (const json& s : d.at("stretches")) EXPECT_FALSE(s.at(1).get<bool>()) << s.at(2);
  std::vector<cella> percorso;
  FormatError e;
  ASSERT_TRUE(decode_route(files.files.at("out/BORGOLUCE_5127.dat"), &percorso, &e));
  std::size_t elements = 0;
  for (const cella& c : percorso) elements += c.genere != kFree;
  EXPECT_EQ(d.at("elements").size(), 5 * elements);
  // The speed runs give back the speed of every cell.
  const json& speed = d.at("speed");
  for (std::size_t c = 0, run = 0; c < percorso.size(); ++c) {
    while (run + 2 < speed.size() && speed.at(run + 2).get<std::size_t>() <= c * 50) run += 2;
    ASSERT_EQ(speed.at(run + 1), speed_limit_kmh(percorso[c])) << "cell " << c;
  }
  ASSERT_TRUE(d.at("plan").is_array());
  EXPECT_EQ(d.at("plan").size(), 1u);

  // The same files give the same bytes, to a file or to standard output.
  ASSERT_EQ(run({"view", "out/BORGOLUCE_5127.dat", "-o", "-"}), exit_status::kOk);
  EXPECT_EQ(out.str(), page);
}

TEST_F(ViewCommand, HostileTextsStayTextAndCannotEndTheScript) {
  compile_builtin();
  std::array<oggetto, kItemCount> oggetti{};
  FormatError e;
  ASSERT_TRUE(decode_items(files.files.at("out/BORGOLUCE_5127.sim"), &oggetti, &e));
  const std::string hostile = "</script><script>alert(1)</script><!-- & \"\xE8";
  oggetti[1].testo = hostile;                 // a station
  oggetti[kLastSignItem].testo = hostile;     // a sign
  oggetti[kScenarioItem].testo = "<b>&amp;";  // the heading
  files.files["out/BORGOLUCE_5127.sim"] = serialize_items(oggetti);
  ASSERT_EQ(run({"view", "out", "-o", "page.html"}), exit_status::kOk) << err.str();
  const std::string page = files.files.at("page.html");

  EXPECT_THAT(page, Not(HasSubstr("alert(1)</script>")));
  EXPECT_THAT(page, Not(HasSubstr("<!-- &")));
  EXPECT_THAT(page, HasSubstr("<title>Scenario &lt;b&gt;&amp;amp; \u2014 train 5127</title>"));
  // The page's own scripts are the only ones: each "<script" the template
  // opens, and as many closed.
  const auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1))
      ++n;
    return n;
  };
  EXPECT_EQ(count("<script"), 3u);
  EXPECT_EQ(count("</script>"), 3u);
  // And the script reads each text back exactly, in UTF-8.
  const std::string shown = "</script><script>alert(1)</script><!-- & \"\u00E8";
  const json d = page_data(page);
  EXPECT_EQ(d.at("stations").at(0).at(0), shown);
  bool sign_found = false;
  for (const json& values : d.at("values")) {
    for (const json& v : values) sign_found |= v.at(1) == "\"" + shown + "\"";
  }
  EXPECT_TRUE(sign_found);
  // The script itself never parses a text as HTML.
  EXPECT_THAT(page, Not(HasSubstr("innerHTML")));
  EXPECT_THAT(page, Not(HasSubstr("insertAdjacentHTML")));
  EXPECT_THAT(page, Not(HasSubstr("document.write")));
}

TEST_F(ViewCommand, WithoutATrackPlanThePageSaysWhy) {
  compile_builtin();
  files.files.erase("out/BORGOLUCE_linea.dat");
  ASSERT_EQ(run({"view", "out", "-o", "page.html"}), exit_status::kOk);
  EXPECT_THAT(err.str(), HasSubstr("no track plan out/BORGOLUCE_linea.dat"));
  const json d = page_data(files.files.at("page.html"));
  EXPECT_TRUE(d.at("plan").is_null());
  EXPECT_EQ(d.at("plan_note"),
            "No track plan: BORGOLUCE_linea.dat was not found beside the route file.");
  EXPECT_FALSE(d.at("elements").empty());
}

TEST_F(ViewCommand, DamagedOrMissingFilesAreNamedAndWriteNothing) {
  compile_builtin();
  const std::map<std::string, std::string> good = files.files;
  const struct {
    const char* name;
    const char* file;  // the file changed, or removed when `remove`
    std::string_view bytes;
    bool remove;
    const char* given;
    int status;
    const char* message;
  } cases[] = {
      {"route cut short", "out/BORGOLUCE_5127.dat", "\x01\x02\x03", false, "out",
       exit_status::kScenarioErrors,
       "out/BORGOLUCE_5127.dat: not a valid route file: record 0, byte offset 0"},
      {"route empty", "out/BORGOLUCE_5127.dat", "", false, "out/BORGOLUCE_5127.dat",
       exit_status::kScenarioErrors, "out/BORGOLUCE_5127.dat: not a valid route file"},
      {"item file missing", "out/BORGOLUCE_5127.sim", "", true, "out", exit_status::kFileFailure,
       "cannot read out/BORGOLUCE_5127.sim"},
      {"item file padded", "out/BORGOLUCE_5127.sim", "padding", false, "out",
       exit_status::kScenarioErrors, "out/BORGOLUCE_5127.sim: not a valid item file"},
      {"track plan damaged", "out/BORGOLUCE_linea.dat", "\x07\x00"sv, false, "out",
       exit_status::kScenarioErrors,
       "out/BORGOLUCE_linea.dat: not a valid track plan: record 0, byte offset 0"},
      {"nothing there", "out/BORGOLUCE_5127.dat", "", true, "out", exit_status::kUsage,
       "out: neither a route file (ID_NUM.dat) nor a folder that holds one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files.files = good;
    err.str("");
    if (c.remove) {
      files.files.erase(c.file);
    } else {
      files.files[c.file] = std::string(c.bytes);
    }
    EXPECT_EQ(run({"view", c.given, "-o", "page.html"}), c.status);
    EXPECT_THAT(err.str(), HasSubstr(c.message));
    EXPECT_EQ(files.files.count("page.html"), 0u);
  }

  // A page that cannot be written is an error of its own.
  files.files = good;
  err.str("");
  // Read the route, read the items, look for the plan, read it, then write.
  files.fail_at = static_cast<int>(files.log.size()) + 5;
  files.fail_from_then_on = true;
  EXPECT_EQ(run({"view", "out", "-o", "page.html"}), exit_status::kFileFailure);
  EXPECT_THAT(err.str(), HasSubstr("cannot write page.html"));
}

TEST(ViewPage, TimetableFasterThanTheLimitsIsMarked) {
  // 10 km at 60 km/h need 600 s; the timetable gives 300 s.
  ViewData d;
  d.percorso.assign(400, cella{});
  for (cella& c : d.percorso) c.velocita = 12;
  d.oggetti[1] = {1, 0, 0, 0, 0, "A", 0, 0, 0, 0, 0, 0, 0, 0, 0, 8 * 3600};
  d.oggetti[2] = {1, 0, 0, 10000, 0, "B", 0, 0, 0, 0, 0, 0, 0, 0, 0, 8 * 3600 + 300};
  const json stretches = page_data(view_page(d)).at("stretches");
  ASSERT_EQ(stretches.size(), 1u);
  EXPECT_TRUE(stretches.at(0).at(1).get<bool>());
  EXPECT_EQ(stretches.at(0).at(2),
            "the timetable gives 5 min 0 s; the speed limits need at least 10 min 0 s");
  // The fastest run ends at B, 600 s after A (in tenths of a second).
  const json& run = stretches.at(0).at(3);
  EXPECT_EQ(run.at(run.size() - 2), 10000);
  EXPECT_EQ(run.at(run.size() - 1), (8 * 3600 + 600) * 10);
}

// The distance of point k from the segment between points i and j.
double off_chord(const testing::TrackPoints& p, std::size_t i, std::size_t j, std::size_t k) {
  const double dx = p.x[j].value - p.x[i].value, dy = p.y[j].value - p.y[i].value;
  const double qx = p.x[k].value - p.x[i].value, qy = p.y[k].value - p.y[i].value;
  const double t = std::clamp((qx * dx + qy * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(qx - t * dx, qy - t * dy);
}

TEST(PlanOutline, FewPointsWithinTheToleranceAndBreaksWhereThePlanHasNone) {
  TrackPlan t;
  t.allocate(9000);
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  t.add_straight(2, 2000);
  t.add_curve(2001, 3000, 0.003);  // the tightest curve a source can give
  t.add_curve(3001, 4000, -0.002);
  t.add_straight(4001, 9000 - 2);
  testing::TrackPoints p = testing::all_points(t);

  const std::vector<std::vector<std::size_t>> runs = plan_outline(p.x, p.y, 0.5);
  ASSERT_EQ(runs.size(), 1u);  // the last two points are empty
  const std::vector<std::size_t>& kept = runs[0];
  EXPECT_EQ(kept.front(), 0u);
  EXPECT_EQ(kept.back(), 8998u);
  EXPECT_LT(kept.size(), 200u);
  for (std::size_t k = 1; k < kept.size(); ++k) {
    for (std::size_t m = kept[k - 1] + 1; m < kept[k]; ++m)
      ASSERT_LE(off_chord(p, kept[k - 1], kept[k], m), 0.5) << "metre " << m;
  }

  // A point that is not there, or not a finite number, splits the plan.
  p.x[5000] = TrackValue{};
  p.y[6000].value = std::nan("");
  p.x[7000].value = 1e300;
  const std::vector<std::vector<std::size_t>> split = plan_outline(p.x, p.y, 0.5);
  ASSERT_EQ(split.size(), 4u);
  EXPECT_EQ(split[0].back(), 4999u);
  EXPECT_EQ(split[1].front(), 5001u);
  EXPECT_EQ(split[3].front(), 7001u);
}

}  // namespace
}  // namespace sb
