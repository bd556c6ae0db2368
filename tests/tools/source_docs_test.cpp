// The editor's hover quotes the authors' pages: every row must be found in
// them, so that a page rewritten without a row's heading or table row fails
// here rather than leaving the hover silent.
#include "tools/source_docs.h"

#include <gtest/gtest.h>

#include <string>

namespace sb {
namespace {

TEST(SourceDocs, EveryRowIsDescribedByThePages) {
  for (const RowSyntax& r : row_syntax_table()) {
    EXPECT_FALSE(row_description(r).empty()) << r.keyword;
  }
}

TEST(SourceDocs, FieldsAreFoundByNumberNameOrMention) {
  const struct {
    const char* keyword;
    std::size_t field;
    const char* says;  // empty: the pages say nothing of this field alone
  } cases[] = {
      {"stazione", 1, "`valore_c`"},           // "1 position P (m)"
      {"stazione", 15, "(hours × 60"},         // "14, 15, 16 hours, minutes, seconds"
      {"stazione", 17, "quote it"},            // the name
      {"pendenza", 2, "per mille, signed"},    // by the first word of "gradient"
      {"montagna", 3, "11 or 12"},             // a numbered table with names
      {"indicatori_vmax", 7, "three speeds"},  // "6, 7, 8"
      {"segnale", 2, "`sx` × 3"},              // no field table: the rows that name `sx`
      {"velocita", 2, ""},                     // prose only: the row's paragraph serves
      {"stazione", 18, ""},                    // beyond the row
  };
  for (const auto& c : cases) {
    const RowSyntax* r = row_syntax(c.keyword);
    ASSERT_NE(r, nullptr) << c.keyword;
    const std::string text = field_description(*r, c.field);
    if (*c.says == '\0') {
      EXPECT_EQ(text, "") << c.keyword << " " << c.field;
    } else {
      EXPECT_NE(text.find(c.says), std::string::npos)
          << c.keyword << " " << c.field << ": " << text;
    }
  }
}

}  // namespace
}  // namespace sb
