#include "compiler/field_reader.h"

#include <gtest/gtest.h>

#include "compiler/error_codes.h"

namespace sb {
namespace {

TEST(FieldReader, FieldsEndAtCommasAndLineEnds) {
  LettoreCampi in("cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)\r\n[fine]\r\n");
  EXPECT_EQ(in.leggi_testo().testo, "cartello_indicatore");
  EXPECT_EQ(in.leggi_long(), 27750);
  const Campo testo = in.leggi_testo();
  EXPECT_EQ(testo.testo, "(P.L.      )(AUTOMATICO)");
  EXPECT_EQ(testo.riga, 1);
  EXPECT_EQ(testo.colonna, 32);
  EXPECT_FALSE(in.fine());
  const Campo fine = in.leggi_testo();
  EXPECT_EQ(fine.testo, "[fine]");
  EXPECT_EQ(fine.riga, 2);
  EXPECT_EQ(fine.colonna, 1);
  EXPECT_TRUE(in.fine()) << "the line end after the last field is consumed";
}

TEST(FieldReader, NumbersAlsoEndAtBlanks) {
  LettoreCampi in("orologio,    7               33            0 \r\n[aderenze]\r\n");
  EXPECT_EQ(in.leggi_testo().testo, "orologio");
  EXPECT_EQ(in.leggi_long(), 7);
  EXPECT_EQ(in.leggi_long(), 33);
  EXPECT_EQ(in.leggi_long(), 0);
  EXPECT_EQ(in.leggi_testo().testo, "[aderenze]");
  EXPECT_TRUE(in.fine());
}

TEST(FieldReader, EmptyNumericFieldsAreZero) {
  LettoreCampi in("indicatori_vmax,  900,  90,  ,  ,  0\n");
  in.leggi_testo();
  EXPECT_EQ(in.leggi_long(), 900);
  EXPECT_EQ(in.leggi_long(), 90);
  EXPECT_EQ(in.leggi_long(), 0);
  EXPECT_EQ(in.leggi_long(), 0);
  EXPECT_EQ(in.leggi_long(), 0);
  EXPECT_TRUE(in.fine());
}

TEST(FieldReader, QuotedTextMayHoldCommas) {
  LettoreCampi in("stazione, \"BORGO, ALTO\" , next\nlast");
  in.leggi_testo();
  EXPECT_EQ(in.leggi_testo().testo, "BORGO, ALTO");
  EXPECT_EQ(in.leggi_testo().testo, "next");
  EXPECT_EQ(in.leggi_testo().testo, "last");
  EXPECT_TRUE(in.fine());
}

TEST(FieldReader, UnquotedTextEndsAtAComma) {
  LettoreCampi in("BORGO, ALTO\n");
  EXPECT_EQ(in.leggi_testo().testo, "BORGO");
  EXPECT_EQ(in.leggi_testo().testo, "ALTO");
}

TEST(FieldReader, NegativeAndSignedNumbers) {
  LettoreCampi in("-7,+12, -2147483648, 2147483647\n");
  EXPECT_EQ(in.leggi_long(), -7);
  EXPECT_EQ(in.leggi_long(), 12);
  EXPECT_EQ(in.leggi_long(), -2147483647 - 1);
  EXPECT_EQ(in.leggi_long(), 2147483647);
}

TEST(FieldReader, NarrowFieldsKeepTheLowBits) {
  LettoreCampi in("40000, 300\n");
  EXPECT_EQ(in.leggi_integer(), -25536);
  EXPECT_EQ(in.leggi_byte(), 44);
}

TEST(FieldReader, UnreadableInputThrows) {
  const char* cases[] = {"abc\n",         "12abc\n", "2147483648\n",
                         "-2147483649\n", "-\n",     "99999999999999999999999\n"};
  for (const char* text : cases) {
    LettoreCampi in(text);
    EXPECT_THROW(in.leggi_long(), ErroreLettura) << text;
  }
  LettoreCampi vuoto("");
  EXPECT_THROW(vuoto.leggi_testo(), ErroreLettura);
  LettoreCampi finito("1\r\n");
  finito.leggi_long();
  EXPECT_THROW(finito.leggi_long(), ErroreLettura) << "reading past the end of the file";
}

TEST(FieldReader, LoneLineFeedsAndCarriageReturnsEndLines) {
  LettoreCampi in("a\nb\rc\r\nd");
  EXPECT_EQ(in.leggi_testo().riga, 1);
  EXPECT_EQ(in.leggi_testo().riga, 2);
  EXPECT_EQ(in.leggi_testo().riga, 3);
  const Campo d = in.leggi_testo();
  EXPECT_EQ(d.testo, "d");
  EXPECT_EQ(d.riga, 4);
  EXPECT_TRUE(in.fine());
}

TEST(KeywordTests, CaseRules) {
  EXPECT_TRUE(contiene("Pendenza", "pendenza"));
  EXPECT_TRUE(contiene("[GENERALE]", "[generale]"));
  EXPECT_TRUE(contiene("VELOCITA", "velocit"));
  EXPECT_FALSE(contiene_esatto("progressiva chilometrica Uno", "uno"));
  EXPECT_FALSE(contiene_esatto("Progressiva chilometrica uno", "progressiva"));
  EXPECT_TRUE(contiene_esatto("progressiva chilometrica uno", "uno"));
}

}  // namespace
}  // namespace sb
