// The kind table and the code table against each other, against the rules
// that use them, and against the authors' documentation.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "compiler/cell_kinds.h"
#include "compiler/error_codes.h"
#include "compiler/warnings.h"

namespace sb {
namespace {

std::string read_doc(const std::string& name) {
  std::ifstream in(std::string(SCENARIO_BUILDER_DOCS_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CodeTable, EveryCodeIsDocumentedWithItsMessage) {
  const std::string doc = read_doc("error-codes.md");
  for (const ErrorCodeInfo& info : error_code_table()) {
    if (info.code == kNoError) continue;
    // The message opens the row's second column; the column may go on to say
    // what the diagnostic adds to it.
    const std::string row = "| " + std::to_string(info.code) + " | " + error_message(info.code);
    const std::size_t at = doc.find(row);
    ASSERT_NE(at, std::string::npos) << "docs/error-codes.md has no row " << row;
    const char next = doc.at(at + row.size());
    EXPECT_TRUE(next == ' ' || next == ',') << row;
  }
}

TEST(CodeTable, MessagesQuoteTheNamedLimits) {
  EXPECT_EQ(error_message(kLineTooLong), "line length above 1000000 m");
  EXPECT_EQ(error_message(kTooManySigns), "too many signs: at most 81 sign texts fit");
  EXPECT_EQ(error_message(kTooManyMountainSpans), "too many mountain spans: at most 80 fit");
  EXPECT_EQ(error_message(kSourceTooLarge), "source file larger than 16777216 bytes");
  EXPECT_EQ(error_message(kFieldTooLong), "field longer than 65535 bytes");
  EXPECT_EQ(error_message(9999), "unknown error code");
  for (const ErrorCodeInfo& info : error_code_table()) {
    EXPECT_EQ(error_message(info.code).find("{}"), std::string::npos) << info.code;
  }
}

TEST(CodeTable, FactsOfEachCodeAgree) {
  std::set<Long> seen;
  for (const ErrorCodeInfo& info : error_code_table()) {
    EXPECT_TRUE(seen.insert(info.code).second) << "code " << info.code << " twice";
    // A cell named from a position needs the position.
    if (info.cell) {
      EXPECT_TRUE(info.has_position) << info.code;
    }
    EXPECT_EQ(code_has_position(info.code), info.has_position);
  }
  // Only the two guards of the compile step are fatal.
  for (const ErrorCodeInfo& info : error_code_table()) {
    EXPECT_EQ(info.fatal, info.code == kReservedSlotSet || info.code == kCheckCodeSlotSet)
        << info.code;
  }
  EXPECT_EQ(error_code(kProgressiveNotMultiple)->target, CodeTarget::kNothing);
  EXPECT_EQ(error_code(kNoRoomInSlowdown)->target, CodeTarget::kCell);
  EXPECT_EQ(error_code(kSignCellTaken)->target, CodeTarget::kRow);
}

TEST(WarningTable, EveryWarningIsDocumentedWithItsName) {
  const std::string doc = read_doc("error-codes.md");
  for (const WarningInfo& w : warning_table()) {
    const std::string row = "| `" + std::string(w.name) + "` |";
    EXPECT_NE(doc.find(row), std::string::npos) << "docs/error-codes.md has no row " << row;
    EXPECT_EQ(warning_by_name(w.name), w.warning);
  }
  EXPECT_FALSE(warning_by_name("no-such-warning"));
}

TEST(KindTable, EveryKindIsDocumentedWithItsName) {
  const std::string doc = read_doc("compiled-files.md");
  for (const CellKindInfo& k : cell_kind_table()) {
    const std::string row = "| " + std::to_string(k.genere) + " | " + std::string(k.name);
    EXPECT_NE(doc.find(row), std::string::npos) << "docs/compiled-files.md has no row " << row;
  }
}

TEST(KindTable, NamesAndLanes) {
  EXPECT_EQ(kind_with_article(kSignal), "a signal");
  EXPECT_EQ(kind_with_article(kSpeedBoards), "speed indicator boards");
  EXPECT_EQ(kind_with_article(kMark), "an abbattimento mark");
  EXPECT_EQ(kind_with_article(7), "an element of kind 7");
  EXPECT_EQ(kind_title(kSlowdownStart), "Slowdown start");
  EXPECT_EQ(lane_name(cell_kind(kSign)->lane), "Signs");
  // Every drawn kind has a symbol, and every kind with a symbol is drawn.
  for (const CellKindInfo& k : cell_kind_table()) {
    EXPECT_EQ(k.lane == PlotLane::kNone, k.symbol == PlotSymbol::kNone) << int{k.genere};
  }
}

// The placements are the rules by which the reader places an element and the
// plot finds it again: each metre_of is the inverse of its cell_of on
// positions that are multiples of 50.
TEST(KindTable, PlacementsMatchTheReaderRules) {
  struct Case {
    Placement placement;
    Long p;
    std::int64_t cell;
    double metre;  // where the element of that cell stands
  } const cases[] = {
      {Placement::kPoint, 0, 1, 0},
      {Placement::kPoint, 3200, 65, 3200},
      {Placement::kPoint, 75, 2, 50},
      {Placement::kPoint, 125, 4, 150},
      {Placement::kCellStart, 27750, 555, 27750},
      {Placement::kStationEnd, 700, 13, 700},
      {Placement::kWarningPoint, 5000, 77, 3800},
      {Placement::kBeforeWarning, 5000, 76, 3800},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cell_of(c.placement, c.p), c.cell) << c.p;
    EXPECT_EQ(metre_of(c.placement, c.cell), c.metre) << c.p;
  }
}

}  // namespace
}  // namespace sb
