#include "compiler/field_reader.h"

#include <gtest/gtest.h>

#include "compiler/error_codes.h"

namespace sb {
namespace {

TEST(FieldReader, FieldsEndAtCommasAndLineEnds) {
  FieldReader in("cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)\r\n[fine]\r\n");
  EXPECT_EQ(in.read_text().text, "cartello_indicatore");
  EXPECT_EQ(in.read_long(), 27750);
  const Field sign_text = in.read_text();
  EXPECT_EQ(sign_text.text, "(P.L.      )(AUTOMATICO)");
  EXPECT_EQ(sign_text.line, 1);
  EXPECT_EQ(sign_text.column, 32);
  EXPECT_FALSE(in.at_end());
  const Field end_row = in.read_text();
  EXPECT_EQ(end_row.text, "[fine]");
  EXPECT_EQ(end_row.line, 2);
  EXPECT_EQ(end_row.column, 1);
  EXPECT_TRUE(in.at_end()) << "the line end after the last field is consumed";
}

TEST(FieldReader, NumbersAlsoEndAtBlanks) {
  FieldReader in("orologio,    7               33            0 \r\n[aderenze]\r\n");
  EXPECT_EQ(in.read_text().text, "orologio");
  EXPECT_EQ(in.read_long(), 7);
  EXPECT_EQ(in.read_long(), 33);
  EXPECT_EQ(in.read_long(), 0);
  EXPECT_EQ(in.read_text().text, "[aderenze]");
  EXPECT_TRUE(in.at_end());
}

TEST(FieldReader, EmptyNumericFieldsAreZero) {
  FieldReader in("indicatori_vmax,  900,  90,  ,  ,  0\n");
  in.read_text();
  EXPECT_EQ(in.read_long(), 900);
  EXPECT_EQ(in.read_long(), 90);
  EXPECT_EQ(in.read_long(), 0);
  EXPECT_EQ(in.read_long(), 0);
  EXPECT_EQ(in.read_long(), 0);
  EXPECT_TRUE(in.at_end());
}

TEST(FieldReader, QuotedTextMayHoldCommas) {
  FieldReader in("stazione, \"BORGO, ALTO\" , next\nlast");
  in.read_text();
  EXPECT_EQ(in.read_text().text, "BORGO, ALTO");
  EXPECT_EQ(in.read_text().text, "next");
  EXPECT_EQ(in.read_text().text, "last");
  EXPECT_TRUE(in.at_end());
}

TEST(FieldReader, UnquotedTextEndsAtAComma) {
  FieldReader in("BORGO, ALTO\n");
  EXPECT_EQ(in.read_text().text, "BORGO");
  EXPECT_EQ(in.read_text().text, "ALTO");
}

TEST(FieldReader, NegativeAndSignedNumbers) {
  FieldReader in("-7,+12, -2147483648, 2147483647\n");
  EXPECT_EQ(in.read_long(), -7);
  EXPECT_EQ(in.read_long(), 12);
  EXPECT_EQ(in.read_long(), -2147483647 - 1);
  EXPECT_EQ(in.read_long(), 2147483647);
}

TEST(FieldReader, NarrowFieldsKeepTheLowBits) {
  FieldReader in("40000, 300\n");
  EXPECT_EQ(in.read_integer(), -25536);
  EXPECT_EQ(in.read_byte(), 44);
}

TEST(FieldReader, UnreadableInputThrows) {
  const char* cases[] = {"abc\n",         "12abc\n", "2147483648\n",
                         "-2147483649\n", "-\n",     "99999999999999999999999\n"};
  for (const char* text : cases) {
    FieldReader in(text);
    EXPECT_THROW(in.read_long(), ReadError) << text;
  }
  FieldReader empty("");
  EXPECT_THROW(empty.read_text(), ReadError);
  FieldReader finished("1\r\n");
  finished.read_long();
  EXPECT_THROW(finished.read_long(), ReadError) << "reading past the end of the file";
}

TEST(FieldReader, LoneLineFeedsAndCarriageReturnsEndLines) {
  FieldReader in("a\nb\rc\r\nd");
  EXPECT_EQ(in.read_text().line, 1);
  EXPECT_EQ(in.read_text().line, 2);
  EXPECT_EQ(in.read_text().line, 3);
  const Field d = in.read_text();
  EXPECT_EQ(d.text, "d");
  EXPECT_EQ(d.line, 4);
  EXPECT_TRUE(in.at_end());
}

TEST(KeywordTests, CaseRules) {
  EXPECT_TRUE(contains("Pendenza", "pendenza"));
  EXPECT_TRUE(contains("[GENERALE]", "[generale]"));
  EXPECT_TRUE(contains("VELOCITA", "velocit"));
  EXPECT_FALSE(contains_exact("progressiva chilometrica Uno", "uno"));
  EXPECT_FALSE(contains_exact("Progressiva chilometrica uno", "progressiva"));
  EXPECT_TRUE(contains_exact("progressiva chilometrica uno", "uno"));
}

}  // namespace
}  // namespace sb
