#include <gtest/gtest.h>

#include "compiler/error_codes.h"
#include "support/reader_fixture.h"

namespace sb {
namespace {

using testing::leggi;
using testing::leggi_righe;
using testing::Lettura;

constexpr char kPrimaStazione[] =
    "stazione,       0,  7,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   7,35, 0, BORGOLUCE\n";

TEST(TrainReader, ScalarRows) {
  const Lettura l = leggi_righe("",
                                "numero vetture,    5\npercentuale massa frenata,    120\n"
                                "sabbia,    300\norologio,    7               33            0 \n");
  ASSERT_EQ(l.codice(), 0);
  const RouteModel& m = *l.m;
  EXPECT_EQ(m.oggetti[84].valore_c, 5);
  EXPECT_EQ(m.oggetti[84].valore_a, 120);
  EXPECT_EQ(m.oggetti[86].parametro1, 300);
  EXPECT_EQ(m.oggetti[86].parametro3, 7);
  EXPECT_EQ(m.oggetti[86].parametro4, 33);
  EXPECT_EQ(m.oggetti[86].parametro5, 0);
}

TEST(TrainReader, ClockWithCommasReadsTheSame) {
  const Lettura l = leggi_righe("", "orologio, 7, 33, 0\n");
  EXPECT_EQ(l.m->oggetti[86].parametro4, 33);
}

TEST(TrainReader, SpeedFill) {
  const Lettura l = leggi_righe("",
                                "velocita,   0,    30\nVelocita,     800,    95\n"
                                "VELOCITA,   2000,   12\nvelocita,  3000,   13\n");
  ASSERT_EQ(l.codice(), 0);
  for (int c = 0; c <= 15; ++c) EXPECT_EQ(l.c(c).velocita, 6) << c;
  for (int c = 16; c <= 39; ++c) EXPECT_EQ(l.c(c).velocita, 19) << c;
  EXPECT_EQ(l.c(40).velocita, 2) << "12 km/h is stored as 2";
  EXPECT_EQ(l.c(60).velocita, 3) << "13 km/h is stored as 3";
  EXPECT_EQ(l.c(3377).velocita, 3);
  EXPECT_EQ(l.c(3378).velocita, 0);
}

TEST(TrainReader, AFirstSpeedRowAt1000LeavesTheCellsBeforeItAtZero) {
  const Lettura l = leggi_righe("", "velocita,  1000,  100\n");
  for (int c = 0; c <= 19; ++c) EXPECT_EQ(l.c(c).velocita, 0) << c;
  EXPECT_EQ(l.c(20).velocita, 20);
}

TEST(TrainReader, SpeedThatDoesNotFitItsByteIsAReadFailure) {
  const Lettura l = leggi_righe("", "velocita, 0, 1280\nvelocita, 100, 30\n");
  EXPECT_EQ(l.codice(), 25);
  EXPECT_FALSE(l.sorgenti.treno);
  EXPECT_EQ(leggi_righe("", "velocita, 0, 1277\nvelocita, 100, 30\n").codice(), 0);
}

TEST(TrainReader, AdhesionKeepsTheLowByte) {
  const Lettura l = leggi_righe("", "aderenza,       0,    85\naderenza,   1000,    300\n");
  EXPECT_EQ(l.c(19).aderenza, 85);
  EXPECT_EQ(l.c(20).aderenza, 44);
}

TEST(TrainReader, FirstBuiltInStation) {
  const Lettura l = leggi_righe("", kPrimaStazione);
  ASSERT_EQ(l.codice(), 0);
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
  EXPECT_EQ(l.c(12).avviso, 81);
  EXPECT_EQ(l.c(11).avviso, 82);
  EXPECT_EQ(l.c(10).avviso, 83);
  EXPECT_EQ(l.c(9).avviso, 84);
  EXPECT_EQ(l.c(13).genere, kStationEnd);
  EXPECT_EQ(l.c(13).dato1, 1);
}

TEST(TrainReader, KindSixStationAtTheEndOfTheLine) {
  const Lettura l = leggi_righe("", std::string(kPrimaStazione) +
                                        "stazione,  162000,  6,  600,  0, 0, 0,  1,1,0,  2,1,1,    "
                                        "0,  10,32, 0, CASTELROSSINO\n");
  ASSERT_EQ(l.codice(), 0);
  const oggetto& s = l.m->oggetti[2];
  EXPECT_EQ(s.valore_a, 161400);
  EXPECT_EQ(s.valore_b, 162150);
  EXPECT_EQ(l.c(3242).genere, kStationEnd);
  EXPECT_EQ(l.c(3242).dato1, 2);
  EXPECT_EQ(l.c(3241).avviso, 0) << "kinds 5 and 6 get no approach marks";
}

TEST(TrainReader, StationsOfKind25AndAboveLeaveNoMarksButStillCount) {
  const Lettura l = leggi_righe(
      "",
      "stazione,  116200, 28,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, FERMATA\n"
      "stazione,  116700, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, TROPPO VICINA\n");
  EXPECT_EQ(l.codice(), 22);
  EXPECT_EQ(l.m->progressiva_errore, 116700);
  // The kind-28 area ends at 116350: its end cell would be 2326.
  for (int c = 2320; c <= 2327; ++c) {
    EXPECT_EQ(l.c(c).genere, 0) << c;
    EXPECT_EQ(l.c(c).avviso, 0) << c;
  }
}

TEST(TrainReader, StationRowCodes) {
  const struct {
    const char* row;
    Long codice;
    Long posizione;
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
    const Lettura l = leggi_righe("", c.row);
    EXPECT_EQ(l.codice(), c.code) << c.row;
    if (c.position >= 0) {
      EXPECT_EQ(l.m->progressiva_errore, c.position) << c.row;
    }
    EXPECT_FALSE(l.sorgenti.treno) << c.row;
  }
}

TEST(TrainReader, StationAreaGapOf350IsAccepted) {
  // Kind 12, 300 m: area P-150 .. P+150.
  const std::string a = "stazione,  5000, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n";
  EXPECT_EQ(leggi_righe(
                "", a + "stazione,  5650, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, B\n")
                .codice(),
            0);
  EXPECT_EQ(leggi_righe(
                "", a + "stazione,  5600, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, B\n")
                .codice(),
            22);
}

TEST(TrainReader, FieldSixAddsFiftyMetresToTheArea) {
  const Lettura l =
      leggi_righe("",
                  "stazione,  5000, 12,  300,  0, 1, 1,  0,0,0,  0,0,0,    0,   0, 0, 0, A\n"
                  "stazione,  9000, 12,  600,  0, 1, 1,  0,0,0,  0,0,0,    0,   0, 0, 0, B\n");
  ASSERT_EQ(l.codice(), 0);
  EXPECT_EQ(l.m->oggetti[1].valore_b, 5200);
  EXPECT_EQ(l.m->oggetti[1].marca3, 0) << "the first station's field 6 is cleared after use";
  EXPECT_EQ(l.m->oggetti[2].valore_b, 9350);
  EXPECT_EQ(l.m->oggetti[2].marca3, 1);
  EXPECT_EQ(l.m->oggetti[2].marca4, 1);
}

TEST(TrainReader, TooManyStations) {
  std::string righe;
  for (int i = 0; i < 80; ++i)
    righe += "stazione, " + std::to_string(2000 + 1000 * i) +
             ", 12, 300, 0, 0, 0, 0,0,0, 0,0,0, 0, 0, 0, 0, S\n";
  const Lettura l = leggi_righe("", righe);
  EXPECT_EQ(l.codice(), 10);
  EXPECT_EQ(l.m->oggetti[79].valore_c, 2000 + 1000 * 78) << "the 79th station is stored";
  EXPECT_EQ(l.m->oggetti[80].valore_c, 0);
}

TEST(TrainReader, AStationNeverTakesTheItemOfASign) {
  std::string segni;
  for (int i = 0; i < 80; ++i)
    segni += "cartello_indicatore, " + std::to_string(1000 + 100 * i) + ", (S)\n";
  const Lettura l =
      leggi_righe(segni, "stazione, 20000, 12, 300, 0, 0, 0, 0,0,0, 0,0,0, 0, 0, 0, 0, S\n");
  EXPECT_EQ(l.codice(), 10);
  EXPECT_EQ(l.m->oggetti[1].testo, "(S)");
  EXPECT_EQ(l.m->oggetti[1].valore_c, 0);
}

TEST(TrainReader, Abbattimento) {
  const Lettura l = leggi_righe("", "abbattimento, 1000, 0\nabbattimento, 2000, 40\n");
  ASSERT_EQ(l.codice(), 0);
  EXPECT_EQ(l.c(20).genere, kMarkWithoutValue);
  EXPECT_EQ(l.c(20).dato1, 0);
  EXPECT_EQ(l.c(40).genere, kMark);
  EXPECT_EQ(l.c(40).dato1, 40);
  const Lettura preso = leggi_righe("cartello_indicatore, 950, (S)\n", "abbattimento, 1000, 0\n");
  EXPECT_EQ(preso.codice(), 7);
  EXPECT_EQ(preso.m->progressiva_errore, 1000);
  EXPECT_EQ(leggi_righe("", "abbattimento, -100, 5\n").codice(), kBeforeRouteStart);
}

TEST(TrainReader, WithoutGeneraleNothingIsStored) {
  const Lettura l = leggi(std::string(testing::kLineHead) + "[fine]\n",
                          "velocita, 0, 100\nsabbia, 3\n[fine]\n");
  EXPECT_EQ(l.codice(), 0);
  EXPECT_EQ(l.c(0).velocita, 0);
  EXPECT_EQ(l.m->oggetti[86].parametro1, 0);
  EXPECT_FALSE(l.sorgenti.treno);
}

TEST(TrainReader, MissingTrainSourceIsAReadFailure) {
  testing::Lettura l;
  l.sorgenti.linea = std::string(testing::kLineHead) + "[fine]\n";
  memorizza_dati(*l.m, l.sorgenti, &l.report);
  EXPECT_EQ(l.codice(), 25);
  EXPECT_FALSE(l.sorgenti.linea);
}

TEST(TrainReader, ProgressivesAreCheckedAfterReordering) {
  const Lettura l = leggi(
      "[generale]\nlunghezza percorso, 1000\nprogressiva chilometrica uno, 100, 175, "
      "0\n[x]\n[fine]\n");
  EXPECT_EQ(l.codice(), 2);
  EXPECT_TRUE(l.sorgenti.eliminate.size() == 2);
  const Lettura c1 = leggi(
      "[generale]\nlunghezza percorso, 1000\nprogressiva chilometrica uno, 100, 150, "
      "1\n[x]\n[fine]\n");
  EXPECT_EQ(c1.codice(), 0) << "B + 100 when C is 1 stays a multiple of 50";
}

TEST(TrainReader, ALineCode15IsKeptThroughTheTrainPhase) {
  const Lettura l = leggi_righe("pendenza, 169000, 1\n",
                                "segnale, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0\nsabbia, 9\n");
  EXPECT_EQ(l.codice(), 15);
  EXPECT_EQ(l.m->progressiva_errore, 169000);
  EXPECT_EQ(l.c(65).genere, kSignal);
  EXPECT_EQ(l.m->oggetti[86].parametro1, 9) << "a storer that succeeded does not end the reading";
}

TEST(TrainReader, StorerRefusalsEndTheReadingWithTheRowPosition) {
  const Lettura l = leggi_righe("indicatori_vmax, 3200, 90, 95, 100, 0, , , , 0\n",
                                "segnale, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0\nsabbia, 9\n");
  EXPECT_EQ(l.codice(), 16);
  EXPECT_EQ(l.m->progressiva_errore, 3200);
  EXPECT_EQ(l.m->oggetti[86].parametro1, 0);
  EXPECT_FALSE(l.sorgenti.treno);
}

}  // namespace
}  // namespace sb
