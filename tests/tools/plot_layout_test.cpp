// The layout of whole pictures, read back from the SVG: no two texts
// overlap, none crosses the edge of a frame or leaves the page, and the lines
// of the profile keep clear of its frame; on the built-in scenario, on long
// generated lines and on stretches of them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/scenario_generator.h"
#include "compiler/compile_step.h"
#include "sources/line_source.h"
#include "sources/train_source.h"
#include "support/memory_sources.h"
#include "support/track_steps.h"
#include "tools/label_placement.h"
#include "tools/plot.h"
#include "tools/plot_page.h"

namespace sb {
namespace {

using ::testing::HasSubstr;

// The scenario that two sources compile to, with its track plan.
PlotData compiled(const std::string& line, const std::string& train, const char* scenario,
                  const char* treno) {
  auto m = std::make_unique<RouteModel>();
  m->scenario = scenario;
  m->treno = treno;
  testing::MemorySources sources(line, train);
  CompileReport report;
  const CompileOutcome outcome = memorizza_percorso(*m, sources, TrackPlanOutput::kWrite, &report);
  EXPECT_EQ(outcome.kind, CompileOutcome::Kind::kComplete);
  PlotData d;
  d.percorso = m->percorso;
  d.oggetti = m->oggetti;
  testing::TrackPoints points = testing::all_points(m->tracciato);
  d.plan = LinePlan{std::move(points.x), std::move(points.y)};
  return d;
}

const PlotData& builtin() {
  static const PlotData d =
      compiled(document_text(dati_linea()), document_text(dati_treno()), "BORGOLUCE", "5127");
  return d;
}

const PlotData& generated(Long length) {
  static std::vector<std::pair<Long, std::unique_ptr<PlotData>>> made;
  for (const auto& [l, d] : made) {
    if (l == length) return *d;
  }
  const GeneratedSources s = generate_sources(length);
  made.emplace_back(length, std::make_unique<PlotData>(compiled(s.line, s.train, "GEN", "9000")));
  return *made.back().second;
}

// ---- Reading the picture back ----

std::string attribute(std::string_view tag, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t i = tag.find(key);
  if (i == std::string_view::npos) return "";
  const std::size_t from = i + key.size();
  return std::string(tag.substr(from, tag.find('"', from) - from));
}

double number(std::string_view tag, std::string_view name) {
  const std::string v = attribute(tag, name);
  return v.empty() ? std::nan("") : std::strtod(v.c_str(), nullptr);
}

std::string unescaped(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out.push_back(s[i]);
      continue;
    }
    const std::size_t end = s.find(';', i);
    const std::string_view e = s.substr(i, end - i + 1);
    out += e == "&amp;" ? "&" : e == "&lt;" ? "<" : e == "&gt;" ? ">" : e == "&quot;" ? "\"" : "'";
    i = end;
  }
  return out;
}

struct DrawnText {
  std::string content;
  TurnedBox box;
};

// Every text as drawn: its content and the box the page's font gives it at
// its place, anchor, size, weight and turn. The white outline drawn under a
// text with a halo is the same text, and is not counted again.
std::vector<DrawnText> drawn_texts(const std::string& svg) {
  std::vector<DrawnText> texts;
  for (std::size_t i = svg.find("<text "); i != std::string::npos; i = svg.find("<text ", i + 1)) {
    const std::size_t open_end = svg.find('>', i);
    const std::string_view tag(svg.data() + i, open_end - i + 1);
    if (attribute(tag, "stroke") == "#fff") continue;
    const std::size_t content_end = svg.find('<', open_end);
    const std::string content = unescaped(svg.substr(open_end + 1, content_end - open_end - 1));
    const std::string anchor = attribute(tag, "text-anchor");
    double degrees = 0;
    const std::string transform = attribute(tag, "transform");
    if (!transform.empty()) degrees = std::strtod(transform.c_str() + 7, nullptr);  // rotate(
    texts.push_back(
        {content, text_box(number(tag, "x"), number(tag, "y"), content, number(tag, "font-size"),
                           anchor == "middle" ? TextAnchor::kMiddle
                           : anchor == "end"  ? TextAnchor::kEnd
                                              : TextAnchor::kStart,
                           attribute(tag, "font-weight") == "bold", degrees)});
  }
  return texts;
}

// The frames of the picture: the plan's, the profile's, the time-distance
// graph's and the box of a note.
std::vector<Box> frames(const std::string& svg) {
  std::vector<Box> found;
  for (std::size_t i = svg.find("<rect "); i != std::string::npos; i = svg.find("<rect ", i + 1)) {
    const std::string_view tag(svg.data() + i, svg.find('>', i) - i + 1);
    const std::string fill = attribute(tag, "fill");
    if (fill != "#fbfbf8" && fill != "#fcfcfc" && fill != "#f6f6f6") continue;
    const double x = number(tag, "x"), y = number(tag, "y");
    found.push_back({x, y, x + number(tag, "width"), y + number(tag, "height")});
  }
  return found;
}

// What is wrong with the layout, or "".
std::string layout_fault(const std::string& svg) {
  const std::vector<DrawnText> texts = drawn_texts(svg);
  if (texts.empty()) return "no text";
  const std::string root(svg.substr(svg.find("<svg "), 400));
  const Box page{0, 0, number(root, "width"), number(root, "height")};
  // The output rounds coordinates to 0.1 px: boxes that touch may seem to
  // overlap by that much.
  const auto shrunk = [](TurnedBox b) {
    b.box = b.box.grown(-0.15);
    return b;
  };
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const TurnedBox a = shrunk(texts[i].box);
    if (!a.within(page.grown(-plot::kPageMargin + 0.2))) {
      return "\"" + texts[i].content + "\" leaves the page";
    }
    for (std::size_t j = i + 1; j < texts.size(); ++j) {
      if (a.overlaps(texts[j].box)) {
        return "\"" + texts[i].content + "\" overlaps \"" + texts[j].content + "\"";
      }
    }
    for (const Box& f : frames(svg)) {
      const double c = plot::kFrameClearance - 0.2;
      const Box bounds = a.bounds();
      if (!bounds.within(f.grown(-c)) && bounds.overlaps(f.grown(c))) {
        return "\"" + texts[i].content + "\" crosses or touches the edge of a frame at y " +
               std::to_string(f.y0);
      }
    }
  }
  return "";
}

// The highest point (least y) of the path drawn with `stroke` and `width`.
double highest_point(const std::string& svg, const char* stroke, const char* width) {
  double top = 1e9;
  const std::string key = "stroke=\"" + std::string(stroke) + "\" stroke-width=\"" + width + "\"";
  for (std::size_t i = svg.find("<path "); i != std::string::npos; i = svg.find("<path ", i + 1)) {
    const std::string_view tag(svg.data() + i, svg.find('>', i) - i + 1);
    if (tag.find(key) == std::string_view::npos) continue;
    const std::string d = attribute(tag, "d");
    for (std::size_t j = 0; j < d.size(); ++j) {
      if (d[j] == 'V') top = std::min(top, std::strtod(d.c_str() + j + 1, nullptr));
      if (d[j] == 'M' || d[j] == 'L') {
        char* after = nullptr;
        std::strtod(d.c_str() + j + 1, &after);
        top = std::min(top, std::strtod(after, nullptr));
      }
    }
  }
  return top;
}

// The top of the profile's frame: the second frame of the page.
double profile_top(const std::string& svg) {
  return frames(svg).at(1).y0;
}

TEST(PlotLayout, TextsNeverOverlapNorCrossAFrame) {
  const PlotData& b = builtin();
  PlotData stretch = b;
  stretch.from = 38000;
  stretch.to = 62500;
  PlotData start = b;  // where the names of BORGOLUCE and SAN MARCO AL PONTE crowd
  start.to = 12000;
  PlotData long_stretch = generated(kMaxLineLength);
  long_stretch.from = 400000;
  long_stretch.to = 460000;
  const struct {
    const char* what;
    const PlotData& d;
  } cases[] = {
      {"built-in", b},
      {"built-in, km 38 to 62.5", stretch},
      {"built-in, km 0 to 12", start},
      {"generated 100 km", generated(100000)},
      {"generated 1000 km", generated(kMaxLineLength)},
      {"generated 1000 km, km 400 to 460", long_stretch},
  };
  for (const auto& c : cases) {
    const std::string svg = draw_scenario(c.d);
    EXPECT_EQ(layout_fault(svg), "") << c.what;
    EXPECT_EQ(svg, draw_scenario(c.d)) << c.what << ": the same drawing twice";
  }
}

TEST(PlotLayout, TheFaultsItLooksForAreFound) {
  const std::string head =
      "<svg width=\"1600\" height=\"900\"><rect x=\"130\" y=\"100\" width=\"1340\" "
      "height=\"300\" fill=\"#fcfcfc\"/>";
  const auto text = [](double x, double y, const char* content, const char* extra = "") {
    return "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
           "\" font-size=\"12\"" + extra + ">" + content + "</text>";
  };
  EXPECT_EQ(layout_fault(head + text(200, 200, "alone") + text(200, 500, "apart") + "</svg>"), "");
  EXPECT_THAT(layout_fault(head + text(200, 200, "one") + text(210, 204, "two") + "</svg>"),
              HasSubstr("overlaps"));
  EXPECT_THAT(layout_fault(head + text(200, 104, "on the edge") + "</svg>"),
              HasSubstr("edge of a frame"));
  EXPECT_THAT(layout_fault(head + text(1590, 500, "off the page") + "</svg>"),
              HasSubstr("leaves the page"));
  // A turned text is held by its turned box: beside a slanted name, another
  // stands clear that its upright box would have hit.
  const std::string slanted =
      text(300, 600, "SAN MARCO AL PONTE", " transform=\"rotate(-50 300 600)\"");
  EXPECT_EQ(layout_fault(head + slanted + text(330, 600, "X") + "</svg>"), "");
  EXPECT_THAT(layout_fault(head + slanted + text(340, 560, "X") + "</svg>"), HasSubstr("overlaps"));
}

TEST(PlotLayout, LinesAndTheirValuesStandClearOfTheTopOfTheFrame) {
  for (const PlotData* d : {&builtin(), &generated(100000)}) {
    const std::string svg = draw_scenario(*d);
    const double frame_top = profile_top(svg);
    EXPECT_GT(highest_point(svg, plot::kSpeedColour, "2.2"), frame_top + 15);
    EXPECT_GT(highest_point(svg, plot::kGradientColour, "1.8"), frame_top + 15);
  }
}

TEST(PlotLayout, BuiltInShowsItsValuesSignsBoardsAndTimetable) {
  const std::string svg = draw_scenario(builtin());
  for (const char* text :
       {">160<", ">P.L. AUTOMATICO<", ">90/95/100<", ">Galleria CROCETTA<", ">BORGOLUCE 07:35<",
        ">Time\xE2\x80\x93"
        "distance graph<",
        "a lower bound of any real run<"}) {
    EXPECT_THAT(svg, HasSubstr(text));
  }
  // Slanted, both names of the crowded start are drawn.
  EXPECT_THAT(svg, HasSubstr(">BORGOLUCE<title>"));
  EXPECT_THAT(svg, HasSubstr(">SAN MARCO AL PONTE<title>"));
}

}  // namespace
}  // namespace sb
