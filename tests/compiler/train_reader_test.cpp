#include <gtest/gtest.h>

#include "compiler/error_codes.h"
#include "support/reader_fixture.h"

namespace sb {
namespace {

using testing::read_rows;
using testing::read_sources;
using testing::ReaderRun;

constexpr char kFirstStation[] =
    "stazione,       0,  7,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   7,35, 0, BORGOLUCE\n";

TEST(TrainReader, ScalarRows) {
  const ReaderRun l = read_rows("",
                                "numero vetture,    5\npercentuale massa frenata,    120\n"
                                "sabbia,    300\norologio,    7               33            0 \n");
  ASSERT_EQ(l.code(), 0);
  const RouteModel& m = *l.m;
  EXPECT_EQ(m.oggetti[84].valore_c, 5);
  EXPECT_EQ(m.oggetti[84].valore_a, 120);
  EXPECT_EQ(m.oggetti[86].parametro1, 300);
  EXPECT_EQ(m.oggetti[86].parametro3, 7);
  EXPECT_EQ(m.oggetti[86].parametro4, 33);
  EXPECT_EQ(m.oggetti[86].parametro5, 0);
}

TEST(TrainReader, ClockWithCommasReadsTheSame) {
  const ReaderRun l = read_rows("", "orologio, 7, 33, 0\n");
  EXPECT_EQ(l.m->oggetti[86].parametro4, 33);
}

TEST(TrainReader, SpeedFill) {
  const ReaderRun l = read_rows("",
                                "velocita,   0,    30\nVelocita,     800,    95\n"
                                "VELOCITA,   2000,   12\nvelocita,  3000,   13\n");
  ASSERT_EQ(l.code(), 0);
  for (int c = 0; c <= 15; ++c) EXPECT_EQ(l.cell(c).velocita, 6) << c;
  for (int c = 16; c <= 39; ++c) EXPECT_EQ(l.cell(c).velocita, 19) << c;
  EXPECT_EQ(l.cell(40).velocita, 2) << "12 km/h is stored as 2";
  EXPECT_EQ(l.cell(60).velocita, 3) << "13 km/h is stored as 3";
  EXPECT_EQ(l.cell(3377).velocita, 3);
  EXPECT_EQ(l.cell(3378).velocita, 0);
}

TEST(TrainReader, EachRunningValueReportsTheCellsItsRowFilled) {
  // Rows out of order too: the late row still fills one cell.
  const ReaderRun l = read_rows("pendenza, 0, 0\npendenza, 1100, 7\n",
                                "velocita, 0, 30\nvelocita, 800, 95\nvelocita, 500, 60\n"
                                "aderenza, 0, 85\n");
  ASSERT_EQ(l.code(), 0);
  const struct {
    Byte cella::*field;
    int line;  // of the row, in its source
    Long first, last;
    Byte value;
  } expected[] = {
      {&cella::pendenza, 4, 0, 21, 100},   {&cella::pendenza, 5, 22, 3377, 107},
      {&cella::velocita, 2, 0, 15, 6},     {&cella::velocita, 3, 16, 16, 19},
      {&cella::velocita, 4, 17, 3377, 12}, {&cella::aderenza, 5, 0, 3377, 85},
  };
  ASSERT_EQ(l.report.runs.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const StoredRun& r = l.report.runs[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(r.field, expected[i].field);
    EXPECT_EQ(r.place.line, expected[i].line);
    EXPECT_EQ(r.first, expected[i].first);
    EXPECT_EQ(r.last, expected[i].last);
    EXPECT_EQ(r.value, expected[i].value);
    // The cells hold what the report says.
    {
      for (Long c = r.first; c <= r.last; ++c) EXPECT_EQ(l.cell(c).*r.field, r.value) << c;
    }
  }
}

TEST(TrainReader, AFirstSpeedRowAt1000LeavesTheCellsBeforeItAtZero) {
  const ReaderRun l = read_rows("", "velocita,  1000,  100\n");
  for (int c = 0; c <= 19; ++c) EXPECT_EQ(l.cell(c).velocita, 0) << c;
  EXPECT_EQ(l.cell(20).velocita, 20);
}

TEST(TrainReader, SpeedThatDoesNotFitItsByteIsAReadFailure) {
  const ReaderRun l = read_rows("", "velocita, 0, 1280\nvelocita, 100, 30\n");
  EXPECT_EQ(l.code(), 25);
  EXPECT_FALSE(l.sources.train);
  EXPECT_EQ(read_rows("", "velocita, 0, 1277\nvelocita, 100, 30\n").code(), 0);
}

TEST(TrainReader, AdhesionKeepsTheLowByte) {
  const ReaderRun l = read_rows("", "aderenza,       0,    85\naderenza,   1000,    300\n");
  EXPECT_EQ(l.cell(19).aderenza, 85);
  EXPECT_EQ(l.cell(20).aderenza, 44);
}

TEST(TrainReader, FirstBuiltInStation) {
  const ReaderRun l = read_rows("", kFirstStation);
  ASSERT_EQ(l.code(), 0);
  const oggetto& s = l.m->oggetti[1];
  EXPECT_EQ(s.genere, 7);
  EXPECT_EQ(s.valore_a, -700);
  EXPECT_EQ(s.valore_b, 700);
  EXPECT_EQ(s.valore_c, 0);
  EXPECT_EQ(s.valore_d, (7 * 60 + 35) * 60);
  EXPECT_EQ(s.marca3, 0);
  EXPECT_EQ(s.marca4, 0) << "cleared for the first station";
  EXPECT_EQ(s.parametro1, 1);
  EXPECT_EQ(s.parametro2, 1);
  EXPECT_EQ(s.parametro3, 4);
  EXPECT_EQ(s.marca2, 1);
  EXPECT_EQ(s.testo, "BORGOLUCE");
  EXPECT_EQ(l.cell(12).avviso, 81);
  EXPECT_EQ(l.cell(11).avviso, 82);
  EXPECT_EQ(l.cell(10).avviso, 83);
  EXPECT_EQ(l.cell(9).avviso, 84);
  EXPECT_EQ(l.cell(13).genere, kStationEnd);
  EXPECT_EQ(l.cell(13).dato1, 1);
}

TEST(TrainReader, KindSixStationAtTheEndOfTheLine) {
  const ReaderRun l = read_rows("", std::string(kFirstStation) +
                                        "stazione,  162000,  6,  600,  0, 0, 0,  1,1,0,  2,1,1,    "
                                        "0,  10,32, 0, CASTELROSSINO\n");
  ASSERT_EQ(l.code(), 0);
  const oggetto& s = l.m->oggetti[2];
  EXPECT_EQ(s.valore_a, 161400);
  EXPECT_EQ(s.valore_b, 162150);
  EXPECT_EQ(l.cell(3242).genere, kStationEnd);
  EXPECT_EQ(l.cell(3242).dato1, 2);
  EXPECT_EQ(l.cell(3241).avviso, 0) << "kinds 5 and 6 get no approach marks";
}

TEST(TrainReader, StationsOfKind25AndAboveLeaveNoMarksButStillCount) {
  const ReaderRun l = read_rows(
      "",
      "stazione,  116200, 28,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, FERMATA\n"
      "stazione,  116700, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TROPPO VICINA\n");
  EXPECT_EQ(l.code(), 22);
  EXPECT_EQ(l.m->progressiva_errore, 116700);
  // The kind-28 area ends at 116350: its end cell would be 2326.
  for (int c = 2320; c <= 2327; ++c) {
    EXPECT_EQ(l.cell(c).genere, 0) << c;
    EXPECT_EQ(l.cell(c).avviso, 0) << c;
  }
}

TEST(TrainReader, StationRowCodes) {
  const struct {
    const char* row;
    Long code;
    Long position;
  } cases[] = {
      {"stazione,  1325, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n", 8, 1325},
      {"stazione,  5000, 12,  450,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n", 9, 5000},
      {"stazione,  0, 12,  100,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n", 24, -1},
      {"stazione,  168250, 12,  100,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n", 15, 168250},
      {"stazione,  5000, 7,  2000000000,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n",
       kBeyondLastCell, 5000},
      {"stazione,  5000, 7,  2147483600,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n", 25, -1},
  };
  for (const auto& c : cases) {
    const ReaderRun l = read_rows("", c.row);
    EXPECT_EQ(l.code(), c.code) << c.row;
    if (c.position >= 0) {
      EXPECT_EQ(l.m->progressiva_errore, c.position) << c.row;
    }
    EXPECT_FALSE(l.sources.train) << c.row;
  }
}

TEST(TrainReader, StationAreaGapOf350IsAccepted) {
  // Kind 12, 300 m: area P-150 .. P+150.
  const std::string a = "stazione,  5000, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n";
  EXPECT_EQ(
      read_rows("", a + "stazione,  5650, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, B\n")
          .code(),
      0);
  EXPECT_EQ(
      read_rows("", a + "stazione,  5600, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, B\n")
          .code(),
      22);
}

TEST(TrainReader, FieldSixAddsFiftyMetresToTheArea) {
  const ReaderRun l =
      read_rows("",
                "stazione,  5000, 12,  300,  0, 1, 1,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n"
                "stazione,  9000, 12,  600,  0, 1, 1,  0,0,0,  0,0,0,    0,   0, 0, 0, B\n");
  ASSERT_EQ(l.code(), 0);
  EXPECT_EQ(l.m->oggetti[1].valore_b, 5200);
  EXPECT_EQ(l.m->oggetti[1].marca3, 0) << "the first station's field 6 is cleared after use";
  EXPECT_EQ(l.m->oggetti[2].valore_b, 9350);
  EXPECT_EQ(l.m->oggetti[2].marca3, 1);
  EXPECT_EQ(l.m->oggetti[2].marca4, 1);
}

TEST(TrainReader, TooManyStations) {
  std::string rows;
  for (int i = 0; i < 80; ++i)
    rows += "stazione, " + std::to_string(2000 + 1000 * i) +
            ", 12, 300, 0, 0, 0, 0,0,0, 0,0,0, 0, 0, 0, 0, S\n";
  const ReaderRun l = read_rows("", rows);
  EXPECT_EQ(l.code(), 10);
  EXPECT_EQ(l.m->oggetti[79].valore_c, 2000 + 1000 * 78) << "the 79th station is stored";
  EXPECT_EQ(l.m->oggetti[80].valore_c, 0);
}

TEST(TrainReader, AStationNeverTakesTheItemOfASign) {
  std::string signs;
  for (int i = 0; i < 80; ++i)
    signs += "cartello_indicatore, " + std::to_string(1000 + 100 * i) + ", (S)\n";
  const ReaderRun l =
      read_rows(signs, "stazione, 20000, 12, 300, 0, 0, 0, 0,0,0, 0,0,0, 0, 0, 0, 0, S\n");
  EXPECT_EQ(l.code(), 10);
  EXPECT_EQ(l.m->oggetti[1].testo, "(S)");
  EXPECT_EQ(l.m->oggetti[1].valore_c, 0);
}

TEST(TrainReader, Abbattimento) {
  const ReaderRun l = read_rows("", "abbattimento, 1000, 0\nabbattimento, 2000, 40\n");
  ASSERT_EQ(l.code(), 0);
  EXPECT_EQ(l.cell(20).genere, kMarkWithoutValue);
  EXPECT_EQ(l.cell(20).dato1, 0);
  EXPECT_EQ(l.cell(40).genere, kMark);
  EXPECT_EQ(l.cell(40).dato1, 40);
  const ReaderRun taken = read_rows("cartello_indicatore, 950, (S)\n", "abbattimento, 1000, 0\n");
  EXPECT_EQ(taken.code(), 7);
  EXPECT_EQ(taken.m->progressiva_errore, 1000);
  EXPECT_EQ(read_rows("", "abbattimento, -100, 5\n").code(), kBeforeRouteStart);
}

TEST(TrainReader, WithoutGeneraleNothingIsStored) {
  const ReaderRun l = read_sources(std::string(testing::kLineHead) + "[fine]\n",
                                   "velocita, 0, 100\nsabbia, 3\n[fine]\n");
  EXPECT_EQ(l.code(), 0);
  EXPECT_EQ(l.cell(0).velocita, 0);
  EXPECT_EQ(l.m->oggetti[86].parametro1, 0);
  EXPECT_FALSE(l.sources.train);
}

TEST(TrainReader, MissingTrainSourceIsAReadFailure) {
  testing::ReaderRun l;
  l.sources.line = std::string(testing::kLineHead) + "[fine]\n";
  memorizza_dati(*l.m, l.sources, &l.report);
  EXPECT_EQ(l.code(), 25);
  EXPECT_FALSE(l.sources.line);
}

TEST(TrainReader, ProgressivesAreCheckedAfterReordering) {
  const ReaderRun l = read_sources(
      "[generale]\nlunghezza percorso, 1000\nprogressiva chilometrica uno, 100, 175, "
      "0\n[x]\n[fine]\n");
  EXPECT_EQ(l.code(), 2);
  EXPECT_TRUE(l.sources.removed.size() == 2);
  const ReaderRun plus_100 = read_sources(
      "[generale]\nlunghezza percorso, 1000\nprogressiva chilometrica uno, 100, 150, "
      "1\n[x]\n[fine]\n");
  EXPECT_EQ(plus_100.code(), 0) << "B + 100 when C is 1 stays a multiple of 50";
}

TEST(TrainReader, ALineCode15IsKeptThroughTheTrainPhase) {
  const ReaderRun l = read_rows("pendenza, 169000, 1\n",
                                "segnale, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0\nsabbia, 9\n");
  EXPECT_EQ(l.code(), 15);
  EXPECT_EQ(l.m->progressiva_errore, 169000);
  EXPECT_EQ(l.cell(65).genere, kSignal);
  EXPECT_EQ(l.m->oggetti[86].parametro1, 9) << "a storer that succeeded does not end the reading";
}

TEST(TrainReader, StorerRefusalsEndTheReadingWithTheRowPosition) {
  const ReaderRun l = read_rows("indicatori_vmax, 3200, 90, 95, 100, 0, , , , 0\n",
                                "segnale, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0\nsabbia, 9\n");
  EXPECT_EQ(l.code(), 16);
  EXPECT_EQ(l.m->progressiva_errore, 3200);
  EXPECT_EQ(l.m->oggetti[86].parametro1, 0);
  EXPECT_FALSE(l.sources.train);
}

}  // namespace
}  // namespace sb
