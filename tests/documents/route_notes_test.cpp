#include "documents/route_notes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/document_lines.h"

namespace sb {
namespace {

std::vector<std::string> file_lines() {
  return testing::written_lines(dati_note());
}

TEST(RouteNotes, FrameLinesAreInPlace) {
  const auto lines = file_lines();
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[0], std::string(16, ' ') + "Treno 5127 sul percorso Borgoluce - Castelrossino");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], " Alcune precisazioni su questo percorso:");
  EXPECT_EQ(lines[20], "  Buon Divertimento !");
  EXPECT_EQ(lines[21], "");
  // The contact line: an address, then exactly four blanks.
  const std::string& contact = lines[22];
  ASSERT_GT(contact.size(), 4u);
  EXPECT_EQ(contact.substr(contact.size() - 4), "    ");
  EXPECT_NE(contact[contact.size() - 5], ' ');
  EXPECT_NE(contact.find('@'), std::string::npos);
}

TEST(RouteNotes, SixBulletedParagraphsOfOneFourTwoFourFourAndTwoLines) {
  const auto lines = file_lines();
  ASSERT_EQ(lines.size(), 23u);
  std::vector<int> paragraphs;
  for (std::size_t k = 3; k <= 19; ++k) {
    const std::string& line = lines[k];
    ASSERT_GT(line.size(), 3u) << "slot " << k;
    EXPECT_NE(line[3], ' ') << "slot " << k;
    if (line.rfind(" - ", 0) == 0) {
      paragraphs.push_back(1);
    } else {
      ASSERT_EQ(line.rfind("   ", 0), 0u) << "slot " << k << ": " << line;
      ASSERT_FALSE(paragraphs.empty()) << "a continuation line before the first bullet";
      ++paragraphs.back();
    }
  }
  EXPECT_EQ(paragraphs, (std::vector<int>{1, 4, 2, 4, 4, 2}));
}

TEST(RouteNotes, NoLineIsLongerThan109Characters) {
  const auto lines = file_lines();
  for (std::size_t k = 0; k < lines.size(); ++k) EXPECT_LE(lines[k].size(), 109u) << "slot " << k;
}

TEST(RouteNotes, AccentedLettersAreSingleWesternBytes) {
  // Printable ASCII, plus e grave (0xE8) and a grave (0xE0) as one byte each:
  // a UTF-8 sequence would bring in 0xC3 and a continuation byte.
  const std::string bytes = document_text(dati_note());
  int e_grave = 0;
  int a_grave = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == 0xE8) {
      ++e_grave;
    } else if (b == 0xE0) {
      ++a_grave;
    } else if (b == '\r' || b == '\n') {
      continue;
    } else {
      EXPECT_TRUE(b >= 0x20 && b < 0x7F) << "byte " << int(b) << " at offset " << i;
    }
  }
  EXPECT_GT(e_grave, 0);
  EXPECT_GT(a_grave, 0);
  EXPECT_EQ(bytes.find('\xC3'), std::string::npos);
}

}  // namespace
}  // namespace sb
