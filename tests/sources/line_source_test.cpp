#include "sources/line_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/document_lines.h"

namespace sb {
namespace {

std::vector<std::string> line_source_lines() {
  return testing::written_lines(dati_linea());
}

const std::vector<std::string>& lines() {
  static const std::vector<std::string> all = line_source_lines();
  return all;
}

struct Section {
  const char* title;
  int slot;
  int rows;
  const char* keyword;  // every row begins with it
};

constexpr Section kSections[] = {
    {"[curve]", 9, 58, "curva"},
    {"[pendenze]", 68, 69, "pendenza,"},
    {"[montagne]", 138, 12, "montagna,"},
    {"[cartelli]", 151, 24, "indicatori_vmax,"},
    {"[indicazioni]", 176, 24, "cartello_indicatore,"},
};

// The rows of one section, header excluded.
std::vector<std::string> rows_of(const char* title) {
  for (const auto& s : kSections) {
    if (std::string(title) == s.title) {
      return {lines().begin() + s.slot + 1, lines().begin() + s.slot + 1 + s.rows};
    }
  }
  ADD_FAILURE() << "no section " << title;
  return {};
}

// The number after the keyword: the position of a row.
long position_of(const std::string& row) {
  return std::stol(row.substr(row.find(',') + 1));
}
// The last number of a row.
long last_number(const std::string& row) {
  return std::stol(row.substr(row.rfind(',') + 1));
}

// The groups of each row matched against its shape; an empty entry for a row
// that does not match.
std::vector<std::vector<std::string>> match_each(const std::vector<std::string>& rows,
                                                 const std::regex& shape) {
  std::vector<std::vector<std::string>> results;
  for (const auto& row : rows) {
    std::smatch m;
    EXPECT_TRUE(std::regex_match(row, m, shape)) << row;
    results.emplace_back(m.begin(), m.end());
  }
  return results;
}

TEST(LineSource, HasItsLinesAndEndsWithFine) {
  ASSERT_EQ(lines().size(), 202u);
  EXPECT_EQ(lines().back(), "[fine]");
  const std::string text = document_text(dati_linea());
  EXPECT_EQ(text.find(kEndMarker), std::string::npos);
  EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) {
    return c == '\r' || c == '\n' || (c >= ' ' && c <= '~');
  })) << "pure ASCII, no control characters";
  for (const auto& row : lines()) EXPECT_FALSE(row.empty()) << "no empty line anywhere";
}

TEST(LineSource, GeneralSectionIsVerbatim) {
  const char* const expected[] = {
      "[generale]",
      "lunghezza percorso,    162000",
      "progressiva chilometrica uno,    0,    0,    0",
      "progressiva chilometrica due,    0,    0,    0",
      "progressiva chilometrica tre,    0,    0,    0",
      "sfondo uno,    1",
      "sfondo due,    29000",
      "sfondo tre,    90000",
      "ripetizione segnali 4 codici,    1000,    27000",
  };
  for (int k = 0; k < 9; ++k) EXPECT_EQ(lines()[k], expected[k]) << "slot " << k;
}

TEST(LineSource, EverySectionHoldsItsRowsInAscendingPositions) {
  for (const auto& s : kSections) {
    EXPECT_EQ(lines()[s.slot], s.title);
    EXPECT_EQ(lines()[s.slot + s.rows + 1].front(), '[') << s.title << " ends at a header";
    long previous = -1;
    for (const auto& row : rows_of(s.title)) {
      EXPECT_EQ(row.rfind(s.keyword, 0), 0u) << row;
      EXPECT_GT(position_of(row), previous) << row;
      previous = position_of(row);
    }
  }
}

TEST(LineSource, PositionsSpanTheirRanges) {
  const struct {
    const char* title;
    long first, last;
  } cases[] = {{"[curve]", 1550, 156050},
               {"[pendenze]", 0, 145400},
               {"[montagne]", 2450, 156000},
               {"[cartelli]", 900, 127200},
               {"[indicazioni]", 27750, 155700}};
  for (const auto& c : cases) {
    const auto rows = rows_of(c.title);
    EXPECT_EQ(position_of(rows.front()), c.first) << c.title;
    EXPECT_EQ(position_of(rows.back()), c.last) << c.title;
  }
}

TEST(LineSource, QuotedRowsStandAtTheirPlace) {
  const struct {
    int slot;
    const char* row;
  } fixed[] = {{10, "curvad2,  1550,  1250"},
               {67, "curvas6,  156050,  300"},
               {69, "pendenza,   0,    0"},
               {70, "pendenza,  1100,   7"},
               {71, "pendenza,  2150,   11"},
               {137, "pendenza,  145400,   30"},
               {139, "montagna,   2450,  3700,  12"},
               {150, "montagna,   156000,  159350,  11"},
               {152, "indicatori_vmax,  900,  90,  95,  100,  0,  ,  ,  ,  0"},
               {177, "cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)"}};
  for (const auto& f : fixed) EXPECT_EQ(lines()[f.slot], f.row);

  const struct {
    const char* title;
    const char* row;
  } in_section[] = {
      {"[curve]", "curvad4,  80100,  1600"},
      {"[curve]", "curvad3,  37150,  300"},
      {"[pendenze]", "pendenza,  119250,   9"},
      {"[pendenze]", "pendenza,  120150,   16"},
      {"[pendenze]", "pendenza,  122600,   31"},
      {"[pendenze]", "pendenza,  124100,   0"},
      {"[cartelli]", "indicatori_vmax,  39900,  80,  90,  90,  2,  ,  ,  ,  0"},
      {"[cartelli]", "indicatori_vmax,  40500,  80,  90,  90,  1,  ,  ,  ,  0"},
      {"[cartelli]", "indicatori_vmax,  41100,  80,  90,  90,  0,  ,  ,  ,  0"},
      {"[indicazioni]", "cartello_indicatore,  96350,   (CADUTA MASSI)"},
  };
  for (const auto& n : in_section) {
    const auto rows = rows_of(n.title);
    EXPECT_NE(std::find(rows.begin(), rows.end(), n.row), rows.end()) << n.row;
  }
  // The climb from 119250 to 122600 rises step by step, rows 200 to 500 m apart.
  const auto gradients = rows_of("[pendenze]");
  auto from = std::find(gradients.begin(), gradients.end(), "pendenza,  119250,   9");
  auto to = std::find(gradients.begin(), gradients.end(), "pendenza,  122600,   31");
  ASSERT_LT(from, to);
  for (auto it = from; it != to; ++it) {
    const long step = position_of(*(it + 1)) - position_of(*it);
    EXPECT_TRUE(step >= 200 && step <= 500) << *it;
    EXPECT_LT(last_number(*it), last_number(*(it + 1))) << *it;
  }
  EXPECT_EQ(*(to + 1), "pendenza,  124100,   0");
}

TEST(LineSource, CurvesUseTheirKeywordsAndDoNotOverlap) {
  const std::map<std::string, int> expected = {{"curvad2", 2},  {"curvad3", 8}, {"curvad4", 7},
                                               {"curvad5", 5},  {"curvad6", 3}, {"curvas3", 12},
                                               {"curvas4", 13}, {"curvas5", 7}, {"curvas6", 1}};
  std::map<std::string, int> counted;
  int of_300 = 0, of_1600 = 0;
  long previous_end = 0;
  for (const auto& m :
       match_each(rows_of("[curve]"), std::regex(R"((curva[ds][1-6]),  (\d+),  (\d+))"))) {
    if (m.empty()) continue;
    ++counted[m[1]];
    const long start = std::stol(m[2]), length = std::stol(m[3]);
    EXPECT_TRUE(length >= 300 && length <= 1600) << m[0];
    of_300 += length == 300;
    of_1600 += length == 1600;
    EXPECT_LE(previous_end, start) << m[0] << " starts before the previous curve ends";
    previous_end = start + length;
  }
  EXPECT_EQ(counted, expected);
  EXPECT_EQ(of_300, 28);
  EXPECT_EQ(of_1600, 1) << "80100 is the one longest curve";
}

TEST(LineSource, GradientAndMountainRowsKeepTheirShape) {
  const auto gradients = rows_of("[pendenze]");
  const std::vector<std::string> after_the_first(gradients.begin() + 1, gradients.end());
  for (const auto& m : match_each(after_the_first, std::regex(R"(pendenza,  \d+,   (\d+))"))) {
    if (!m.empty()) {
      EXPECT_LE(std::stoi(m[1]), 31) << m[0];
    }
  }

  long previous_end = 0;
  int row = 0;
  for (const auto& m :
       match_each(rows_of("[montagne]"), std::regex(R"(montagna,   (\d+),  (\d+),  (1[12]))"))) {
    if (m.empty()) continue;
    EXPECT_EQ(m[3], row++ < 2 ? "12" : "11") << m[0];
    EXPECT_LT(previous_end, std::stol(m[1])) << m[0] << " overlaps the previous span";
    EXPECT_LT(std::stol(m[1]), std::stol(m[2])) << m[0];
    previous_end = std::stol(m[2]);
  }
}

TEST(LineSource, BoardsCarryRisingSpeedsAndStripesOnlyInTriplets) {
  const std::map<long, int> stripes = {{39900, 2}, {40500, 1}, {41100, 0}, {57900, 2},
                                       {58500, 1}, {59100, 0}, {73800, 2}, {74400, 1},
                                       {75000, 0}, {95400, 2}, {95700, 1}, {96000, 0}};
  std::map<long, std::string> speeds;
  for (const auto& m : match_each(
           rows_of("[cartelli]"),
           std::regex(R"(indicatori_vmax,  (\d+),  (\d+),  (\d+),  (\d+),  (\d),  ,  ,  ,  0)"))) {
    if (m.empty()) continue;
    const long p = std::stol(m[1]);
    const int a = std::stoi(m[2]), b = std::stoi(m[3]), c = std::stoi(m[4]);
    EXPECT_TRUE(65 <= a && a <= b && b <= c && c <= 160) << m[0];
    const auto it = stripes.find(p);
    EXPECT_EQ(std::stoi(m[5]), it == stripes.end() ? 0 : it->second) << m[0];
    speeds[p] = std::string(m[2]) + "/" + std::string(m[3]) + "/" + std::string(m[4]);
  }
  for (auto it = stripes.begin(); it != stripes.end(); std::advance(it, 3)) {
    const long p = it->first;
    EXPECT_EQ(speeds[p], speeds[std::next(it)->first]) << "triplet at " << p;
    EXPECT_EQ(speeds[p], speeds[std::next(it, 2)->first]) << "triplet at " << p;
  }
}

TEST(LineSource, SignTextsComeInTheirKinds) {
  std::map<std::string, int> kinds;
  std::vector<std::pair<long, std::size_t>> double_tunnels;  // position, blanks after "Galleria"
  long first_tunnel = 0;
  for (const auto& m : match_each(rows_of("[indicazioni]"),
                                  std::regex(R"(cartello_indicatore,  (\d+),   (\([^,"]*\)))"))) {
    if (m.empty()) continue;
    const std::string text = m[2];
    if (text == "(P.L.      )(AUTOMATICO)" || text == "(CADUTA MASSI)") {
      ++kinds[text];
    } else if (std::regex_match(text, std::regex(R"(\(Galleria [A-Z' ]+\))"))) {
      ++kinds["(Galleria name)"];
      if (first_tunnel == 0) first_tunnel = std::stol(m[1]);
    } else {
      EXPECT_TRUE(std::regex_match(text, std::regex(R"(\(Galleria *\)\([A-Z' ]+\))"))) << text;
      double_tunnels.emplace_back(std::stol(m[1]),
                                  text.find(')') - std::string("(Galleria").size());
    }
  }
  const std::map<std::string, int> expected_kinds = {
      {"(P.L.      )(AUTOMATICO)", 7}, {"(CADUTA MASSI)", 6}, {"(Galleria name)", 8}};
  EXPECT_EQ(kinds, expected_kinds);
  EXPECT_EQ(first_tunnel, 41950);
  const std::vector<std::pair<long, std::size_t>> expected_doubles = {
      {135150, 0}, {136950, 2}, {155700, 3}};
  EXPECT_EQ(double_tunnels, expected_doubles);
}

}  // namespace
}  // namespace sb
