#include "compiler/storers.h"

#include <gtest/gtest.h>

#include <vector>

#include "compiler/error_codes.h"

namespace sb {
namespace {

// A route of 141 cells (line length 0), cells 0 to 140.
RouteModel empty_route() {
  RouteModel m;
  m.create_cells(0);
  return m;
}

cella of_kind(Byte genere) {
  cella z;
  z.genere = genere;
  return z;
}

// ---- memo_segnale ----

TEST(SignalStorer, CodesTheSignalAndFourApproachCells) {
  RouteModel m = empty_route();
  std::vector<cella> expected = m.percorso;
  expected[65] = {.genere = kSignal, .dato1 = 22, .dato2 = 31, .dato3 = 11, .dato4 = 18};
  expected[63].avviso = 81;
  expected[61].avviso = 82;
  expected[59].avviso = 83;
  expected[57].avviso = 84;

  memo_segnale(m, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0);

  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, expected);
}

TEST(SignalStorer, TimeIsKeptOnlyForSideTwoAndShortTimesBecome101) {
  const struct {
    Long sx;
    Long time;
    Byte expected;
  } cases[] = {{2, 50, 101}, {2, 1, 101},  {2, 100, 101}, {2, 0, 0},   {2, 101, 101}, {2, 255, 255},
               {2, 300, 44}, {2, -1, 255}, {1, 50, 0},    {1, 255, 0}, {0, 7, 0},     {258, 50, 0}};
  for (const auto& c : cases) {
    RouteModel m = empty_route();
    memo_segnale(m, 3200, c.sx, 0, 0, 0, 0, 0, 0, 0, 0, c.time);
    EXPECT_EQ(m.percorso[65].tempo_segnale, c.expected) << c.sx << " " << c.time;
  }
}

TEST(SignalStorer, WideValuesKeepTheirLowBits) {
  RouteModel m = empty_route();
  // s1 * 10 + d1 = 40000 does not fit 16 bits, (sx * 3 + dx) * 10 + k = 3001 not 8 bits.
  memo_segnale(m, 3200, 100, 4000, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.percorso[65].dato1, -25536);
  EXPECT_EQ(m.percorso[65].dato4, 300);
  EXPECT_EQ(m.percorso[63].avviso, 3001 % 256);
  EXPECT_EQ(m.percorso[57].avviso, 3004 % 256);
}

TEST(SignalStorer, MountainMarkIsFreeBoardCellIsTaken) {
  RouteModel m = empty_route();
  m.percorso[65] = of_kind(kMountainMark);
  m.percorso[65].montagna = 2;
  memo_segnale(m, 3200, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso[65].genere, kSignal);
  EXPECT_EQ(m.percorso[65].montagna, 2) << "only the element fields change";

  RouteModel n = empty_route();
  n.percorso[65] = of_kind(kSpeedBoards);
  const std::vector<cella> before = n.percorso;
  memo_segnale(n, 3200, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(n.codice_errore, kSignalCellTaken);
  EXPECT_EQ(n.percorso, before) << "a refused signal writes no approach code either";
}

TEST(SignalStorer, ApproachCellsBeforeTheRouteAreSkipped) {
  RouteModel m = empty_route();
  memo_segnale(m, 200, 1, 1, 1, 1, 0, 2, 0, 0, 0, 0);  // cell 5: approach cells 3, 1, -1, -3
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso[5].genere, kSignal);
  EXPECT_EQ(m.percorso[3].avviso, 51);
  EXPECT_EQ(m.percorso[1].avviso, 52);
  EXPECT_EQ(m.percorso[0].avviso, 0);
}

TEST(SignalStorer, CellOutsideTheRouteIsRefused) {
  const struct {
    Long position;
    Long code;
  } cases[] = {{-100, kBeforeRouteStart},
               {-125, kBeforeRouteStart},
               {-75, kNoError},
               {7000, kBeyondLastCell}};
  for (const auto& c : cases) {
    RouteModel m = empty_route();
    const std::vector<cella> before = m.percorso;
    memo_segnale(m, c.position, 2, 1, 1, 1, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(m.codice_errore, c.code) << c.position;
    if (c.code == kNoError) {
      EXPECT_EQ(m.percorso[0].genere, kSignal) << "-0.5 rounds to cell 0";
    } else {
      EXPECT_EQ(m.percorso, before) << c.position;
    }
  }
}

// ---- memo_indicatori_v_max ----

TEST(SpeedBoardStorer, CodesBoardSpeedsIntoOneCell) {
  RouteModel m = empty_route();
  std::vector<cella> expected = m.percorso;
  expected[19] = {.genere = kSpeedBoards, .dato1 = 1800, .dato2 = 1900, .dato3 = 2000};
  memo_indicatori_v_max(m, 900, 90, 95, 100, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, expected);

  RouteModel n = empty_route();
  memo_indicatori_v_max(n, 900, 90, 95, 100, 3, 12, 13, 0, 2);
  EXPECT_EQ(n.percorso[19].dato1, 1802);  // 1802.4
  EXPECT_EQ(n.percorso[19].dato2, 1903);  // 1902.6
  EXPECT_EQ(n.percorso[19].dato4, 32);
}

TEST(SpeedBoardStorer, TakenCellIsRefused) {
  RouteModel m = empty_route();
  m.percorso[19] = of_kind(kSign);
  const std::vector<cella> before = m.percorso;
  memo_indicatori_v_max(m, 900, 90, 95, 100, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.codice_errore, kBoardsCellTaken);
  EXPECT_EQ(m.percorso, before);
}

// The cell is written field by field, in the order of the storer's steps: a
// value that faults leaves the fields before it written and the ones after it
// untouched.
TEST(SpeedBoardStorer, BoardValueThatDoesNotFitLeavesTheFieldsBeforeIt) {
  const struct {
    Long vas, vad;
    bool fault;
  } cases[] = {
      {1638, 37, false},      // 32767.4
      {1638, 38, true},       // 32767.6 rounds to 32768
      {-1638, -37, false},    // -32767.4
      {-1638, -43, true},     // -32768.6 rounds to -32769
      {2000, 0, true},        // 40000
      {200000000, 0, true},   // the product does not fit 32 bits
      {-107374183, 0, true},  // nor here
  };
  for (const auto& c : cases) {
    RouteModel m = empty_route();
    // The bad value is in the third category, so the first two are computed.
    if (c.fault) {
      std::vector<cella> expected = m.percorso;
      expected[19] = {.genere = kSpeedBoards, .dato1 = 1800, .dato2 = 1900};
      EXPECT_THROW(memo_indicatori_v_max(m, 900, 90, 95, c.vas, 0, 0, 0, c.vad, 0), ReadError)
          << c.vas << " " << c.vad;
      EXPECT_EQ(m.percorso, expected) << c.vas << " " << c.vad;
    } else {
      memo_indicatori_v_max(m, 900, 90, 95, c.vas, 0, 0, 0, c.vad, 0);
      EXPECT_EQ(m.percorso[19].genere, kSpeedBoards);
    }
  }
}

TEST(SpeedBoardStorer, StripesTruncateToSixteenBits) {
  RouteModel m = empty_route();
  memo_indicatori_v_max(m, 900, 0, 0, 0, 4000, 0, 0, 0, 7);
  EXPECT_EQ(m.percorso[19].dato4, -25529);  // 40007
}

TEST(SpeedBoardStorer, CellBeforeTheRouteIsRefused) {
  RouteModel m = empty_route();
  const std::vector<cella> before = m.percorso;
  memo_indicatori_v_max(m, -100, 90, 95, 100, 0, 0, 0, 0, 0);
  EXPECT_EQ(m.codice_errore, kBeforeRouteStart);
  EXPECT_EQ(m.percorso, before);
}

// ---- memo_montagna ----

TEST(MountainStorer, MarkedSpanSetsKindAndEveryFourthFreeCell) {
  RouteModel m = empty_route();
  m.percorso[56] = of_kind(kSignal);
  std::vector<cella> expected = m.percorso;
  for (int c = 49; c <= 73; ++c) expected[c].montagna = 2;
  for (int c : {52, 60, 64, 68, 72}) expected[c].genere = kMountainMark;

  memo_montagna(m, 2450, 3700, 12);

  EXPECT_EQ(m.percorso, expected) << "cell 56 holds a signal and keeps it";
  EXPECT_EQ(m.n_montagne, 1);
  EXPECT_EQ(m.montagne_inizio[1], 2450);
  EXPECT_EQ(m.montagne_fine[1], 3700);
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(MountainStorer, UnmarkedSpanSetsOnlyTheKind) {
  RouteModel m = empty_route();
  memo_montagna(m, 2450, 3700, 2);
  for (int c = 0; c <= m.last_cell(); ++c) {
    EXPECT_EQ(m.percorso[c].montagna, c >= 49 && c <= 73 ? 2 : 0) << c;
    EXPECT_EQ(m.percorso[c].genere, 0) << c;
  }
}

TEST(MountainStorer, SpanCloseAfterThePreviousOneIsKindThree) {
  const struct {
    Long start;
    Long type;
    Byte expected;
    bool marked;
  } cases[] = {{5150, 1, 3, false}, {5200, 1, 1, false}, {5000, 2, 3, false},
               {4500, 1, 3, false}, {5150, 12, 3, true}, {5200, 12, 2, true}};
  for (const auto& c : cases) {
    RouteModel m = empty_route();
    memo_montagna(m, 4000, 5000, 1);
    memo_montagna(m, c.start, 6000, c.type);
    const auto first_cell = arrotonda(c.start / 50.0);
    EXPECT_EQ(m.percorso[first_cell].montagna, c.expected) << c.start;
    EXPECT_EQ(m.percorso[first_cell + 3].genere, c.marked ? kMountainMark : kFree) << c.start;
    EXPECT_EQ(m.n_montagne, 2);
  }
}

TEST(MountainStorer, EmptySpanIsListedButChangesNoCell) {
  RouteModel m = empty_route();
  const std::vector<cella> before = m.percorso;
  memo_montagna(m, 3000, 3000, 11);
  EXPECT_EQ(m.percorso, before);
  EXPECT_EQ(m.n_montagne, 1);
  EXPECT_EQ(m.montagne_fine[1], 3000);
}

TEST(MountainStorer, CellsOutsideTheRouteAreSkippedAndMarksStayInStep) {
  RouteModel m = empty_route();
  // First cell -10: the counted cells 12, 16, 20 are cells 1, 5, 9.
  memo_montagna(m, -500, 500, 11);
  for (int c = 0; c <= 12; ++c) {
    EXPECT_EQ(m.percorso[c].montagna, c <= 9 ? 1 : 0) << c;
    EXPECT_EQ(m.percorso[c].genere, c == 1 || c == 5 || c == 9 ? kMountainMark : kFree) << c;
  }

  RouteModel n = empty_route();
  memo_montagna(n, 6000, 2000000000, 11);  // runs far past cell 140
  EXPECT_EQ(n.percorso[140].montagna, 1);
  EXPECT_EQ(n.percorso[123].genere, kMountainMark);
  EXPECT_EQ(n.codice_errore, 0);
}

TEST(MountainStorer, EightyFirstSpanIsRefused) {
  RouteModel m = empty_route();
  for (int i = 0; i < 80; ++i) memo_montagna(m, 100 * i, 100 * i + 50, 1);
  ASSERT_EQ(m.codice_errore, 0);
  ASSERT_EQ(m.n_montagne, 80);
  const RouteModel before = m;

  memo_montagna(m, 6800, 6900, 2);

  EXPECT_EQ(m.codice_errore, kTooManyMountainSpans);
  EXPECT_EQ(m.n_montagne, 80);
  EXPECT_EQ(m.montagne_inizio, before.montagne_inizio);
  EXPECT_EQ(m.montagne_fine, before.montagne_fine);
  EXPECT_EQ(m.percorso, before.percorso);
}

// ---- memo_rallentamento ----

TEST(SlowdownStorer, NearTheStartThereIsNoWarningPoint) {
  RouteModel m = empty_route();
  std::vector<cella> expected = m.percorso;
  expected[31] = {.genere = kSlowdownStart, .dato1 = 60, .dato3 = 2};
  expected[41] = {.genere = kSlowdownEnd, .dato1 = 60, .dato3 = 2};
  memo_rallentamento(m, 1500, 60, 500, 2, 1, 0);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, expected);
}

TEST(SlowdownStorer, StoresWarningStartEndAndApproachCells) {
  RouteModel m = empty_route();
  std::vector<cella> expected = m.percorso;
  expected[77] = {.genere = kSlowdownWarning, .dato1 = 60, .dato2 = 7};
  expected[101] = {.genere = kSlowdownStart, .dato1 = 60, .dato2 = 7, .dato3 = 2};
  expected[111] = {.genere = kSlowdownEnd, .dato1 = 60, .dato2 = 7, .dato3 = 2};
  for (int i = 0; i < 4; ++i) {
    expected[76 - i] = {.genere = kBeforeWarning,
                        .dato1 = static_cast<Integer>(i + 1),
                        .dato2 = static_cast<Integer>(i + 1)};
  }
  memo_rallentamento(m, 5000, 60, 500, 2, 1, 7);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_EQ(m.percorso, expected);
}

TEST(SlowdownStorer, ZeroDvLeavesDato2AndZeroFtaPlacesNoApproachCells) {
  RouteModel m = empty_route();
  m.percorso[101] = of_kind(kMountainMark);
  m.percorso[101].dato2 = 9;
  memo_rallentamento(m, 5000, 70000, 500, 2, 0, 0);
  EXPECT_EQ(m.percorso[101].genere, kSlowdownStart);
  EXPECT_EQ(m.percorso[101].dato2, 9);
  EXPECT_EQ(m.percorso[101].dato1, 4464) << "70000 keeps its low 16 bits";
  EXPECT_EQ(m.percorso[77].dato1, 4464);
  for (int c = 73; c <= 76; ++c) EXPECT_EQ(m.percorso[c].genere, kFree) << c;
}

TEST(SlowdownStorer, ZeroLengthLeavesOneStartCell) {
  RouteModel m = empty_route();
  memo_rallentamento(m, 5000, 60, 0, 2, 0, 0);
  EXPECT_EQ(m.percorso[101], (cella{.genere = kSlowdownStart, .dato1 = 60, .dato3 = 2}));
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(SlowdownStorer, RefusedBeforeAnyWriteInTheOrderWarningStartEnd) {
  const struct {
    std::vector<int> taken;
    Long l;
    Long code;
  } cases[] = {
      {{77}, 500, kWarningCellTaken},
      {{101}, 500, kStartCellTaken},
      {{111}, 500, kEndCellTaken},
      {{77, 111}, 500, kWarningCellTaken},
      {{101, 111}, 500, kStartCellTaken},
      {{}, 2000, kBeyondLastCell},  // end cell 141, the route ends at 140
      {{77}, 2000, kWarningCellTaken},
      {{}, -6000, kBeforeRouteStart},  // end cell -19
  };
  for (const auto& c : cases) {
    RouteModel m = empty_route();
    for (int cell : c.taken) m.percorso[cell] = of_kind(kSign);
    const std::vector<cella> before = m.percorso;
    memo_rallentamento(m, 5000, 60, c.l, 2, 1, 7);
    EXPECT_EQ(m.codice_errore, c.code) << c.code;
    EXPECT_EQ(m.percorso, before) << c.code;
  }
}

TEST(SlowdownStorer, TakenApproachCellKeepsTheStoredSlowdown) {
  RouteModel m = empty_route();
  m.percorso[74] = of_kind(kSignal);
  memo_rallentamento(m, 5000, 60, 500, 2, 1, 7);
  EXPECT_EQ(m.codice_errore, kBeforeWarningTaken);
  EXPECT_EQ(m.percorso[77].genere, kSlowdownWarning);
  EXPECT_EQ(m.percorso[101].genere, kSlowdownStart);
  EXPECT_EQ(m.percorso[111].genere, kSlowdownEnd);
  for (int c : {73, 75, 76}) EXPECT_EQ(m.percorso[c].genere, kFree) << c;
  EXPECT_EQ(m.percorso[74].genere, kSignal);
}

// ---- progressive_ordina ----

struct Triple {
  Long a, b, c;
  bool operator==(const Triple&) const = default;
};

std::vector<Triple> reorder(const std::vector<Triple>& input) {
  RouteModel m;
  for (int i = 0; i < 3; ++i) {
    m.oggetti[81 + i].valore_a = input[i].a;
    m.oggetti[81 + i].valore_b = input[i].b;
    m.oggetti[81 + i].valore_c = input[i].c;
  }
  progressive_ordina(m);
  std::vector<Triple> output;
  for (int i = 0; i < 3; ++i) {
    const oggetto& o = m.oggetti[81 + i];
    output.push_back({o.valore_a, o.valore_b, o.valore_c});
  }
  return output;
}

TEST(ProgressiveOrdina, WithoutAValuesTheLastPositiveBDecides) {
  const struct {
    std::vector<Triple> input, output;
  } cases[] = {
      {{{0, 0, 4}, {0, 500, 2}, {0, 700, 3}}, {{0, 700, 3}, {0, 500, 2}, {0, 0, 4}}},
      {{{0, 0, 1}, {0, 0, 2}, {0, 0, 3}}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
      {{{0, -5, 1}, {0, -5, 2}, {0, -5, 3}}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
      {{{0, 400, 5}, {0, 0, 6}, {0, 0, 7}}, {{0, 400, 5}, {0, 0, 6}, {0, 0, 7}}},
      {{{0, 0, 5}, {0, 300, 6}, {0, 0, 7}}, {{0, 300, 6}, {0, 0, 5}, {0, 0, 7}}},
      {{{0, 400, 5}, {0, 300, 6}, {0, 0, 7}}, {{0, 300, 6}, {0, 400, 5}, {0, 0, 7}}},
      // A values that cancel out count as no A values.
      {{{100, 0, 5}, {-100, 300, 6}, {0, 0, 7}}, {{-100, 300, 6}, {100, 0, 5}, {0, 0, 7}}},
      // C = 1 adds 100 to B after the reordering.
      {{{0, 0, 1}, {0, 0, 0}, {0, 700, 1}}, {{0, 800, 1}, {0, 0, 0}, {0, 100, 1}}},
  };
  for (const auto& c : cases) EXPECT_EQ(reorder(c.input), c.output);
}

TEST(ProgressiveOrdina, OtherwiseDescendingAHigherItemFirstOnTies) {
  const struct {
    std::vector<Triple> input, output;
  } cases[] = {
      {{{100, 1, 2}, {300, 3, 4}, {200, 5, 6}}, {{300, 3, 4}, {200, 5, 6}, {100, 1, 2}}},
      {{{100, 1, 1}, {300, 3, 4}, {200, 5, 1}}, {{300, 3, 4}, {200, 105, 1}, {100, 101, 1}}},
      {{{300, 1, 0}, {100, 2, 0}, {100, 3, 0}}, {{300, 1, 0}, {100, 3, 0}, {100, 2, 0}}},
      {{{300, 1, 0}, {300, 2, 0}, {100, 3, 0}}, {{300, 2, 0}, {300, 1, 0}, {100, 3, 0}}},
      {{{50, 1, 0}, {50, 2, 0}, {50, 3, 0}}, {{50, 3, 0}, {50, 2, 0}, {50, 1, 0}}},
      {{{-50, 1, 0}, {0, 2, 0}, {-100, 3, 0}}, {{0, 2, 0}, {-50, 1, 0}, {-100, 3, 0}}},
      // The sum wraps to 0 in 32 bits, but it is not 0.
      {{{2147483647, 1, 0}, {2147483647, 2, 0}, {2, 3, 0}},
       {{2147483647, 2, 0}, {2147483647, 1, 0}, {2, 3, 0}}},
  };
  for (const auto& c : cases) EXPECT_EQ(reorder(c.input), c.output);
}

// The reordered triples are stored first, then 100 is added to B item by
// item: a bound that does not fit leaves the items before it done and the
// ones after it as reordered.
TEST(ProgressiveOrdina, BoundThatOverflowsLeavesTheItemsBeforeItDone) {
  const struct {
    std::vector<Triple> input, output;
  } cases[] = {
      {{{100, 0, 0}, {200, 2147483600, 1}, {0, 0, 0}},
       {{200, 2147483600, 1}, {100, 0, 0}, {0, 0, 0}}},
      {{{100, 0, 0}, {200, 2147483600, 1}, {300, 500, 1}},
       {{300, 600, 1}, {200, 2147483600, 1}, {100, 0, 0}}},
  };
  for (const auto& c : cases) {
    RouteModel m;
    for (int i = 0; i < 3; ++i) {
      m.oggetti[81 + i].valore_a = c.input[i].a;
      m.oggetti[81 + i].valore_b = c.input[i].b;
      m.oggetti[81 + i].valore_c = c.input[i].c;
    }
    auto expected = m.oggetti;
    for (int i = 0; i < 3; ++i) {
      expected[81 + i].valore_a = c.output[i].a;
      expected[81 + i].valore_b = c.output[i].b;
      expected[81 + i].valore_c = c.output[i].c;
    }
    EXPECT_THROW(progressive_ordina(m), ReadError);
    EXPECT_EQ(m.oggetti, expected);
  }
}

}  // namespace
}  // namespace sb
