#include "sources/train_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/document_lines.h"

namespace sb {
namespace {

std::vector<std::string> train_source_lines() {
  return testing::written_lines(dati_treno());
}

const std::vector<std::string>& lines() {
  static const std::vector<std::string> all = train_source_lines();
  return all;
}

std::vector<std::string> fields_of(const std::string& row) {
  std::vector<std::string> c;
  std::size_t start = 0;
  for (std::size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1) {
    c.push_back(row.substr(start, comma - start));
  }
  c.push_back(row.substr(start));
  return c;
}

// The rows of slots first to last inclusive, split into their numbers (keyword dropped;
// a station keeps its name as text at the end).
struct Row {
  std::string text;
  std::vector<long> numbers;
  std::string name;
};

std::vector<Row> rows(int first, int last) {
  std::vector<Row> out;
  for (int k = first; k <= last; ++k) {
    Row r{lines()[k], {}, {}};
    auto c = fields_of(r.text);
    const bool is_station = c.front() == "stazione";
    if (is_station) {
      r.name = c.back();
      c.pop_back();
    }
    for (std::size_t i = 1; i < c.size(); ++i) r.numbers.push_back(std::stol(c[i]));
    out.push_back(r);
  }
  return out;
}

std::vector<Row> speed_rows() {
  return rows(9, 26);
}
std::vector<Row> station_rows() {
  return rows(28, 67);
}
std::vector<Row> signal_rows() {
  return rows(70, 138);
}

TEST(TrainSource, HasItsSectionsAtTheirSlots) {
  ASSERT_EQ(lines().size(), 141u);
  const struct {
    int slot;
    const char* title;
  } cases[] = {{0, "[generale]"},       {5, "[aderenze]"}, {8, "[vel_limite]"}, {27, "[stazioni]"},
               {68, "[rallentamenti]"}, {69, "[segnali]"}, {139, "[codici]"},   {140, "[fine]"}};
  for (const auto& c : cases) EXPECT_EQ(lines()[c.slot], c.title);
  const struct {
    int first, last;
    const char* keyword;
  } sections[] = {
      {6, 7, "aderenza,"}, {9, 26, "velocita,"}, {28, 67, "stazione,"}, {70, 138, "segnale,"}};
  for (const auto& s : sections) {
    for (int k = s.first; k <= s.last; ++k)
      EXPECT_EQ(lines()[k].rfind(s.keyword, 0), 0u) << lines()[k];
  }
  for (const auto& row : lines()) EXPECT_FALSE(row.empty()) << "no empty line anywhere";
  const std::string text = document_text(dati_treno());
  EXPECT_TRUE(std::all_of(text.begin(), text.end(),
                          [](char c) { return c == '\r' || c == '\n' || (c >= ' ' && c <= '~'); }));
}

TEST(TrainSource, QuotedRowsStandAtTheirPlace) {
  const struct {
    int slot;
    const char* row;
  } cases[] = {
      {1, "numero vetture,    5"},
      {2, "percentuale massa frenata,    120"},
      {3, "sabbia,    300"},
      {4, "orologio,    7               33            0 "},
      {6, "aderenza,       0,    85"},
      {7, "aderenza,   73000,    80"},
      {9, "velocita,   0,    30"},
      {10, "velocita,     800,    95"},
      {26, "velocita,  159300,    30"},
      {28, "stazione,       0,  7,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   7,35, 0, BORGOLUCE"},
      {36, "stazione,   26650,  2,  500,  1, 0, 0,  4,1,0,  2,1,1,   60,   8, 5, 0, PIANVERDE"},
      {70, "segnale,    3200,   2, 2, 3,  1, 1,    2,  2,1,1, 0"},
      {138, "segnale,  161050,   2, 2, 3,  0, 0,    0,  0,0,0, 0"},
  };
  for (const auto& c : cases) EXPECT_EQ(lines()[c.slot], c.row);
  EXPECT_EQ(lines()[4].size(), 45u) << "the clock row keeps its trailing blank";

  const char* const anywhere[] = {"velocita,   11100,   160",
                                  "segnale,   57700,   1, 3, 1,  0, 0,    0,  0,0,0, 255",
                                  "segnale,   76350,   2, 3, 1,  0, 0,    0,  0,0,0, 210"};
  for (const char* row : anywhere) {
    EXPECT_NE(std::find(lines().begin(), lines().end(), row), lines().end()) << row;
  }
  EXPECT_EQ(lines()[56].substr(0, 72),
            "stazione,  116200, 28,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, ");
  EXPECT_EQ(lines()[67],
            "stazione,  162000,  6,  600,  0, 0, 0,  1,1,0,  2,1,1,    0,  10,32, 0, "
            "CASTELROSSINO");
}

TEST(TrainSource, NumbersAreRightAlignedInTheirColumns) {
  const struct {
    int first, last;
    std::vector<std::size_t> widths;  // 0: 2 characters, or 4 for a three-digit value
  } cases[] = {
      {6, 7, {8, 6}},
      {10, 26, {8, 6}},
      {28, 67, {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2}},
      {70, 138, {8, 4, 2, 2, 3, 2, 5, 3, 1, 1, 0}},
  };
  const std::regex number(R"( *\d+)");
  for (const auto& c : cases) {
    for (int k = c.first; k <= c.last; ++k) {
      const auto cc = fields_of(lines()[k]);
      const bool is_station = cc.front() == "stazione";
      ASSERT_EQ(cc.size(), c.widths.size() + 1 + (is_station ? 1 : 0)) << lines()[k];
      for (std::size_t i = 0; i < c.widths.size(); ++i) {
        const std::string& field = cc[i + 1];
        EXPECT_TRUE(std::regex_match(field, number)) << lines()[k];
        const std::size_t expected_width =
            c.widths[i] != 0 ? c.widths[i] : (std::stol(field) >= 100 ? 4 : 2);
        EXPECT_EQ(field.size(), expected_width) << "field " << i + 1 << " of " << lines()[k];
      }
      if (is_station) {
        EXPECT_TRUE(std::regex_match(cc.back(), std::regex(R"( [A-Z][A-Z.' ()-]*[A-Z)])")))
            << lines()[k];
      }
    }
  }
}

TEST(TrainSource, ProfilesAndTimetableAscend) {
  const struct {
    std::vector<Row> rows;
    long first, last;
  } cases[] = {
      {speed_rows(), 0, 159300}, {station_rows(), 0, 162000}, {signal_rows(), 3200, 161050}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.rows.front().numbers[0], c.first);
    EXPECT_EQ(c.rows.back().numbers[0], c.last);
    for (std::size_t i = 1; i < c.rows.size(); ++i) {
      EXPECT_LT(c.rows[i - 1].numbers[0], c.rows[i].numbers[0]) << c.rows[i].text;
    }
  }
  long highest = 0;
  for (const auto& r : speed_rows()) {
    EXPECT_TRUE(r.numbers[1] >= 30 && r.numbers[1] <= 160) << r.text;
    highest = std::max(highest, r.numbers[1]);
  }
  EXPECT_EQ(highest, 160);
  for (const auto& r : station_rows()) {
    EXPECT_EQ(r.numbers[0] % 50, 0) << r.text;
    EXPECT_LE(r.name.size(), 28u) << "at most 27 characters after the blank: " << r.name;
  }
}

// Counts the values of one field over a list of rows.
std::map<long, int> count_values(const std::vector<Row>& list, std::size_t field) {
  std::map<long, int> n;
  for (const auto& r : list) ++n[r.numbers.at(field)];
  return n;
}

std::vector<long> values_of(const std::map<long, int>& counts) {
  std::vector<long> v;
  for (const auto& [value, n] : counts) v.push_back(value);
  return v;
}

TEST(TrainSource, StationFieldsTakeTheirValues) {
  const auto s = station_rows();
  EXPECT_EQ(
      count_values(s, 1),
      (std::map<long, int>{{2, 1}, {4, 3}, {6, 1}, {7, 1}, {11, 1}, {12, 31}, {24, 1}, {28, 1}}));
  const struct {
    std::size_t field;  // 0-based after the keyword: field n of the row is n - 1
    std::vector<long> values;
  } cases[] = {{2, {300, 400, 500, 600, 700}},
               {3, {0, 1}},
               {4, {0, 1}},
               {5, {0}},
               {6, {0, 1, 4}},
               {7, {0, 1}},
               {8, {0, 1}},
               {9, {0, 2, 4, 5}},
               {10, {0, 1, 2, 6}},
               {11, {0, 1}},
               {12, {0, 1, 30, 45, 60, 220}},
               {13, {0, 7, 8, 9, 10}},
               {15, {0, 30}}};
  for (const auto& c : cases)
    EXPECT_EQ(values_of(count_values(s, c.field)), c.values) << "field " << c.field + 1;
  for (const auto& r : s) {
    EXPECT_LE(r.numbers[14], 59) << r.text;
    EXPECT_EQ(r.numbers[13] == 0, r.numbers[1] == 28)
        << "only the junction has no time: " << r.text;
    if (r.numbers[13] == 0) {
      EXPECT_EQ(r.numbers[14], 0) << r.text;
    }
  }
  EXPECT_EQ(s[8].numbers[0], 26650);
  EXPECT_EQ(s[28].numbers[1], 28);
}

TEST(TrainSource, SignalFieldsTakeTheirValues) {
  const auto g = signal_rows();
  EXPECT_EQ(count_values(g, 1), (std::map<long, int>{{1, 28}, {2, 41}}));
  EXPECT_EQ(values_of(count_values(g, 2)), (std::vector<long>{2, 3, 4, 5}));
  EXPECT_EQ(values_of(count_values(g, 3)), (std::vector<long>{0, 1, 3, 4}));
  EXPECT_EQ(count_values(g, 6)[0], 56);
  EXPECT_EQ(values_of(count_values(g, 6)), (std::vector<long>{0, 1, 2}));
  EXPECT_EQ(count_values(g, 7)[0], 56);
  EXPECT_EQ(values_of(count_values(g, 7)), (std::vector<long>{0, 2, 3}));
  EXPECT_EQ(values_of(count_values(g, 8)), (std::vector<long>{0, 1}));
  EXPECT_EQ(count_values(g, 10), (std::map<long, int>{{0, 64}, {210, 1}, {255, 4}}));
  // s3, rapp and d3 are set on the first signal only.
  for (std::size_t field : {4u, 5u, 9u}) {
    EXPECT_EQ(count_values(g, field), (std::map<long, int>{{0, 68}, {1, 1}})) << field;
    EXPECT_EQ(g.front().numbers[field], 1);
  }
  // Cab signalling codes on the 13 signals up to 25850, none from 30800 on.
  for (std::size_t i = 0; i < g.size(); ++i) {
    const auto& n = g[i].numbers;
    EXPECT_EQ(n[6] != 0, i < 13) << g[i].text;
    if (n[0] >= 30800) {
      EXPECT_EQ(n[6] + n[7] + n[8] + n[9], 0) << g[i].text;
    }
  }
  EXPECT_EQ(g[12].numbers[0], 25850);
  const auto first_255 =
      std::find_if(g.begin(), g.end(), [](const Row& r) { return r.numbers[10] == 255; });
  EXPECT_EQ(first_255->numbers[0], 57700);
}

}  // namespace
}  // namespace sb
