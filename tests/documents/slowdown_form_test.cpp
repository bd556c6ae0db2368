#include "documents/slowdown_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/document_lines.h"

namespace sb {
namespace {

// The lines of the written file; every line must end in CR LF.
std::vector<std::string> file_lines() {
  return testing::written_lines(dati_rallentamenti());
}

const std::string kRule =
    " |___|____________________________|____________|__________|_________|____________|";
const std::string kEmptyRow =
    " |   |                            |            |          |         |            |";

TEST(SlowdownForm, FortyOneAsciiLinesWithoutStrayLineBreaks) {
  const std::string bytes = document_text(dati_rallentamenti());
  const auto lines = file_lines();
  ASSERT_EQ(lines.size(), 41u);
  EXPECT_EQ(bytes.substr(0, 2), "\r\n");  // the form opens with an empty line
  for (std::size_t k = 0; k < lines.size(); ++k) {
    for (const char c : lines[k]) {
      EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "slot " << k << " byte " << int(c);
    }
  }
}

TEST(SlowdownForm, QuotedLinesAreVerbatim) {
  const struct {
    std::size_t slot;
    std::string line;
  } cases[] = {
      {0, ""},
      {1, std::string(31, ' ') + "Modulo M. 3"},
      {2, std::string(27, ' ') + "ORDINE DI RALLENTAMENTO"},
      {3, " " + std::string(80, '_')},
      {4, "  Linea  BORGOLUCE - CASTELROSSINO"},
      {5, ""},
      {6, "  Si ordina al macchinista del treno 5127 di effettura i seguenti rallentamenti"},
      {7, "  " + std::string(79, '_')},
      {8, " |   |                            |Inizio dopo |          |         |            |"},
      {9, " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|"},
      {10, " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |"},
      {11, kRule},
      {12, " |   |    NESSUN RALLENTAMENTO    |            |          |         |   ---      |"},
      {33, kRule},
      {34, ""},
      {35, std::string(14, ' ') + "Prescrizioni specifiche"},
      {36, " A - Da rispettare con tutto il treno (per i treni viaggiatori)"},
      {37, " B - Interessa anche la stazione di......."},
      {38, " D - Rallentamneto N. ... e N. ...  sono contigui"},
      {39, " C - Da rispettare dalle ore ....  alle ore ..... di tutti"},
      {40, "     i giorni esclusi i seguenti:........."},
  };
  const auto lines = file_lines();
  ASSERT_EQ(lines.size(), 41u);
  for (const auto& c : cases) EXPECT_EQ(lines[c.slot], c.line) << "slot " << c.slot;
}

TEST(SlowdownForm, LineNameIsTwentyFiveCharactersOfPlaceNames) {
  const auto lines = file_lines();
  ASSERT_EQ(lines.size(), 41u);
  const std::string prefix = "  Linea  ";
  ASSERT_EQ(lines[4].rfind(prefix, 0), 0u);
  EXPECT_EQ(lines[4].size() - prefix.size(), 25u);
  EXPECT_EQ(lines[3].size(), 81u);
  EXPECT_EQ(lines[7].size(), 81u);
}

TEST(SlowdownForm, TableHasTwentyOneRowsBetweenItsRules) {
  const auto lines = file_lines();
  ASSERT_EQ(lines.size(), 41u);
  EXPECT_EQ(lines[11], kRule);
  EXPECT_EQ(lines[33], kRule);
  EXPECT_NE(lines[12], kEmptyRow);
  for (std::size_t k = 13; k <= 32; ++k) EXPECT_EQ(lines[k], kEmptyRow) << "slot " << k;
}

TEST(SlowdownForm, EveryTableLineHasItsBarsInTheSameColumns) {
  // Columns counted from 1, as a reader of the form sees them.
  const std::string expected_bars = "2 6 35 48 59 69 82 ";
  const auto lines = file_lines();
  ASSERT_EQ(lines.size(), 41u);
  for (std::size_t k = 8; k <= 33; ++k) {
    EXPECT_EQ(lines[k].size(), 82u) << "slot " << k;
    std::string bars;
    for (std::size_t c = 0; c < lines[k].size(); ++c) {
      if (lines[k][c] == '|') bars += std::to_string(c + 1) + " ";
    }
    EXPECT_EQ(bars, expected_bars) << "slot " << k;
  }
}

}  // namespace
}  // namespace sb
