#include "documents/train_card.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <regex>
#include <string>
#include <vector>

#include "sources/train_source.h"
#include "support/document_lines.h"

namespace sb {
namespace {

std::vector<std::string> lines_of(const Righe& r) {
  return testing::written_lines(r);
}

const std::vector<std::string>& card_lines() {
  static const std::vector<std::string> lines = lines_of(dati_scheda());
  return lines;
}

constexpr int kCardStart[] = {2, 53, 102, 152};  // first slot of each card
constexpr int kTableRows[] = {31, 30, 31, 31};
constexpr int kFirstTableLine = 14;  // table rows begin on the 15th line of a card

const std::string kEmptyRow =
    " |     |     |          |     |                            |                |     |";
const std::string kRule =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

// Line n (0-based) of card c (0-based).
const std::string& card_line(int c, int n) {
  return card_lines().at(kCardStart[c] + n);
}

std::vector<std::string> table(int c) {
  std::vector<std::string> t;
  for (int n = 0; n < kTableRows[c]; ++n) t.push_back(card_line(c, kFirstTableLine + n));
  return t;
}

std::vector<std::string> rows_in_use(int c) {
  std::vector<std::string> t;
  for (const auto& r : table(c)) {
    if (r != kEmptyRow) t.push_back(r);
  }
  return t;
}

// The seven cells of a table row, between its bars.
std::array<std::string, 7> cells(const std::string& row) {
  constexpr std::size_t bars[] = {1, 7, 13, 24, 30, 59, 76, 82};
  std::array<std::string, 7> c;
  EXPECT_EQ(row.size(), 83u) << row;
  if (row.size() != 83) return c;
  for (std::size_t b : bars) EXPECT_EQ(row[b], '|') << row;
  for (std::size_t i = 0; i < 7; ++i) c[i] = row.substr(bars[i] + 1, bars[i + 1] - bars[i] - 1);
  return c;
}

std::string place_name(const std::string& row) {
  std::string n = cells(row)[4];
  return n.substr(1, n.find_last_not_of(' '));
}

bool is_station(const std::string& row) {
  const std::string n = place_name(row);
  return n != "Cartello Indicatore" && n.rfind("Imbocco galleria ", 0) != 0 &&
         n.rfind("Sbocco galleria ", 0) != 0;
}

TEST(TrainCard, DocumentHoldsFourCardsBetweenSeparators) {
  ASSERT_EQ(card_lines().size(), 199u);
  for (int slot : {0, 1, 48, 49, 51, 52, 98, 99, 101, 148, 149, 151, 198}) {
    EXPECT_EQ(card_lines()[slot], "") << "slot " << slot;
  }
  EXPECT_EQ(card_lines()[50], std::string(81, '.'));
  EXPECT_EQ(card_lines()[100], std::string(72, '.'));
  EXPECT_EQ(card_lines()[150], std::string(72, '.'));
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(card_line(c, 0).substr(0, 21), "  ___________________") << "card " << c + 1;
    EXPECT_EQ(card_line(c, kFirstTableLine + kTableRows[c]), kRule) << "card " << c + 1;
  }
}

TEST(TrainCard, FrameLinesHaveTheirLengths) {
  const std::size_t lengths[] = {82, 83, 83, 83, 83, 56, 64, 57, 57, 0, 82, 83, 83, 83};
  for (int c = 0; c < 4; ++c) {
    for (int n = 0; n < kFirstTableLine; ++n) {
      EXPECT_EQ(card_line(c, n).size(), lengths[n]) << "card " << c + 1 << " line " << n + 1;
    }
    for (const auto& r : table(c)) cells(r);
  }
  // The lines that do not change from card to card.
  const struct {
    int n;
    const char* text;
  } common[] = {
      {0, "  ___________________                                               ______________"},
      {4, "                                                                   |______________|"},
      {5, "  ___________________                ___________________"},
      {6, " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       "},
      {8, " |___________________|              |___________________|"},
      {10, "  ________________________________________________________________________________"},
      {11, " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |"},
      {12, " | Lim.|Marc.|          |  Rs |                            |                |     |"},
      {13, " |_____|_____|__________|_____|____________________________|________________|_____|"},
  };
  for (int c = 0; c < 4; ++c) {
    for (const auto& l : common) EXPECT_EQ(card_line(c, l.n), l.text) << "card " << c + 1;
  }
}

TEST(TrainCard, HeadersNameTheStretchOfEachCard) {
  const struct {
    const char* title;
    std::string from, to;
    const char* classification;
  } cases[] = {
      {"SCHEDA 1/4", "BORGOLUCE", "PIANVERDE",
       " |       DIR         |              |      330T         |"},
      {"SCHEDA 2/4", "PIANVERDE", "SAN VITO IN ALPE",
       " |        DIR        |              |      330T         |"},
      {"SCHEDA 3/4", "SAN VITO IN ALPE", "CASTELROSSINO",
       " |        DIR        |              |      330T         |"},
  };
  for (int c = 0; c < 3; ++c) {
    const auto& k = cases[c];
    EXPECT_EQ(card_line(c, 1), std::string(" |                   |                    ") + k.title +
                                   "               |              |");
    ASSERT_LE(k.from.size(), 22u);
    ASSERT_LE(k.to.size(), 22u);
    EXPECT_EQ(card_line(c, 2), " |   TRENO n.5127    |" + std::string(19, ' ') + "da: " + k.from +
                                   std::string(22 - k.from.size(), ' ') + "|    V160 B    |");
    EXPECT_EQ(card_line(c, 3), " |___________________|" + std::string(20, ' ') + "a: " + k.to +
                                   std::string(22 - k.to.size(), ' ') + "|     120%     |");
    EXPECT_EQ(card_line(c, 7), k.classification);
    // The header names the first and the last station of the table.
    EXPECT_EQ(place_name(rows_in_use(c).front()), k.from);
    EXPECT_EQ(place_name(rows_in_use(c).back()), k.to);
  }
  EXPECT_EQ(card_line(3, 1),
            " |                   |                    SCHEDA 4/4               |              |");
  EXPECT_EQ(card_line(3, 2),
            " |   TRENO n.xxxxx   |                   da: xxxxxx                |    Vxxx C    |");
  EXPECT_EQ(card_line(3, 3),
            " |___________________|                    a: xxxxxx                |     xxx%     |");
  EXPECT_EQ(card_line(3, 7), " |        xxx        |              |      xxxT         |");
}

TEST(TrainCard, TablesHoldTheirRowsInUseThenEmptyRows) {
  const struct {
    std::size_t stations, signs, portals;
  } cases[] = {{9, 3, 0}, {19, 9, 2}, {14, 0, 0}, {0, 0, 0}};
  for (int c = 0; c < 4; ++c) {
    const auto rows = rows_in_use(c);
    const auto t = table(c);
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), t.begin()))
        << "card " << c + 1 << ": empty rows come last";
    const auto stations =
        static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), is_station));
    const auto signs =
        static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [](const std::string& r) {
          return place_name(r) == "Cartello Indicatore";
        }));
    EXPECT_EQ(stations, cases[c].stations) << "card " << c + 1;
    EXPECT_EQ(signs, cases[c].signs) << "card " << c + 1;
    EXPECT_EQ(rows.size() - stations - signs, cases[c].portals) << "card " << c + 1;
    for (const auto& r : rows) {
      const auto k = cells(r);
      EXPECT_EQ(k[3], "     ") << r;
      EXPECT_EQ(k[6], "     ") << r;
      EXPECT_LE(place_name(r).size(), 27u) << r;
      if (!is_station(r)) {
        EXPECT_NE(k[0], "     ") << "a board or portal fills both speeds: " << r;
        EXPECT_NE(k[1], "     ") << r;
        EXPECT_EQ(k[5], std::string(16, ' ')) << r;
      }
    }
  }
  EXPECT_EQ(rows_in_use(1).size(), 30u);
}

TEST(TrainCard, CellsFollowTheAlignmentOfTheirCard) {
  const std::string v = "     ";
  const struct {
    std::regex km, speed_limit, running_speed, times;
  } cases[] = {
      {std::regex(R"([ \d]\d\+\d{3} {4})"), std::regex(R"( \d\d  | \d{3} |     )"),
       std::regex(R"( \d\d  |\d{3}  |     )"),
       std::regex(
           R"( {10}\d\.\d\d  | {6}\d\.\d\d {6}| \d\.\d\d {5}\d\.\d\d  | \d\.\d\d {11}| {16})")},
      {std::regex(R"([ \d]{2}\d\+\d{3} {3})"), std::regex(R"( \d\d  |\d{3}  |     )"),
       std::regex(R"( \d\d  |\d{3}  |     )"),
       std::regex(R"( {6}\d\.\d\d {6}| \d\.\d\d {5}\d\.\d\d  | \d\.\d\d {6}\d\.\d\d | {16})")},
      {std::regex(R"([ \d]{3}\d\+\d{3} {2})"), std::regex(R"(  \d\d |     )"),
       std::regex(R"( \d\d  |     )"),
       std::regex(
           R"( {5}[ \d]\d\.\d\d {6}|[ \d]\d\.\d\d {6}[ \d]\d\.\d\d|[ \d]\d\.\d\d {11}| {16})")},
  };
  for (int c = 0; c < 3; ++c) {
    for (const auto& r : rows_in_use(c)) {
      const auto k = cells(r);
      EXPECT_TRUE(std::regex_match(k[2], cases[c].km)) << r;
      EXPECT_TRUE(std::regex_match(k[0], cases[c].speed_limit)) << r;
      EXPECT_TRUE(std::regex_match(k[1], cases[c].running_speed)) << r;
      EXPECT_TRUE(std::regex_match(k[5], cases[c].times)) << r;
    }
  }
  // The cell values that the card is known by, each in its card's column.
  const struct {
    int card, cell;
    const char* value;
  } known[] = {
      {0, 2, " 0+000    "},
      {0, 2, "10+700    "},
      {1, 2, " 26+700   "},
      {1, 2, "102+200   "},
      {2, 2, " 106+700  "},
      {0, 0, " 30  "},
      {0, 0, " 120 "},
      {0, 1, "115  "},
      {1, 0, " 30  "},
      {1, 0, "130  "},
      {1, 1, "120  "},
      {2, 0, "  95 "},
      {2, 1, " 85  "},
      {0, 5, "          7.35  "},
      {0, 5, "      7.37      "},
      {0, 5, " 7.41     7.43  "},
      {0, 5, " 7.58           "},
      {1, 5, "      8.12      "},
      {1, 5, " 8.32     8.38  "},
      {1, 5, " 7.58      8.06 "},
      {2, 5, "      9.34      "},
      {2, 5, " 9.43       9.46"},
      {2, 5, "10.06      10.07"},
      {2, 5, "10.32           "},
  };
  for (const auto& n : known) {
    const auto rows = rows_in_use(n.card);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                            [&](const std::string& r) { return cells(r)[n.cell] == n.value; }))
        << "card " << n.card + 1 << " cell " << n.cell + 1 << " '" << n.value << "'";
  }
}

TEST(TrainCard, QuotedRowsStandAtTheirPlace) {
  const auto first_card = rows_in_use(0);
  EXPECT_EQ(first_card.front(),
            " | 30  | 30  | 0+000    |     | BORGOLUCE                  |          7.35  |     |");
  EXPECT_EQ(first_card.back(),
            " |     |     |26+700    |     | PIANVERDE                  | 7.58           |     |");
  for (const char* r :
       {" | 95  | 85  | 5+175    |     | Cartello Indicatore        |                |     |",
        " | 160 |150  |11+100    |     | Cartello Indicatore        |                |     |"}) {
    EXPECT_NE(std::find(first_card.begin(), first_card.end(), r), first_card.end()) << r;
  }
  EXPECT_EQ(cells(rows_in_use(2).front())[2], " 106+700  ");
}

TEST(TrainCard, JoinsRepeatTheLastStationOfTheCardBefore) {
  // PIANVERDE: the arrival alone on card 1, arrival and departure on card 2.
  const auto card1_end = cells(rows_in_use(0).back());
  const auto card2_start = cells(rows_in_use(1).front());
  EXPECT_EQ(card1_end[4], card2_start[4]);
  EXPECT_EQ(card1_end[5], " 7.58           ");
  EXPECT_EQ(card2_start[5], " 7.58      8.06 ");
  // SAN VITO IN ALPE: one single time on both cards.
  const auto card2_end = cells(rows_in_use(1).back());
  const auto card3_start = cells(rows_in_use(2).front());
  EXPECT_EQ(card2_end[4], card3_start[4]);
  EXPECT_EQ(card2_end[5], card3_start[5]);
  EXPECT_TRUE(std::regex_match(card2_end[5], std::regex(R"( {6}\d\.\d\d {6})"))) << card2_end[5];
}

// The card and the train source are written apart; they must name the same
// stations in the same order, at the same kilometres and times.
TEST(TrainCard, AgreesWithTheTrainSource) {
  struct Stop {
    std::string name;
    long metres;
    int minutes;  // of the day; -1 without a time
  };
  std::vector<Stop> from_source;
  const std::string text = document_text(dati_treno());
  const std::regex station_row(
      R"(stazione, *(\d+),(?: *\d+,){12} *(\d+), *(\d+), *\d+, ([^\r]*)\r)");
  for (std::sregex_iterator it(text.begin(), text.end(), station_row), end; it != end; ++it) {
    const int hours = std::stoi((*it)[2]), minutes = std::stoi((*it)[3]);
    from_source.push_back({(*it)[4], std::stol((*it)[1]), hours == 0 ? -1 : hours * 60 + minutes});
  }
  ASSERT_EQ(from_source.size(), 40u);

  // The departure, or the only time, of a card's time cell.
  auto departure_minutes = [](const std::string& time_cell) {
    std::vector<int> t;
    const std::regex time(R"((\d+)\.(\d\d))");
    for (std::sregex_iterator it(time_cell.begin(), time_cell.end(), time), end; it != end; ++it) {
      t.push_back(std::stoi((*it)[1]) * 60 + std::stoi((*it)[2]));
    }
    return t.empty() ? -1 : t.back();
  };
  std::vector<Stop> from_card;
  for (int c = 0; c < 3; ++c) {
    for (const auto& r : rows_in_use(c)) {
      if (!is_station(r)) continue;
      const auto k = cells(r);
      const Stop f{place_name(r),
                   std::stol(k[2]) * 1000 + std::stol(k[2].substr(k[2].find('+') + 1)),
                   departure_minutes(k[5])};
      if (!from_card.empty() && from_card.back().name == f.name) {
        from_card.back() = f;  // the join: the later card carries the departure
      } else {
        from_card.push_back(f);
      }
    }
  }
  ASSERT_EQ(from_card.size(), from_source.size());
  for (std::size_t i = 0; i < from_card.size(); ++i) {
    EXPECT_EQ(from_card[i].name, from_source[i].name) << "station " << i + 1;
    if (from_source[i].name == "PIANVERDE") {
      // Both documents carry their own figures here: 26+700 and 8.06 on the
      // card, 26650 and 8:05 in the source.
      EXPECT_EQ(from_card[i].metres, 26700);
      EXPECT_EQ(from_source[i].metres, 26650);
      EXPECT_EQ(from_card[i].minutes, 8 * 60 + 6);
      EXPECT_EQ(from_source[i].minutes, 8 * 60 + 5);
      continue;
    }
    EXPECT_EQ(from_card[i].metres, from_source[i].metres) << from_card[i].name;
    EXPECT_EQ(from_card[i].minutes, from_source[i].minutes) << from_card[i].name;
  }
}

}  // namespace
}  // namespace sb
