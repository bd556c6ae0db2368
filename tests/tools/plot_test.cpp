#include "tools/plot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/cell_kinds.h"
#include "compiler/compiled_files.h"
#include "compiler/track_plan.h"
#include "sources/file_names.h"
#include "support/memory_file_system.h"
#include "support/track_steps.h"
#include "tools/commands.h"
#include "tools/label_placement.h"
#include "tools/plot_page.h"

namespace sb {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// ---- A small XML well-formedness check ----

bool name_character(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
  return letter || (!first && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
}

// "" when `s` is one well-formed XML document in valid UTF-8; otherwise what
// is wrong and at which byte. Checks nesting, one root, quoted and unique
// attributes, entity references, no raw '<' or '&' in text, no control
// characters that XML 1.0 forbids.
std::string xml_fault(std::string_view s) {
  const auto at = [&](std::size_t i, const std::string& what) {
    const std::size_t from = i < 40 ? 0 : i - 40;
    return what + " at byte " + std::to_string(i) +
           ", after: " + std::string(s.substr(from, i - from));
  };
  // UTF-8 first: every sequence complete and well-formed.
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t l = b < 0x80         ? 1
                          : (b >> 5) == 6  ? 2
                          : (b >> 4) == 14 ? 3
                          : (b >> 3) == 30 ? 4
                                           : 0;
    if (l == 0 || i + l > s.size()) return at(i, "bad UTF-8");
    for (std::size_t j = 1; j < l; ++j) {
      if ((static_cast<unsigned char>(s[i + j]) & 0xC0) != 0x80) return at(i, "bad UTF-8");
    }
    if (l == 1 && b < 0x20 && b != '\t' && b != '\n' && b != '\r') return at(i, "control byte");
    i += l;
  }
  const auto entity = [&](std::size_t& i) {
    const std::size_t end = s.find(';', i);
    if (end == std::string_view::npos || end - i > 8) return false;
    const std::string_view e = s.substr(i, end - i + 1);
    i = end + 1;
    return e == "&amp;" || e == "&lt;" || e == "&gt;" || e == "&quot;" || e == "&apos;";
  };
  std::size_t i = 0;
  if (s.substr(0, 5) == "<?xml") {
    i = s.find("?>");
    if (i == std::string_view::npos) return "unterminated declaration";
    i += 2;
  }
  std::vector<std::string> open;
  bool root = false;
  while (i < s.size()) {
    if (s[i] == '&') {
      if (open.empty() || !entity(i)) return at(i, "bad entity or text outside the root");
      continue;
    }
    if (s[i] != '<') {
      if (open.empty() && s[i] != '\n' && s[i] != ' ') return at(i, "text outside the root");
      ++i;
      continue;
    }
    const bool closing = i + 1 < s.size() && s[i + 1] == '/';
    std::size_t j = i + (closing ? 2 : 1);
    const std::size_t name_start = j;
    while (j < s.size() && name_character(s[j], j == name_start)) ++j;
    const std::string name(s.substr(name_start, j - name_start));
    if (name.empty()) return at(i, "raw '<' or empty tag name");
    if (closing) {
      if (j >= s.size() || s[j] != '>') return at(j, "bad end tag");
      if (open.empty() || open.back() != name) return at(i, "end tag </" + name + "> unmatched");
      open.pop_back();
      i = j + 1;
      continue;
    }
    if (open.empty() && root) return at(i, "second root element");
    root = true;
    std::set<std::string> attributes;
    bool empty = false;
    while (true) {
      while (j < s.size() && (s[j] == ' ' || s[j] == '\n')) ++j;
      if (j >= s.size()) return at(j, "unterminated tag");
      if (s[j] == '>') break;
      if (s.substr(j, 2) == "/>") {
        empty = true;
        ++j;
        break;
      }
      const std::size_t k = j;
      while (j < s.size() && name_character(s[j], j == k)) ++j;
      const std::string attribute(s.substr(k, j - k));
      if (attribute.empty() || j + 1 >= s.size() || s[j] != '=' ||
          (s[j + 1] != '"' && s[j + 1] != '\'')) {
        return at(j, "bad attribute in <" + name + ">");
      }
      if (!attributes.insert(attribute).second)
        return at(k, "attribute " + attribute + " repeated");
      const char quote = s[j + 1];
      j += 2;
      while (j < s.size() && s[j] != quote) {
        if (s[j] == '<') return at(j, "'<' in an attribute");
        if (s[j] == '&') {
          if (!entity(j)) return at(j, "bad entity in an attribute");
        } else {
          ++j;
        }
      }
      if (j >= s.size()) return at(j, "unterminated attribute");
      ++j;
    }
    if (!empty) open.push_back(name);
    i = j + 1;
  }
  if (!open.empty()) return "<" + open.back() + "> never closed";
  if (!root) return "no root element";
  return "";
}

TEST(PlotXmlCheck, CatchesTheFaultsItLooksFor) {
  EXPECT_EQ(xml_fault("<?xml version=\"1.0\"?>\n<a x=\"1\"><b/>t &amp; u</a>\n"), "");
  for (const char* bad : {"<a><b></a></b>", "<a>x < y</a>", "<a>AT&T</a>", "<a x=\"1\" x=\"2\"/>",
                          "<a x=1/>", "<a/><b/>", "<a>\x01</a>", "<a>\xC3</a>", "<a>"}) {
    EXPECT_NE(xml_fault(bad), "") << bad;
  }
}

// ---- Reading the picture back ----

// The opening tags of the elements named `name`, in document order.
std::vector<std::string> tags(const std::string& svg, std::string_view name) {
  std::vector<std::string> found;
  const std::string start = "<" + std::string(name) + " ";
  for (std::size_t i = svg.find(start); i != std::string::npos; i = svg.find(start, i + 1)) {
    found.push_back(svg.substr(i, svg.find('>', i) - i + 1));
  }
  return found;
}

bool has_attribute(const std::string& tag, std::string_view name, std::string_view value) {
  return tag.find(" " + std::string(name) + "=\"" + std::string(value) + "\"") != std::string::npos;
}

double number_attribute(const std::string& tag, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t i = tag.find(key);
  if (i == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
  return std::stod(tag.substr(i + key.size()));
}

Box box_of_rect(const std::string& tag) {
  const double x = number_attribute(tag, "x"), y = number_attribute(tag, "y");
  return {x, y, x + number_attribute(tag, "width"), y + number_attribute(tag, "height")};
}

std::size_t occurrences(const std::string& s, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t i = s.find(what); i != std::string::npos; i = s.find(what, i + 1)) ++n;
  return n;
}

// ---- A small scenario ----

// The track plan of a 10 km line (points 0 to 17000) with one right-hand
// curve from 3 to 4 km.
TrackPlan small_track_plan() {
  TrackPlan t;
  t.allocate(17000);
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  t.add_straight(2, 3000);
  t.add_curve(3001, 4000, 0.001);
  t.add_straight(4001, 17000 - 2);
  return t;
}

LinePlan line_plan_of(const TrackPlan& t) {
  testing::TrackPoints points = testing::all_points(t);
  return LinePlan{std::move(points.x), std::move(points.y)};
}

// A 10 km line: stations, elements of every drawn kind, a mountain span and
// a curved track plan. Names carry XML's markup characters, a control byte
// and Windows-1252 letters.
PlotData small_scenario() {
  RouteModel m;
  m.create_cells(10000);  // cells 0 to 340; 200 to 340 are the run-out, all zero
  for (std::size_t c = 0; c < 200; ++c) {
    cella& x = m.percorso.at(c);
    x.pendenza = low8((c < 100 ? 12 : -8) + 100);
    x.velocita = low8((c < 60 ? 80 : 140) / 5);
    if (c >= 100 && c < 120) x.montagna = 1;
  }
  const auto put = [&](Long p, Byte genere, Integer dato1) -> cella& {
    cella& x = m.percorso.at(static_cast<std::size_t>(indice_cella(p)));
    x.genere = genere;
    x.dato1 = dato1;
    return x;
  };
  cella& signal = put(3200, kSignal, 22);
  signal.dato2 = -7;
  signal.tempo_segnale = 3;
  cella& boards = put(4000, kSpeedBoards, 1800);  // 90, 95 and 100 km/h
  boards.dato2 = 1900;
  boards.dato3 = 2000;
  put(5000, kSign, 80);
  put(6800, kSlowdownWarning, 30);
  put(8000, kSlowdownStart, 30);
  put(8500, kSlowdownEnd, 30);
  m.percorso.at(40).genere = kMark;  // cell arrotonda(2000 / 50)
  m.percorso.at(40).dato1 = 180;
  m.percorso.at(50).genere = kMarkWithoutValue;

  const struct {
    const char* name;
    Long position;
  } stations[] = {{"Borgo <Nord>", 1000}, {"Caff\xE8 & \"Latte\"\x01", 6000}, {"  Pieve  ", 9600}};
  for (int i = 0; i < 3; ++i) {
    oggetto& o = m.oggetti.at(static_cast<std::size_t>(i + 1));
    o.genere = 1;
    o.testo = stations[i].name;
    o.valore_c = stations[i].position;
    o.valore_b = stations[i].position + 150;
    const auto end = static_cast<std::size_t>(arrotonda(o.valore_b / 50.0 - 1));
    m.percorso.at(end).genere = kStationEnd;
    m.percorso.at(end).dato1 = low16(i + 1);
  }
  m.oggetti.at(80).testo = "(P.L. 'Mulino')(km 5)";
  m.oggetti.at(84).valore_b = 10000;
  m.oggetti.at(85).testo = "BORGOLUCE";
  m.oggetti.at(86).testo = "5127";

  PlotData d;
  d.percorso = m.percorso;
  d.oggetti = m.oggetti;
  d.plan = line_plan_of(small_track_plan());
  return d;
}

// The small scenario with 80 stations 100 m apart from 500 m on: more names
// than either view has room for.
PlotData crowded_scenario() {
  PlotData d = small_scenario();
  for (int i = 1; i <= 80; ++i) {
    oggetto& o = d.oggetti.at(static_cast<std::size_t>(i));
    o.genere = 1;
    o.testo = "STAZIONE " + std::to_string(i);
    o.valore_c = 400 + 100 * i;
  }
  return d;
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
    const char* route;
    const char* items;
    const char* track_plan;
  } cases[] = {
      {"BORGOLUCE_5127.dat", "BORGOLUCE_5127.sim", "BORGOLUCE_linea.dat"},
      {"out/dir_x/BORGOLUCE_5127.dat", "out/dir_x/BORGOLUCE_5127.sim",
       "out/dir_x/BORGOLUCE_linea.dat"},
      {"C:\\sim\\VAL_DI_SOLE_88.DAT", "C:\\sim\\VAL_DI_SOLE_88.sim",
       "C:\\sim\\VAL_DI_SOLE_linea.dat"},
  };
  for (const auto& c : cases) {
    const auto f = companion_files(c.route);
    ASSERT_TRUE(f.has_value()) << c.route;
    EXPECT_EQ(f->item_file, c.items);
    EXPECT_EQ(f->track_plan_file, c.track_plan);
  }
  for (const char* name : {"BORGOLUCE_linea.dat", "BORGOLUCE_5127.sim", "BORGOLUCE5127.dat",
                           "_5127.dat", "BORGOLUCE_.dat", "dir_1/route.dat", ""}) {
    EXPECT_FALSE(companion_files(name).has_value()) << name;
  }
}

// ---- The picture ----

TEST(PlotSvg, WellFormedEvenWithHostileNamesAndBrokenData) {
  PlotData no_plan = small_scenario();
  no_plan.plan.reset();
  // A path from the command line need not be UTF-8.
  no_plan.plan_note = "No track plan: a<b>&c\xE8_linea.dat was not found.";

  PlotData broken_plan = small_scenario();
  const double inf = std::numeric_limits<double>::infinity();
  broken_plan.plan->x.at(100) = {TrackValueType::kDouble, std::numeric_limits<double>::quiet_NaN()};
  broken_plan.plan->y.at(150) = {TrackValueType::kDouble, inf};
  broken_plan.plan->x.at(200) = {TrackValueType::kDouble, 1e300};
  broken_plan.plan->y.at(250) = {TrackValueType::kDouble, -1e300};
  broken_plan.plan->x.at(300) = {};
  broken_plan.percorso.at(30).genere = kSign;  // a sign naming no item
  broken_plan.percorso.at(30).dato1 = -5;
  broken_plan.percorso.at(31).genere = 7;  // a kind the compiler never writes

  PlotData empty_plan = small_scenario();
  for (TrackValue& v : empty_plan.plan->x) v = {};

  PlotData nothing;  // no cells, empty items, no plan

  PlotData beyond_the_end = small_scenario();
  beyond_the_end.percorso.at(330).genere = kSignal;  // in the run-out
  beyond_the_end.oggetti.at(84).valore_b = 999999;   // longer than the route

  const struct {
    const char* what;
    const PlotData& d;
  } cases[] = {{"full", small_scenario()},     {"no plan", no_plan},
               {"broken plan", broken_plan},   {"empty plan", empty_plan},
               {"nothing", nothing},           {"elements beyond the end", beyond_the_end},
               {"crowded", crowded_scenario()}};
  for (const auto& c : cases) {
    const std::string svg = draw_scenario(c.d);
    EXPECT_EQ(xml_fault(svg), "") << c.what;
    EXPECT_THAT(svg, HasSubstr("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\""))
        << c.what;
    EXPECT_THAT(svg, Not(HasSubstr("nan"))) << c.what;
    EXPECT_THAT(svg, Not(HasSubstr("inf\""))) << c.what;
  }
  EXPECT_THAT(draw_scenario(broken_plan), HasSubstr(": item -5 (no such item)\n"));
}

TEST(PlotSvg, ShowsTitleStationsAxesAndLegend) {
  const std::string svg = draw_scenario(small_scenario());
  EXPECT_THAT(svg, HasSubstr(">Scenario BORGOLUCE \xE2\x80\x94 train 5127<"));
  // Every station named twice, on the plan and on the profile, escaped for XML.
  for (const char* name :
       {">Borgo &lt;Nord&gt;<", ">Caff\xC3\xA8 &amp; &quot;Latte&quot;\xEF\xBF\xBD<", ">Pieve<"}) {
    EXPECT_EQ(occurrences(svg, name), 2u) << name;
  }
  for (const char* text :
       {">Plan of the line<", ">Longitudinal profile<", ">Gradient (\xE2\x80\xB0)<",
        ">Speed limit (km/h)<", ">Distance along the line (km)<", ">Legend<", ">Mountain span<",
        ">start<", ">end<"}) {
    EXPECT_THAT(svg, HasSubstr(text));
  }
  // The lanes and the legend come from the kind table: a row for each lane,
  // an entry for each kind that has a lane and none for the others.
  for (int lane = 1; lane <= kPlotLaneCount; ++lane) {
    EXPECT_EQ(occurrences(svg, ">" + std::string(lane_name(static_cast<PlotLane>(lane))) + "<"),
              1u);
  }
  for (const CellKindInfo& kind : cell_kind_table()) {
    EXPECT_EQ(occurrences(svg, ">" + kind_title(kind.genere) + "<"),
              kind.lane == PlotLane::kNone ? 0u : 1u)
        << kind.name;
  }
}

TEST(PlotSvg, ElementsStandAtTheMetreTheirCellWasCodedFor) {
  const std::string svg = draw_scenario(small_scenario());
  const struct {
    Byte genere;
    const char* where;
  } cases[] = {
      {kSignal, " at km 3.200\n"},
      {kSpeedBoards, " at km 4.000\n"},
      {kSlowdownWarning, " at km 6.800\n"},
      {kSlowdownStart, " at km 8.000\n"},
      {kSlowdownEnd, " at km 8.500\n"},
      {kMark, " at km 2.000\n"},
      {kMarkWithoutValue, " at km 2.500\n"},
      {kStationEnd, " at km 1.150: Borgo &lt;Nord&gt;\n"},
      {kStationEnd, " at km 9.750: Pieve\n"},
      // The sign's text, with its quotes escaped, in the tooltip of its marker.
      {kSign, " at km 5.000: (P.L. &apos;Mulino&apos;)(km 5)\n"},
  };
  for (const auto& c : cases) {
    const std::string title = "<title>" + kind_title(c.genere) + c.where;
    EXPECT_EQ(occurrences(svg, title), 1u) << title;
  }
  EXPECT_EQ(occurrences(svg, "<title>Mountain span, kind 1: km 5.000 to km 6.000<"), 1u);
}

TEST(PlotSvg, TooltipListsEveryFieldOfTheCellInRecordOrder) {
  const std::string svg = draw_scenario(small_scenario());
  EXPECT_THAT(svg, HasSubstr("\ncella 65: genere 1, dato1 22, dato2 -7, dato3 0, dato4 0, "
                             "tempo_segnale 3, avviso 0, montagna 0, velocita 28, pendenza 112, "
                             "aderenza 0</title>"));
}

TEST(PlotSvg, EveryKindIsDrawnWithItsSymbolInItsLane) {
  // One cell of every kind of the table, and one of a kind it does not know.
  PlotData d = small_scenario();
  for (std::size_t c = 0; c < d.percorso.size(); ++c) d.percorso[c].genere = kFree;
  std::size_t cell = 10;
  for (const CellKindInfo& kind : cell_kind_table()) {
    d.percorso.at(cell).genere = kind.genere;
    cell += 10;
  }
  d.percorso.at(cell).genere = 7;
  const std::string svg = draw_scenario(d);

  EXPECT_EQ(occurrences(svg, "<g>"),
            static_cast<std::size_t>(
                std::count_if(cell_kind_table().begin(), cell_kind_table().end(),
                              [](const CellKindInfo& k) { return k.lane != PlotLane::kNone; })));
  cell = 10;
  for (const CellKindInfo& kind : cell_kind_table()) {
    const std::size_t c = cell;
    cell += 10;
    if (kind.lane == PlotLane::kNone) continue;
    // The lane's row, from its name at the left: the name's baseline is 4 px
    // below the middle of the row.
    const std::string name = ">" + std::string(lane_name(kind.lane)) + "</text>";
    const std::size_t at = svg.find(name);
    ASSERT_NE(at, std::string::npos) << name;
    const std::string label = svg.substr(svg.rfind("<text ", at), at - svg.rfind("<text ", at));
    const double middle = number_attribute(label, "y") - 4;
    const double metres = metre_of(kind.placement, static_cast<std::int64_t>(c));
    const double x = plot::kLeft + (plot::kRight - plot::kLeft) * metres / 10000;
    svg::Element expected("g");
    plot::add_marker(expected, kind.symbol, x, middle);
    const std::string drawn = expected.str();
    const std::string marker = drawn.substr(3, drawn.size() - 7);  // without <g> and </g>
    EXPECT_THAT(svg, HasSubstr("<g>" + marker + "<title>" + kind_title(kind.genere) + " at "))
        << kind.name;
  }
}

TEST(PlotSvg, EverySymbolHasAShapeOfItsOwn) {
  std::set<std::string> shapes;
  for (const CellKindInfo& kind : cell_kind_table()) {
    svg::Element g("g");
    plot::add_marker(g, kind.symbol, 100, 100);
    if (kind.symbol == PlotSymbol::kNone) {
      EXPECT_FALSE(g.has_content()) << kind.name;
    } else {
      EXPECT_TRUE(shapes.insert(g.str()).second) << kind.name << " looks like another kind";
    }
  }
}

TEST(PlotSvg, ProfileStopsAtTheEndOfTheLine) {
  // The run-out cells hold zeros: gradient -100 and speed 0 are not values of
  // the line and must not stretch its axes.
  const std::string svg = draw_scenario(small_scenario());
  EXPECT_THAT(svg, Not(HasSubstr(">-100<")));
  EXPECT_THAT(svg, HasSubstr(">-10<"));
  EXPECT_THAT(svg, HasSubstr(">15<"));
  EXPECT_THAT(svg, Not(HasSubstr("Beyond the end of the line</title>")));

  // An element coded in the run-out widens the x axis, and the stretch is marked.
  PlotData d = small_scenario();
  d.percorso.at(330).genere = kSignal;
  const std::string beyond = draw_scenario(d);
  EXPECT_THAT(beyond, HasSubstr("<title>" + kind_title(kSignal) + " at km 16.450\n"));
  EXPECT_THAT(beyond, HasSubstr("<title>Beyond the end of the line</title>"));
}

TEST(PlotSvg, MissingPlanLeavesANote) {
  PlotData d = small_scenario();
  d.plan.reset();
  d.plan_note = "No track plan: out/X_linea.dat was not found beside the route file.";
  const std::string svg = draw_scenario(d);
  EXPECT_THAT(svg, HasSubstr(">No track plan: out/X_linea.dat was not found beside the route "
                             "file.<"));
  EXPECT_EQ(occurrences(svg, ">Pieve<"), 1u) << "named on the profile only";
}

TEST(PlotSvg, CrowdedNamesOnThePlanNeverOverlap) {
  const std::string svg = draw_scenario(crowded_scenario());
  std::vector<Box> labels;  // the pale boxes behind the station names
  std::vector<Box> dots;
  Box frame;
  for (const std::string& rect : tags(svg, "rect")) {
    if (has_attribute(rect, "rx", "3")) labels.push_back(box_of_rect(rect));
    if (has_attribute(rect, "fill", "#fbfbf8")) frame = box_of_rect(rect);
  }
  for (const std::string& circle : tags(svg, "circle")) {
    if (!has_attribute(circle, "r", "5.5")) continue;
    const double x = number_attribute(circle, "cx"), y = number_attribute(circle, "cy");
    dots.push_back({x - 6, y - 6, x + 6, y + 6});
  }
  ASSERT_EQ(dots.size(), 80u);
  EXPECT_GT(labels.size(), 5u);
  EXPECT_LT(labels.size(), 80u) << "names without room are left out";
  // The output rounds to 0.1 px: boxes that touch may seem to overlap by that.
  const auto shrunk = [](Box b) { return Box{b.x0 + 0.1, b.y0 + 0.1, b.x1 - 0.1, b.y1 - 0.1}; };
  for (std::size_t i = 0; i < labels.size(); ++i) {
    EXPECT_TRUE(labels[i].within(frame)) << "label " << i;
    for (std::size_t j = i + 1; j < labels.size(); ++j) {
      EXPECT_FALSE(shrunk(labels[i]).overlaps(labels[j])) << "labels " << i << " and " << j;
    }
    for (const Box& dot : dots) EXPECT_FALSE(shrunk(labels[i]).overlaps(dot)) << "label " << i;
  }
}

TEST(PlotSvg, CrowdedNamesOnTheProfileStandApart) {
  const std::string svg = draw_scenario(crowded_scenario());
  std::vector<double> x;
  for (const std::string& text : tags(svg, "text")) {
    if (text.find("transform=\"rotate(-50 ") != std::string::npos) {
      x.push_back(number_attribute(text, "x"));
    }
  }
  // The row above the profile, 1340 px, holds 64 names 21 px apart; the
  // last ones would run off the page.
  EXPECT_GT(x.size(), 55u);
  EXPECT_LT(x.size(), 80u);
  for (std::size_t i = 0; i < x.size(); ++i) {
    EXPECT_GE(x[i], plot::kLeft);
    EXPECT_LE(x[i], plot::kRight);
    if (i > 0) {
      EXPECT_GE(x[i] - x[i - 1], 21 - 0.11) << "names " << i - 1 << " and " << i;
    }
  }
  // Every station keeps its line, with its name as a tooltip.
  EXPECT_EQ(occurrences(svg, "stroke-dasharray=\"4 3\"><title>STAZIONE "), 80u);
}

TEST(PlotSvg, SlowdownLowersTheSpeedLineOverItsStretch) {
  // The small line runs at 140 km/h from 3 km; its slowdown sets 30 km/h
  // from km 8 to km 8.5.
  const std::string svg = draw_scenario(small_scenario());
  EXPECT_EQ(occurrences(svg, "<title>Slowdown to 30 km/h: km 8.000 to km 8.500</title>"), 1u);
  EXPECT_THAT(svg, HasSubstr(">30 km/h<")) << "the slowdown's speed beside its start";
  EXPECT_THAT(svg, HasSubstr(">90/95/100<")) << "the boards' speeds";
  EXPECT_THAT(svg, HasSubstr(">P.L. &apos;Mulino&apos; km 5<")) << "the sign's two lines";
  // The speed line steps down to 30 and back at the slowdown's two ends; the
  // limit it replaces stays, dashed.
  const auto path_of = [&](const std::string& marker) {
    for (const std::string& p : tags(svg, "path")) {
      if (p.find(marker) != std::string::npos) return p;
    }
    return std::string();
  };
  const std::string speed = path_of("stroke=\"#d62728\" stroke-width=\"2.2\"");
  const std::string replaced = path_of("stroke=\"#d62728\" stroke-width=\"1\"");
  ASSERT_FALSE(speed.empty());
  ASSERT_FALSE(replaced.empty());
  const double x8 = plot::kLeft + (plot::kRight - plot::kLeft) * 8000 / 10000;
  const double x85 = plot::kLeft + (plot::kRight - plot::kLeft) * 8500 / 10000;
  EXPECT_THAT(speed, HasSubstr("H" + svg::number(x8) + "V"));
  EXPECT_THAT(speed, HasSubstr("H" + svg::number(x85) + "V"));
  EXPECT_THAT(replaced, Not(HasSubstr("H" + svg::number(x8) + "V")));

  // Without the slowdown there is one line, and no dashed limit.
  PlotData d = small_scenario();
  for (cella& c : d.percorso) {
    if (c.genere == kSlowdownStart || c.genere == kSlowdownEnd) c.genere = kFree;
  }
  const std::string plain = draw_scenario(d);
  EXPECT_THAT(plain, Not(HasSubstr("stroke=\"#d62728\" stroke-width=\"1\"")));
  EXPECT_THAT(plain, Not(HasSubstr("<title>Slowdown to ")));
}

TEST(PlotSvg, AStretchDrawsOnlyWhatLiesInIt) {
  PlotData d = small_scenario();
  d.from = 5000;
  d.to = 9000;
  const std::string svg = draw_scenario(d);
  EXPECT_THAT(svg, HasSubstr(" drawn from km 5.000 to km 9.000<"));
  // Caff\xE8 (6 km) on both views; Borgo (1 km) and Pieve (9.6 km) on neither.
  EXPECT_EQ(occurrences(svg, ">Caff\xC3\xA8 &amp; &quot;Latte&quot;\xEF\xBF\xBD<"), 2u);
  EXPECT_EQ(occurrences(svg, "Borgo &lt;Nord&gt;"), 0u);
  EXPECT_EQ(occurrences(svg, "Pieve"), 0u);
  // The elements of the stretch, and only those.
  EXPECT_THAT(svg, HasSubstr("<title>" + kind_title(kSign) + " at km 5.000"));
  EXPECT_THAT(svg, HasSubstr("<title>" + kind_title(kSlowdownStart) + " at km 8.000"));
  EXPECT_THAT(svg, Not(HasSubstr("<title>" + kind_title(kSignal) + " at ")));
  // The axis runs from the stretch's start at the left to its end at the right.
  const std::string left = ">5.0</text>", right = ">9.0</text>";
  ASSERT_THAT(svg, HasSubstr(left));
  ASSERT_THAT(svg, HasSubstr(right));
  const auto x_of = [&](const std::string& text) {
    const std::size_t at = svg.find(text);
    return number_attribute(svg.substr(svg.rfind("<text ", at), at - svg.rfind("<text ", at)), "x");
  };
  EXPECT_DOUBLE_EQ(x_of(left), plot::kLeft);
  EXPECT_DOUBLE_EQ(x_of(right), plot::kRight);
  // The plan marks where the stretch was cut.
  EXPECT_THAT(svg, HasSubstr(">km 5.000<"));
  EXPECT_THAT(svg, HasSubstr(">km 9.000<"));
}

TEST(PlotSvg, TimeDistanceGraphShowsTheTimetableAgainstTheLimits) {
  // Without times there is no graph, and the page says so.
  EXPECT_THAT(draw_scenario(small_scenario()), HasSubstr("gives no station a time"));

  // Borgo at 1 km 08:00:00, Caff\xE8 at 6 km 08:05:00: 5 km at 80 then 140
  // km/h needs at least 2:41. Pieve at 9.6 km 08:06:00 is given a minute for
  // 3.6 km (1:33 at 140 km/h, 30 km/h over the slowdown not counted).
  PlotData d = small_scenario();
  d.oggetti.at(1).valore_d = 8 * 3600;
  d.oggetti.at(2).valore_d = 8 * 3600 + 300;
  d.oggetti.at(3).valore_d = 8 * 3600 + 360;
  const std::string svg = draw_scenario(d);
  EXPECT_THAT(svg, HasSubstr(">Time\xE2\x80\x93"
                             "distance graph<"));
  EXPECT_THAT(svg, HasSubstr("with no acceleration or braking: a lower bound of any real run<"));
  EXPECT_THAT(svg, HasSubstr(">Pieve 08:06<"));
  EXPECT_THAT(svg, HasSubstr(">08:00<")) << "the clock along the left";
  EXPECT_EQ(occurrences(svg, ": the timetable gives 1:00, the speed limits need at least 1:33"), 2u)
      << "on the stretch's line and on its note";
  EXPECT_EQ(occurrences(svg, ": the timetable gives 5:00"), 0u) << "a stretch that keeps time";
  EXPECT_THAT(svg, HasSubstr(">1:00 given, 1:33 needed<"));
}

// ---- The subcommand ----

struct PlotCommandTest : ::testing::Test {
  testing::MemoryFileSystem files;
  std::ostringstream out;
  std::ostringstream err;
  Environment env{files, out, err};

  PlotCommandTest() {
    const PlotData d = small_scenario();
    files.files["in/X_7.dat"] = serialize_route(d.percorso);
    files.files["in/X_7.sim"] = serialize_items(d.oggetti);
    files.files["in/X_linea.dat"] = serialize_track_plan(small_track_plan());
  }

  int plot(const std::string& route, const std::string& output = "out/x.svg") {
    return plot_command(PlotOptions{route, output}, env);
  }
};

TEST_F(PlotCommandTest, WritesThePictureOfTheThreeFiles) {
  EXPECT_EQ(plot("in/X_7.dat"), exit_status::kOk);
  EXPECT_EQ(err.str(), "");
  const std::string& svg = files.files.at("out/x.svg");
  EXPECT_EQ(xml_fault(svg), "");
  EXPECT_EQ(svg, draw_scenario(small_scenario()));
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
    const char* what;
    const char* file;
    std::string bytes;  // empty: the file is removed
    const char* message;
  } cases[] = {
      {"track plan cut short", "in/X_linea.dat", "\x05",
       "in/X_linea.dat: not a valid track plan: record 0, byte offset 0: "},
      {"item file padded", "in/X_7.sim", files.files.at("in/X_7.sim") + "z",
       "in/X_7.sim: not a valid item file: record 87, byte offset "},
      {"route cut short", "in/X_7.dat", files.files.at("in/X_7.dat").substr(0, 20),
       "in/X_7.dat: not a valid route file: record 1, byte offset 15: "},
      {"item file missing", "in/X_7.sim", "", "cannot read in/X_7.sim: No such file or directory"},
  };
  const auto originals = files.files;
  for (const auto& c : cases) {
    files.files = originals;
    err.str("");
    if (c.bytes.empty()) {
      files.files.erase(c.file);
    } else {
      files.files[c.file] = c.bytes;
    }
    EXPECT_EQ(plot("in/X_7.dat"), exit_status::kScenarioErrors) << c.what;
    EXPECT_THAT(err.str(), StartsWith(std::string("scenario-builder plot: ") + c.message))
        << c.what;
    EXPECT_EQ(files.files.count("out/x.svg"), 0u) << c.what;
  }
}

TEST_F(PlotCommandTest, DashWritesToStandardOutputAndPngIsRefusedWithAHint) {
  EXPECT_EQ(plot("in/X_7.dat", "-"), exit_status::kOk);
  EXPECT_EQ(out.str(), draw_scenario(small_scenario()));
  EXPECT_EQ(files.files.count("-"), 0u);

  for (const char* png : {"out/x.png", "out/x.PNG"}) {
    files.log.clear();
    err.str("");
    EXPECT_EQ(plot("in/X_7.dat", png), exit_status::kUsage) << png;
    EXPECT_THAT(err.str(), HasSubstr("SVG only"));
    EXPECT_THAT(err.str(), HasSubstr(std::string("rsvg-convert -o ") + png + " out/x.svg"));
    EXPECT_TRUE(files.log.empty()) << "nothing is read or written";
  }

  err.str("");
  files.files["in/X_7.dat"] = "";
  EXPECT_EQ(plot("in/X_7.dat"), exit_status::kScenarioErrors);
  EXPECT_THAT(err.str(), HasSubstr("in/X_7.dat: not a valid route file: record 0, byte offset 0: "
                                   "the file is empty"));
}

TEST_F(PlotCommandTest, AStretchIsDrawnOnlyWhenItLiesOnTheLine) {
  PlotOptions o{"in/X_7.dat", "out/x.svg", 5.0, 9.0};
  EXPECT_EQ(plot_command(o, env), exit_status::kOk);
  PlotData d = small_scenario();
  d.from = 5000;
  d.to = 9000;
  EXPECT_EQ(files.files.at("out/x.svg"), draw_scenario(d));

  const struct {
    std::optional<double> from, to;
    const char* message;
  } refused[] = {
      {9, 5, "--from 9 must come before --to 5"},
      {4, 4, "--from 4 must come before --to 4"},
      {-1, {}, "--from -1: the line starts at kilometre 0"},
      {{},
       10.5,
       "in/X_7.dat: --to 10.5 is beyond the end of the line: the line ends at "
       "kilometre 10"},
      {12.25, {}, "in/X_7.dat: --from 12.25 is not before the end of the line"},
      {{}, 0, "--to 0 leaves nothing to draw"},
      {std::numeric_limits<double>::quiet_NaN(), {}, "--from needs a number of kilometres"},
      {{}, std::numeric_limits<double>::infinity(), "--to needs a number of kilometres"},
  };
  for (const auto& c : refused) {
    files.files.erase("out/x.svg");
    err.str("");
    EXPECT_EQ(plot_command(PlotOptions{"in/X_7.dat", "out/x.svg", c.from, c.to}, env),
              exit_status::kUsage)
        << c.message;
    EXPECT_THAT(err.str(), HasSubstr(c.message));
    EXPECT_EQ(files.files.count("out/x.svg"), 0u) << c.message;
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
