#include <gtest/gtest.h>

#include "compiler/error_codes.h"
#include "support/reader_fixture.h"
#include "support/track_steps.h"

namespace sb {
namespace {

using testing::all_points;
using testing::read_rows;
using testing::read_sources;
using testing::ReaderRun;

const std::vector<Source> kBothSources = {Source::kLine, Source::kTrain};

TEST(LineReader, GeneraleSectionFillsTheLineItems) {
  const ReaderRun l = read_sources(
      "anything before is ignored, 12\n"
      "[generale]\n"
      "lunghezza percorso,    162000\n"
      "progressiva chilometrica uno,    0,    1000,    7\n"
      "progressiva chilometrica due,    0,    500,    1\n"
      "progressiva chilometrica tre,    0,    0,    0\n"
      "sfondo uno,    1\n"
      "sfondo due,    29000\n"
      "sfondo tre,    90000\n"
      "ripetizione segnali 4 codici,    1000,    27000\n"
      "[curve]\n"
      "[fine]\n");
  const RouteModel& m = *l.m;
  EXPECT_EQ(l.code(), 0);
  EXPECT_EQ(m.oggetti[84].valore_b, 162000);
  EXPECT_EQ(m.last_cell(), 3380);
  EXPECT_EQ(m.tracciato.last_metre(), 169000);
  EXPECT_EQ(m.oggetti[85].valore_a, 1);
  EXPECT_EQ(m.oggetti[85].valore_c, 29000);
  EXPECT_EQ(m.oggetti[85].valore_b, 90000);
  EXPECT_EQ(m.oggetti[86].valore_a, 1000);
  EXPECT_EQ(m.oggetti[86].valore_b, 27000);
  EXPECT_EQ(m.oggetti[86].valore_c, 4);
  EXPECT_EQ(m.oggetti[85].testo, "BORGOLUCE");
  EXPECT_EQ(m.oggetti[86].testo, "5127");
  // B83 > 0 decides the ordering: item 81 takes the triple of 83 ("uno").
  EXPECT_EQ(m.oggetti[81].valore_b, 1000);
  EXPECT_EQ(m.oggetti[81].valore_c, 7);
  EXPECT_EQ(l.sources.removed, kBothSources);
}

TEST(LineReader, WordTestsOfGeneraleAreCaseSensitive) {
  const ReaderRun l = read_sources(
      "[GENERALE]\n"
      "Lunghezza Percorso, 1000\n"
      "Progressiva chilometrica uno, 0, 0, 0\n"
      "progressiva chilometrica Uno, 0, 0, 0\n"
      "Sfondo uno, 5\n"
      "sfondo Uno, 6\n"
      "[curve]\n"
      "progressiva chilometrica tre, 0, 0, 0\n"
      "sfondo uno, 7\n"
      "[fine]\n");
  EXPECT_EQ(l.code(), 0);
  EXPECT_EQ(l.m->oggetti[84].valore_b, 1000) << "the length test is case-insensitive";
  EXPECT_EQ(l.m->oggetti[85].valore_a, 0) << "no background was recognised";
}

TEST(LineReader, UpToTenCommentsInARowInGenerale) {
  std::string text = "[generale]\n";
  for (int i = 0; i < 10; ++i) text += "- note " + std::to_string(i) + "\n";
  text += "lunghezza percorso, 2000\n[curve]\n[fine]\n";
  const ReaderRun l = read_sources(text);
  EXPECT_EQ(l.code(), 0);
  EXPECT_EQ(l.m->oggetti[84].valore_b, 2000);
}

TEST(LineReader, ElementRowsAfterTwoCommentsAndAnyCase) {
  const ReaderRun l = read_rows(
      "- first note\n- second note\nPendenza, 0, 5\n"
      "- a third comment is a candidate keyword and matches nothing\n");
  EXPECT_EQ(l.code(), 0);
  // A first row at 0 writes no cell; the tail carries its gradient from cell 0.
  EXPECT_EQ(l.cell(0).pendenza, 105);
  EXPECT_EQ(l.cell(3377).pendenza, 105);
}

TEST(LineReader, GradientRangeFill) {
  const ReaderRun l = read_rows(
      "pendenza,   0,    0\npendenza,  1100,   7\npendenza,  2150,   11\n"
      "pendenza,  3000,   -7\n");
  ASSERT_EQ(l.code(), 0);
  for (int c = 0; c <= 21; ++c) EXPECT_EQ(l.cell(c).pendenza, 100) << c;
  for (int c = 22; c <= 42; ++c) EXPECT_EQ(l.cell(c).pendenza, 107) << c;
  for (int c = 43; c <= 59; ++c) EXPECT_EQ(l.cell(c).pendenza, 111) << c;
  EXPECT_EQ(l.cell(60).pendenza, 93);
  EXPECT_EQ(l.cell(3377).pendenza, 93);
  EXPECT_EQ(l.cell(3378).pendenza, 0) << "the last cells keep 0";
  EXPECT_EQ(l.cell(3380).pendenza, 0);
}

TEST(LineReader, RangeTestAtTheUpperEnd) {
  const ReaderRun ok = read_rows("pendenza, 168900, 3\n");
  EXPECT_EQ(ok.code(), 0);
  const ReaderRun beyond = read_rows("pendenza, 168950, 3\npendenza, 200, 9\n");
  EXPECT_EQ(beyond.code(), 15);
  EXPECT_EQ(beyond.m->progressiva_errore, 168950);
  EXPECT_EQ(beyond.cell(0).pendenza, 100) << "the rows after code 15 are not read; the tail is";
  EXPECT_EQ(beyond.sources.removed, kBothSources) << "the train phase still runs";
  ASSERT_TRUE(!beyond.report.codes.empty() && beyond.report.codes.back().place);
  EXPECT_EQ(beyond.report.codes.back().place->line, 4);
  EXPECT_EQ(beyond.report.codes.back().place->column, 11);
}

TEST(LineReader, SignsTakeTheirCellsAndItemsFrom80Down) {
  const ReaderRun l = read_rows(
      "cartello_indicatore,  25,   (A)\ncartello_indicatore,  175,   (B)\n"
      "cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)\n");
  ASSERT_EQ(l.code(), 0);
  EXPECT_EQ(l.cell(2).genere, kSign);
  EXPECT_EQ(l.cell(2).dato1, 80);
  EXPECT_EQ(l.cell(4).dato1, 79);
  EXPECT_EQ(l.cell(556).genere, kSign);
  EXPECT_EQ(l.cell(556).dato1, 78);
  EXPECT_EQ(l.m->oggetti[80].testo, "(A)");
  EXPECT_EQ(l.m->oggetti[78].testo, "(P.L.      )(AUTOMATICO)");
}

TEST(LineReader, SignOnATakenCellIsRefused) {
  const ReaderRun l =
      read_rows("cartello_indicatore,  25,   (A)\ncartello_indicatore,  75,   (B)\n");
  EXPECT_EQ(l.code(), 6);
  EXPECT_EQ(l.m->progressiva_errore, 75);
  EXPECT_EQ(l.sources.removed, std::vector<Source>{Source::kLine})
      << "the train phase does not run; the train source stays";
}

TEST(LineReader, ALoneLastKeywordIsDroppedAndALastRowIsApplied) {
  const ReaderRun lone = read_sources(std::string(testing::kLineHead) + "pendenza, 0, 4\npendenza");
  EXPECT_EQ(lone.code(), 0);
  EXPECT_EQ(lone.cell(5).pendenza, 104);
  const ReaderRun row = read_sources(std::string(testing::kLineHead) + "pendenza,  145400,   30");
  EXPECT_EQ(row.code(), 0);
  EXPECT_EQ(row.cell(2908).pendenza, 130);
}

TEST(LineReader, ProgressiveRowsAfterTheHeaderHaveNoEffect) {
  const ReaderRun l = read_rows("progressiva chilometrica uno, 100, 200, 0\nsfondo uno, 4\n");
  EXPECT_EQ(l.code(), 0);
  EXPECT_EQ(l.m->oggetti[83].valore_a, 0);
  EXPECT_EQ(l.m->oggetti[85].valore_a, 0);
}

TEST(LineReader, CodesThatEndTheLinePhase) {
  const struct {
    const char* name;
    std::string line;
    Long code;
    bool train_source_deleted;
  } cases[] = {
      {"no [generale]", "lunghezza percorso, 1000\n[fine]\n", 102, false},
      {"[generale] last", "x, [generale]", 102, false},
      {"empty file", "", 102, false},
      {"length too large", "[generale]\nlunghezza percorso, 1000001\n[fine]\n", 1, false},
      {"negative length", "[generale]\nlunghezza percorso, -8000\n[fine]\n", kNegativeLength,
       false},
      {"repetition start", "[generale]\nripetizione segnali 4 codici, 1010, 2000\n[fine]\n", 3,
       false},
      {"repetition end", "[generale]\nripetizione segnali 4 codici, 1000, 2010\n[fine]\n", 4,
       false},
      {"repetition codes", "[generale]\nripetizione segnali codici, 1000, 2000\n[fine]\n", 5,
       false},
      {"curve class", std::string(testing::kLineHead) + "curvad, 100, 10\n[fine]\n", 103, false},
      {"board taken",
       std::string(testing::kLineHead) +
           "cartello_indicatore, 900, (A)\nindicatori_vmax, 900, 90, 95, 100, 0, , , , 0\n[fine]\n",
       21, false},
      {"no length row", "[generale]\nsfondo uno, 1\n[curve]\n[fine]\n", 25, true},
      {"comment run at the end of [generale]", "[generale]\nlunghezza percorso, 1000\n- a\n- b\n",
       25, true},
      {"text in a numeric field", "[generale]\nlunghezza percorso, mille\n[fine]\n", 25, true},
      {"row cut short", std::string(testing::kLineHead) + "pendenza, 100", 25, true},
  };
  for (const auto& c : cases) {
    const ReaderRun l = read_sources(c.line);
    EXPECT_EQ(l.code(), c.code) << c.name;
    EXPECT_FALSE(l.sources.line) << c.name << ": the line source is deleted";
    EXPECT_EQ(!l.sources.train, c.train_source_deleted) << c.name;
  }
}

TEST(LineReader, MissingLineSourceTouchesNothing) {
  ReaderRun l;
  l.sources.train = "[generale]\n[fine]\n";
  memorizza_dati(*l.m, l.sources, &l.report);
  EXPECT_EQ(l.code(), 101);
  EXPECT_TRUE(l.sources.removed.empty());
}

TEST(LineReader, RepetitionEndZeroMeansNoCodes) {
  const ReaderRun l = read_sources(
      "[generale]\nlunghezza percorso, 1000\nripetizione segnali 9, 50, 0\n[x]\n[fine]\n");
  EXPECT_EQ(l.code(), 0);
  EXPECT_EQ(l.m->oggetti[86].valore_c, 0);
  const ReaderRun nine = read_sources(
      "[generale]\nlunghezza percorso, 1000\nripetizione segnali 9, 50, 100\n[x]\n[fine]\n");
  EXPECT_EQ(nine.m->oggetti[86].valore_c, 9);
}

TEST(LineReader, LengthLimits) {
  EXPECT_EQ(read_sources("[generale]\nlunghezza percorso, 1000000\n[x]\n[fine]\n").code(), 0);
  const ReaderRun zero = read_sources("[generale]\nlunghezza percorso, 0\n[x]\n[fine]\n");
  EXPECT_EQ(zero.code(), 0);
  EXPECT_EQ(zero.m->last_cell(), 140);
}

TEST(LineReader, SignsBeyondTheItemSlotsAndBeforeTheStartAreRefused) {
  std::string rows;
  for (int i = 0; i < 82; ++i)
    rows += "cartello_indicatore, " + std::to_string(1000 + 100 * i) + ", (S)\n";
  const ReaderRun too_many = read_rows(rows);
  EXPECT_EQ(too_many.code(), kTooManySigns);
  EXPECT_EQ(too_many.m->progressiva_errore, 9100);
  EXPECT_EQ(too_many.m->oggetti[0].testo, "(S)") << "the 81st sign takes item 0";
  const ReaderRun before = read_rows("cartello_indicatore, -100, (S)\n");
  EXPECT_EQ(before.code(), kBeforeRouteStart);
}

TEST(LineReader, WithoutCurvesTheTrackRunsStraightAlongY) {
  const ReaderRun l = read_rows("");
  ASSERT_EQ(l.code(), 0);
  const auto p = all_points(l.m->tracciato);
  ASSERT_EQ(p.x.size(), 169001u);
  for (Long m = 2; m <= 168998; ++m) {
    ASSERT_EQ(p.x[m].type, TrackValueType::kDouble) << m;
    ASSERT_EQ(p.x[m].value, 0.0) << m;
    ASSERT_EQ(p.y[m].value, static_cast<double>(m)) << m;
  }
  EXPECT_EQ(p.x[168999].type, TrackValueType::kEmpty);
  EXPECT_EQ(p.y[169000].type, TrackValueType::kEmpty);
}

TEST(LineReader, CurvesBuildTheTrackPlan) {
  const ReaderRun l = read_rows("curvad2,  100,  10\n");
  ASSERT_EQ(l.code(), 0);
  const auto p = all_points(l.m->tracciato);
  ASSERT_EQ(p.x.size(), 169001u);
  EXPECT_EQ(p.x[0].type, TrackValueType::kInteger);
  EXPECT_EQ(p.y[1].type, TrackValueType::kInteger);
  EXPECT_EQ(p.y[1].value, 1);
  for (Long m : {2, 50, 100}) {
    EXPECT_EQ(p.x[m].value, 0.0) << m;
    EXPECT_EQ(p.y[m].value, m) << m;
  }
  EXPECT_GT(p.x[101].value, 0.0) << "a right-hand curve turns towards +x";
  // After the curve the track goes straight on along the last step.
  const double dx = p.x[111].value - p.x[110].value;
  EXPECT_EQ(p.x[112].value, p.x[111].value + dx);
  EXPECT_EQ(p.x[168998].type, TrackValueType::kDouble);
  EXPECT_EQ(p.x[168999].type, TrackValueType::kEmpty);
  EXPECT_EQ(p.y[169000].type, TrackValueType::kEmpty);

  const ReaderRun left = read_rows("curvas3,  100,  10\n");
  EXPECT_LT(testing::point_at(left.m->tracciato, 101).x.value, 0.0);
}

TEST(LineReader, TrackPlanIsBitExact) {
  // Golden values: any change in the order of the Double operations shows here.
  const ReaderRun l = read_rows("curvad2,  1550,  1250\ncurvas6,  5000,  300\n");
  ASSERT_EQ(l.code(), 0);
  const auto p = all_points(l.m->tracciato);
  ASSERT_EQ(p.x.size(), 169001u);
  EXPECT_EQ(p.x[2800].value, 0x1.3720dc733710bp+7);
  EXPECT_EQ(p.y[2800].value, 0x1.5c60a0e9a0746p+11);
  EXPECT_EQ(p.x[168998].value, -0x1.810200a6e4d64p+16);
  EXPECT_EQ(p.y[168998].value, 0x1.0909f16d83b32p+17);
}

TEST(LineReader, WithoutTrackPlanCurvesAreNotRecognised) {
  const ReaderRun l = read_sources(std::string(testing::kLineHead) + "curvad, 100, 10\n[fine]\n",
                                   testing::kEmptyTrain, 0);
  EXPECT_EQ(l.code(), 0) << "a curve without class is not even looked at";
  EXPECT_FALSE(l.m->tracciato.allocated());
}

TEST(LineReader, CurvesPastTheTrackPlanAreRefused) {
  const ReaderRun l =
      read_sources("[generale]\nlunghezza percorso, 1000\n[x]\ncurvad2, 7000, 2000\n[fine]\n");
  EXPECT_EQ(l.code(), kCurveBeyondTrackPlan);
}

}  // namespace
}  // namespace sb
