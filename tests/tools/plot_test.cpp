#include "tools/plot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compiled_files.h"
#include "compiler/track_plan.h"
#include "support/memory_file_system.h"
#include "tools/commands.h"

namespace sb {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// ---- A small XML well-formedness check ----

bool carattere_di_nome(char c, bool primo) {
  const bool lettera = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
  return lettera || (!primo && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
}

// "" when `s` is one well-formed XML document in valid UTF-8; otherwise what
// is wrong and at which byte. Checks nesting, one root, quoted and unique
// attributes, entity references, no raw '<' or '&' in text, no control
// characters that XML 1.0 forbids.
std::string difetto_xml(std::string_view s) {
  const auto a = [&](std::size_t i, const std::string& cosa) {
    const std::size_t da = i < 40 ? 0 : i - 40;
    return cosa + " at byte " + std::to_string(i) + ", after: " + std::string(s.substr(da, i - da));
  };
  // UTF-8 first: every sequence complete and well-formed.
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t l = b < 0x80         ? 1
                          : (b >> 5) == 6  ? 2
                          : (b >> 4) == 14 ? 3
                          : (b >> 3) == 30 ? 4
                                           : 0;
    if (l == 0 || i + l > s.size()) return a(i, "bad UTF-8");
    for (std::size_t j = 1; j < l; ++j) {
      if ((static_cast<unsigned char>(s[i + j]) & 0xC0) != 0x80) return a(i, "bad UTF-8");
    }
    if (l == 1 && b < 0x20 && b != '\t' && b != '\n' && b != '\r') return a(i, "control byte");
    i += l;
  }
  const auto entita = [&](std::size_t& i) {
    const std::size_t fine = s.find(';', i);
    if (fine == std::string_view::npos || fine - i > 8) return false;
    const std::string_view e = s.substr(i, fine - i + 1);
    i = fine + 1;
    return e == "&amp;" || e == "&lt;" || e == "&gt;" || e == "&quot;" || e == "&apos;";
  };
  std::size_t i = 0;
  if (s.substr(0, 5) == "<?xml") {
    i = s.find("?>");
    if (i == std::string_view::npos) return "unterminated declaration";
    i += 2;
  }
  std::vector<std::string> aperti;
  bool radice = false;
  while (i < s.size()) {
    if (s[i] == '&') {
      if (aperti.empty() || !entita(i)) return a(i, "bad entity or text outside the root");
      continue;
    }
    if (s[i] != '<') {
      if (aperti.empty() && s[i] != '\n' && s[i] != ' ') return a(i, "text outside the root");
      ++i;
      continue;
    }
    const bool chiusura = i + 1 < s.size() && s[i + 1] == '/';
    std::size_t j = i + (chiusura ? 2 : 1);
    const std::size_t inizio_nome = j;
    while (j < s.size() && carattere_di_nome(s[j], j == inizio_nome)) ++j;
    const std::string nome(s.substr(inizio_nome, j - inizio_nome));
    if (nome.empty()) return a(i, "raw '<' or empty tag name");
    if (chiusura) {
      if (j >= s.size() || s[j] != '>') return a(j, "bad end tag");
      if (aperti.empty() || aperti.back() != nome) return a(i, "end tag </" + nome + "> unmatched");
      aperti.pop_back();
      i = j + 1;
      continue;
    }
    if (aperti.empty() && radice) return a(i, "second root element");
    radice = true;
    std::set<std::string> attributi;
    bool vuoto = false;
    while (true) {
      while (j < s.size() && (s[j] == ' ' || s[j] == '\n')) ++j;
      if (j >= s.size()) return a(j, "unterminated tag");
      if (s[j] == '>') break;
      if (s.substr(j, 2) == "/>") {
        vuoto = true;
        ++j;
        break;
      }
      const std::size_t k = j;
      while (j < s.size() && carattere_di_nome(s[j], j == k)) ++j;
      const std::string attr(s.substr(k, j - k));
      if (attr.empty() || j + 1 >= s.size() || s[j] != '=' ||
          (s[j + 1] != '"' && s[j + 1] != '\'')) {
        return a(j, "bad attribute in <" + nome + ">");
      }
      if (!attributi.insert(attr).second) return a(k, "attribute " + attr + " repeated");
      const char virgolette = s[j + 1];
      j += 2;
      while (j < s.size() && s[j] != virgolette) {
        if (s[j] == '<') return a(j, "'<' in an attribute");
        if (s[j] == '&') {
          if (!entita(j)) return a(j, "bad entity in an attribute");
        } else {
          ++j;
        }
      }
      if (j >= s.size()) return a(j, "unterminated attribute");
      ++j;
    }
    if (!vuoto) aperti.push_back(nome);
    i = j + 1;
  }
  if (!aperti.empty()) return "<" + aperti.back() + "> never closed";
  if (!radice) return "no root element";
  return "";
}

TEST(PlotXmlCheck, CatchesTheFaultsItLooksFor) {
  EXPECT_EQ(difetto_xml("<?xml version=\"1.0\"?>\n<a x=\"1\"><b/>t &amp; u</a>\n"), "");
  for (const char* male : {"<a><b></a></b>", "<a>x < y</a>", "<a>AT&T</a>", "<a x=\"1\" x=\"2\"/>",
                           "<a x=1/>", "<a/><b/>", "<a>\x01</a>", "<a>\xC3</a>", "<a>"}) {
    EXPECT_NE(difetto_xml(male), "") << male;
  }
}

// ---- A small scenario ----

// The track plan of a 10 km line (points 0 to 17000) with one right-hand
// curve from 3 to 4 km.
TrackPlan tracciato_piccolo() {
  TrackPlan t;
  t.allocate(17000);
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  for (Long metro = 2; metro <= 17000 - 2; ++metro) {
    if (metro > 3000 && metro <= 4000) {
      curve_step(t, metro, 0.001);
    } else {
      straight_step(t, metro);
    }
  }
  return t;
}

// A 10 km line: stations, elements of every drawn kind, a mountain span and
// a curved track plan. Names carry XML's special characters, a control byte
// and Windows-1252 letters.
PlotData scenario_piccolo() {
  RouteModel m;
  m.create_cells(10000);  // cells 0 to 340; 200 to 340 are the run-out, all zero
  for (std::size_t c = 0; c < 200; ++c) {
    cella& x = m.percorso.at(c);
    x.pendenza = low8((c < 100 ? 12 : -8) + 100);
    x.velocita = low8((c < 60 ? 80 : 140) / 5);
    if (c >= 100 && c < 120) x.montagna = 1;
  }
  const auto metti = [&](Long p, Byte genere, Integer dato1) {
    cella& x = m.percorso.at(static_cast<std::size_t>(indice_cella(p)));
    x.genere = genere;
    x.dato1 = dato1;
  };
  metti(3200, kSignal, 22);
  metti(4000, kSpeedBoards, 1800);
  metti(5000, kSign, 80);
  metti(6800, kSlowdownWarning, 30);
  metti(8000, kSlowdownStart, 30);
  metti(8500, kSlowdownEnd, 30);
  m.percorso.at(40).genere = kMark;  // cell arrotonda(2000 / 50)
  m.percorso.at(40).dato1 = 180;
  m.percorso.at(50).genere = kMarkWithoutValue;

  const struct {
    const char* nome;
    Long posizione;
  } stazioni[] = {{"Borgo <Nord>", 1000}, {"Caff\xE8 & \"Latte\"\x01", 6000}, {"  Pieve  ", 9600}};
  for (int i = 0; i < 3; ++i) {
    oggetto& o = m.oggetti.at(static_cast<std::size_t>(i + 1));
    o.genere = 1;
    o.testo = stazioni[i].name;
    o.valore_c = stazioni[i].position;
    o.valore_b = stazioni[i].position + 150;
    const auto fine = static_cast<std::size_t>(arrotonda(o.valore_b / 50.0 - 1));
    m.percorso.at(fine).genere = kStationEnd;
    m.percorso.at(fine).dato1 = low16(i + 1);
  }
  m.oggetti.at(80).testo = "P.L. 'Mulino'";
  m.oggetti.at(84).valore_b = 10000;
  m.oggetti.at(85).testo = "BORGOLUCE";
  m.oggetti.at(86).testo = "5127";

  PlotData d;
  d.percorso = m.percorso;
  d.oggetti = m.oggetti;
  const TrackPlan t = tracciato_piccolo();
  d.plan = LinePlan{t.coordinate(0), t.coordinate(1)};
  return d;
}

std::size_t occorrenze(const std::string& s, std::string_view cosa) {
  std::size_t n = 0;
  for (std::size_t i = s.find(cosa); i != std::string::npos; i = s.find(cosa, i + 1)) ++n;
  return n;
}

// ---- Stations and neighbouring files ----

TEST(PlotStations, ItemsWithAKindAndANameInOrder) {
  std::array<oggetto, kItemCount> o{};
  o[1] = {2, 0, 0, 1500, 0, " Borgo ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  o[2] = {0, 0, 0, 2000, 0, "no kind", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  o[3] = {1, 0, 0, 2500, 0, "   ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  o[4] = {1, 0, 0, 3000, 0, "Citt\xE0", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  o[80].testo = "sign text";  // no kind: not a station
  o[85] = {1, 0, 0, 0, 0, "BORGOLUCE", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const auto st = plot_stations(o);
  ASSERT_EQ(st.size(), 2u);
  EXPECT_EQ(st[0].index, 1);
  EXPECT_EQ(st[0].name, "Borgo");
  EXPECT_EQ(st[0].position, 1500);
  EXPECT_EQ(st[1].index, 4);
  EXPECT_EQ(st[1].name, "Citt\xC3\xA0");
}

TEST(PlotFiles, ItemFileAndTrackPlanAreFoundBesideTheRoute) {
  const struct {
    const char* percorso;
    const char* oggetti;
    const char* tracciato;
  } casi[] = {
      {"BORGOLUCE_5127.dat", "BORGOLUCE_5127.sim", "BORGOLUCE_linea.dat"},
      {"out/dir_x/BORGOLUCE_5127.dat", "out/dir_x/BORGOLUCE_5127.sim",
       "out/dir_x/BORGOLUCE_linea.dat"},
      {"C:\\sim\\VAL_DI_SOLE_88.DAT", "C:\\sim\\VAL_DI_SOLE_88.sim",
       "C:\\sim\\VAL_DI_SOLE_linea.dat"},
  };
  for (const auto& caso : casi) {
    const auto f = companion_files(caso.percorso);
    ASSERT_TRUE(f.has_value()) << caso.percorso;
    EXPECT_EQ(f->oggetti, caso.oggetti);
    EXPECT_EQ(f->tracciato, caso.tracciato);
  }
  for (const char* nome : {"BORGOLUCE_linea.dat", "BORGOLUCE_5127.sim", "BORGOLUCE5127.dat",
                           "_5127.dat", "BORGOLUCE_.dat", "dir_1/route.dat", ""}) {
    EXPECT_FALSE(companion_files(nome).has_value()) << nome;
  }
}

// ---- The picture ----

TEST(PlotSvg, WellFormedEvenWithHostileNamesAndBrokenData) {
  PlotData senza_pianta = scenario_piccolo();
  senza_pianta.plan.reset();
  senza_pianta.plan_note = "No track plan: a<b>&c_linea.dat was not found.";

  PlotData pianta_guasta = scenario_piccolo();
  const double inf = std::numeric_limits<double>::infinity();
  pianta_guasta.plan->x.at(100) = {TrackValueType::kDouble, std::numeric_limits<double>::quiet_NaN()};
  pianta_guasta.plan->y.at(150) = {TrackValueType::kDouble, inf};
  pianta_guasta.plan->x.at(200) = {TrackValueType::kDouble, 1e300};
  pianta_guasta.plan->y.at(250) = {TrackValueType::kDouble, -1e300};
  pianta_guasta.plan->x.at(300) = {};
  pianta_guasta.percorso.at(30).genere = kSign;  // a sign naming no item
  pianta_guasta.percorso.at(30).dato1 = -5;

  PlotData pianta_vuota = scenario_piccolo();
  for (TrackValue& v : pianta_vuota.plan->x) v = {};

  PlotData nulla;  // no cells, empty items, no plan

  PlotData elementi_oltre = scenario_piccolo();
  elementi_oltre.percorso.at(330).genere = kSignal;  // in the run-out
  elementi_oltre.oggetti.at(84).valore_b = 999999;    // longer than the route

  const struct {
    const char* caso;
    const PlotData& d;
  } casi[] = {{"full", scenario_piccolo()},
              {"no plan", senza_pianta},
              {"broken plan", pianta_guasta},
              {"empty plan", pianta_vuota},
              {"nothing", nulla},
              {"elements beyond the end", elementi_oltre}};
  for (const auto& caso : casi) {
    const std::string svg = draw_scenario(caso.d);
    EXPECT_EQ(difetto_xml(svg), "") << caso.caso;
    EXPECT_THAT(svg, HasSubstr("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\""))
        << caso.caso;
    EXPECT_THAT(svg, Not(HasSubstr("nan"))) << caso.caso;
    EXPECT_THAT(svg, Not(HasSubstr("inf\""))) << caso.caso;
  }
}

TEST(PlotSvg, ShowsTitleStationsAxesAndLegend) {
  const std::string svg = draw_scenario(scenario_piccolo());
  EXPECT_THAT(svg, HasSubstr(">Scenario BORGOLUCE \xE2\x80\x94 train 5127<"));
  // Every station named twice, on the plan and on the profile, escaped for XML.
  for (const char* nome :
       {">Borgo &lt;Nord&gt;<", ">Caff\xC3\xA8 &amp; &quot;Latte&quot;\xEF\xBF\xBD<", ">Pieve<"}) {
    EXPECT_EQ(occorrenze(svg, nome), 2u) << nome;
  }
  for (const char* testo :
       {">Plan of the line<", ">Longitudinal profile<", ">Gradient (\xE2\x80\xB0)<",
        ">Speed limit (km/h)<", ">Distance along the line (km)<", ">Legend<", ">Signal<",
        ">Speed boards<", ">Sign<", ">End of station<", ">Mountain span<", ">start<", ">end<"}) {
    EXPECT_THAT(svg, HasSubstr(testo));
  }
  // The sign's text, with its quote escaped, in the tooltip of its marker.
  EXPECT_THAT(svg, HasSubstr("<title>Sign at km 5.000: P.L. &apos;Mulino&apos;</title>"));
}

TEST(PlotSvg, ElementsStandAtTheMetreTheirCellWasCodedFor) {
  const std::string svg = draw_scenario(scenario_piccolo());
  for (const char* titolo :
       {"<title>Signal at km 3.200:", "<title>Speed boards at km 4.000:",
        "<title>Slowdown warning at km 6.800: speed 30<", "<title>Start of slowdown at km 8.000:",
        "<title>End of slowdown at km 8.500:", "<title>Mark at km 2.000: value 180<",
        "<title>End of station at km 1.150: Borgo &lt;Nord&gt;<",
        "<title>End of station at km 9.750: Pieve<",
        "<title>Mountain span, kind 1: km 5.000 to km 6.000<"}) {
    EXPECT_EQ(occorrenze(svg, titolo), 1u) << titolo;
  }
}

TEST(PlotSvg, ProfileStopsAtTheEndOfTheLine) {
  // The run-out cells hold zeros: gradient -100 and speed 0 are not values of
  // the line and must not stretch its axes.
  const std::string svg = draw_scenario(scenario_piccolo());
  EXPECT_THAT(svg, Not(HasSubstr(">-100<")));
  EXPECT_THAT(svg, HasSubstr(">-10<"));
  EXPECT_THAT(svg, HasSubstr(">15<"));
  EXPECT_THAT(svg, Not(HasSubstr("Beyond the end of the line</title>")));

  // An element coded in the run-out widens the x axis, and the stretch is marked.
  PlotData d = scenario_piccolo();
  d.percorso.at(330).genere = kSignal;
  const std::string oltre = draw_scenario(d);
  EXPECT_THAT(oltre, HasSubstr("<title>Signal at km 16.450:"));
  EXPECT_THAT(oltre, HasSubstr("<title>Beyond the end of the line</title>"));
}

TEST(PlotSvg, MissingPlanLeavesANote) {
  PlotData d = scenario_piccolo();
  d.plan.reset();
  d.plan_note = "No track plan: out/X_linea.dat was not found beside the route file.";
  const std::string svg = draw_scenario(d);
  EXPECT_THAT(svg, HasSubstr(">No track plan: out/X_linea.dat was not found beside the route "
                             "file.<"));
  EXPECT_EQ(occorrenze(svg, ">Pieve<"), 1u) << "named on the profile only";
}

// ---- The subcommand ----

struct PlotCommandTest : ::testing::Test {
  testing::MemoryFileSystem files;
  std::ostringstream out;
  std::ostringstream err;
  Environment a{files, out, err};

  PlotCommandTest() {
    const PlotData d = scenario_piccolo();
    files.files["in/X_7.dat"] = serialize_route(d.percorso);
    files.files["in/X_7.sim"] = serialize_items(d.oggetti);
    files.files["in/X_linea.dat"] = serialize_track_plan(tracciato_piccolo());
  }

  int plot(const std::string& percorso, const std::string& uscita = "out/x.svg") {
    return plot_command(PlotOptions{percorso, uscita}, a);
  }
};

TEST_F(PlotCommandTest, WritesThePictureOfTheThreeFiles) {
  EXPECT_EQ(plot("in/X_7.dat"), exit_status::kOk);
  EXPECT_EQ(err.str(), "");
  const std::string& svg = files.files.at("out/x.svg");
  EXPECT_EQ(difetto_xml(svg), "");
  EXPECT_EQ(svg, draw_scenario(scenario_piccolo()));
}

TEST_F(PlotCommandTest, MissingTrackPlanStillDrawsTheProfile) {
  files.files.erase("in/X_linea.dat");
  EXPECT_EQ(plot("in/X_7.dat"), exit_status::kOk);
  EXPECT_THAT(files.files.at("out/x.svg"),
              HasSubstr(">No track plan: in/X_linea.dat was not found beside the route file.<"));
  EXPECT_THAT(err.str(), HasSubstr("no track plan in/X_linea.dat"));
}

TEST_F(PlotCommandTest, DamagedOrMissingFilesAreErrorsAndWriteNothing) {
  const struct {
    const char* caso;
    const char* file;
    std::string bytes;  // empty: the file is removed
    const char* messaggio;
  } casi[] = {
      {"track plan cut short", "in/X_linea.dat", "\x05",
       "in/X_linea.dat: not a valid track plan: record 0, byte offset 0: "},
      {"item file padded", "in/X_7.sim", files.files.at("in/X_7.sim") + "z",
       "in/X_7.sim: not a valid item file: record 87, byte offset "},
      {"route cut short", "in/X_7.dat", files.files.at("in/X_7.dat").substr(0, 20),
       "in/X_7.dat: not a valid route file: record 1, byte offset 15: "},
      {"item file missing", "in/X_7.sim", "", "cannot read in/X_7.sim: No such file or directory"},
  };
  const auto originali = files.files;
  for (const auto& caso : casi) {
    files.files = originali;
    err.str("");
    if (caso.bytes.empty()) {
      files.files.erase(caso.file);
    } else {
      files.files[caso.file] = caso.bytes;
    }
    EXPECT_EQ(plot("in/X_7.dat"), exit_status::kScenarioErrors) << caso.caso;
    EXPECT_THAT(err.str(), StartsWith(std::string("scenario-builder plot: ") + caso.message))
        << caso.caso;
    EXPECT_EQ(files.files.count("out/x.svg"), 0u) << caso.caso;
  }
}

TEST_F(PlotCommandTest, UnwritableOutputIsAnError) {
  files.fail_at = 5;  // read, read, exists, read, then the write
  EXPECT_EQ(plot("in/X_7.dat"), exit_status::kScenarioErrors);
  EXPECT_EQ(err.str(), "scenario-builder plot: cannot write out/x.svg: Input/output error\n");
}

TEST_F(PlotCommandTest, NameThatIsNotARouteIsAUsageError) {
  EXPECT_EQ(plot("in/X_linea.dat"), exit_status::kUsage);
  EXPECT_THAT(err.str(), HasSubstr("in/X_linea.dat: not the name of a route file"));
  EXPECT_THAT(err.str(), HasSubstr("Usage: scenario-builder plot ROUTE.dat -o FILE.svg"));
  EXPECT_TRUE(files.log.empty());
}

}  // namespace
}  // namespace sb
