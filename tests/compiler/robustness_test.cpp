// Whatever the sources hold, the compiler ends in a defined outcome: an
// element whose index would fall outside an array is refused with a code or
// clipped to the route, input beyond a limit is refused with the limit's code,
// and malformed text ends in a code of the table, never in a crash.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "compiler/compile_step.h"
#include "compiler/compiled_files.h"
#include "compiler/error_codes.h"
#include "compiler/input_limits.h"
#include "compiler/memory_sources.h"
#include "compiler/post_processing.h"
#include "fuzz/invariants.h"
#include "support/reader_fixture.h"

namespace sb {
namespace {

using namespace std::string_literals;
using testing::read_rows;
using testing::read_sources;
using testing::ReaderRun;

// A line of `length` metres with the given element rows.
std::string line_text(const std::string& rows, Long length = 162000) {
  return "[generale]\nlunghezza percorso, " + std::to_string(length) + "\n[x]\n" + rows +
         "[fine]\n";
}

std::string train_text(const std::string& rows) {
  return "[generale]\n" + rows + "[fine]\n";
}

std::string repeat(int times, const std::function<std::string(int)>& row) {
  std::string rows;
  for (int i = 0; i < times; ++i) rows += row(i);
  return rows;
}

// ---- Elements outside the arrays ----

TEST(RobustnessBounds, ElementsOutsideTheArraysAreRefusedWithACode) {
  // On the 162000 m line the last cell is 3380 and the track plan ends at 169000.
  const struct {
    const char* name;
    std::string line, train;
    Long code;
    std::optional<Long> position;
  } cases[] = {
      {"sign before cell 0", line_text("cartello_indicatore, -100, (S)\n"), train_text(""),
       kBeforeRouteStart, -100},
      {"82nd sign",
       line_text(repeat(82,
                        [](int i) {
                          return "cartello_indicatore, " + std::to_string(1000 + 100 * i) +
                                 ", (S)\n";
                        })),
       train_text(""), kTooManySigns, 9100},
      {"boards before cell 0", line_text("indicatori_vmax, -100, 90, 95, 100, 0, 0, 0, 0, 0\n"),
       train_text(""), kBeforeRouteStart, -100},
      {"81st mountain span",
       line_text(repeat(81,
                        [](int i) {
                          return "montagna, " + std::to_string(1000 + 100 * i) + ", " +
                                 std::to_string(1050 + 100 * i) + ", 1\n";
                        })),
       train_text(""), kTooManyMountainSpans, 9000},
      {"curve past the end of the track plan", line_text("curvad2, 168000, 5000\n"), train_text(""),
       kCurveBeyondTrackPlan, 168000},
      {"track plan beyond 1000000 m", line_text("curvad1, 999990, 100\n", 1000000), train_text(""),
       kBadCurve, std::nullopt},
      {"signal before cell 0", line_text(""),
       train_text("segnale, -100, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0\n"), kBeforeRouteStart, -100},
      {"slowdown starting before cell 0", line_text(""),
       train_text("rallentamento, -500, 60, 100, 1, 0, 0\n"), kBeforeRouteStart, -500},
      {"slowdown ending past the last cell", line_text(""),
       train_text("rallentamento, 168000, 60, 5000, 1, 0, 0\n"), kBeyondLastCell, 168000},
      {"abbattimento before cell 0", line_text(""), train_text("abbattimento, -100, 5\n"),
       kBeforeRouteStart, -100},
      {"station area ending past the last cell", line_text(""),
       train_text("stazione, 168000, 7, 5000, 0, 0, 0, 0,0,0, 0,0,0, 0, 7,35, 0, X\n"),
       kBeyondLastCell, 168000},
      {"station area ending before the line", line_text(""),
       train_text("stazione, -1000, 12, 400, 0, 0, 0, 0,0,0, 0,0,0, 0, 7,35, 0, X\n"),
       kStationAtLineStart, std::nullopt},
  };
  for (const auto& c : cases) {
    const ReaderRun l = read_sources(c.line, c.train);
    EXPECT_EQ(l.code(), c.code) << c.name;
    if (c.position) {
      EXPECT_EQ(l.m->progressiva_errore, *c.position) << c.name;
    }
    EXPECT_EQ(fuzz::check_compilation(1, c.line, c.train), "") << c.name;
  }
}

TEST(RobustnessBounds, SpansAndApproachCellsAreClippedToTheRoute) {
  // A span past the last cell covers the cells up to it.
  const ReaderRun to_end = read_rows("montagna, 168000, 200000, 1\n");
  ASSERT_EQ(to_end.code(), 0);
  EXPECT_EQ(to_end.cell(3359).montagna, 0);
  for (int c = 3360; c <= 3380; ++c) EXPECT_EQ(to_end.cell(c).montagna, 1) << c;

  // A span from before the route keeps its marks counted from its own first
  // cell (-20): every fourth is cell 3 and cell 7.
  const ReaderRun from_before = read_rows("montagna, -1000, 500, 11\n");
  ASSERT_EQ(from_before.code(), 0);
  for (int c = 0; c <= 9; ++c) {
    EXPECT_EQ(from_before.cell(c).montagna, 1) << c;
    EXPECT_EQ(from_before.cell(c).genere, c == 3 || c == 7 ? kMountainMark : kFree) << c;
  }
  EXPECT_EQ(from_before.cell(10).montagna, 0);

  // A signal in cell 7 has approach cells 5, 3, 1 and -1; the last is left out.
  const ReaderRun signal = read_rows("", "segnale, 300, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0\n");
  ASSERT_EQ(signal.code(), 0);
  EXPECT_EQ(signal.cell(5).avviso, 31);
  EXPECT_EQ(signal.cell(3).avviso, 32);
  EXPECT_EQ(signal.cell(1).avviso, 33);
  EXPECT_EQ(signal.cell(0).avviso, 0);
}

TEST(RobustnessBounds, FillsWithManySmallPositionsStopAtTheirLimit) {
  // Each row at 50 m writes one cell even when the fill is already past it;
  // 200 rows on a route of cells 0 to 140 run the fill into its limit. The
  // gradient and the adhesion may fill the last cell, the speed stops before
  // it and only its tail writes it, with the last row's value.
  const struct {
    const char* keyword;
    bool in_train;
    int scale;  // row value = scale * k for the stored k
    Byte cella::*field;
    Byte base;
    Byte last;
  } profiles[] = {
      {"pendenza", false, 1, &cella::pendenza, 100, 100 + 139 % 7},
      {"velocita", true, 5, &cella::velocita, 0, 199 % 7},
      {"aderenza", true, 1, &cella::aderenza, 0, 139 % 7},
  };
  for (const auto& p : profiles) {
    const std::string rows = repeat(200, [&](int r) {
      return std::string(p.keyword) + ", 50, " + std::to_string(p.scale * (r % 7)) + "\n";
    });
    const ReaderRun l = p.in_train ? read_sources(line_text("", 0), train_text(rows))
                                   : read_sources(line_text(rows, 0));
    ASSERT_EQ(l.code(), 0) << p.keyword;
    ASSERT_EQ(l.m->last_cell(), 140);
    EXPECT_EQ(l.cell(0).*p.field, p.base) << p.keyword;
    for (int c = 1; c < 140; ++c)
      EXPECT_EQ(l.cell(c).*p.field, p.base + (c - 1) % 7) << p.keyword << c;
    EXPECT_EQ(l.cell(140).*p.field, p.last) << p.keyword;
  }
}

// ---- The post-processing pass near both ends of the route ----

TEST(RobustnessPostProcessing, RandomRoutesOnlyGainMarksOnFreeCells) {
  // Dense routes of every trigger and anchor kind, all the way to both ends:
  // the pass reads and writes through checked accesses, so a cell outside
  // 0..N would throw. What it may change: a free cell becomes a mark of 180,
  // an existing mark keeps the lower of its value and 180.
  std::mt19937 rng(5127);
  const Byte kinds[] = {kFree,         kFree,        kFree,          kSignal,
                        kSignal,       kSlowdownEnd, kSlowdownStart, kSlowdownWarning,
                        kMountainMark, kMark,        kSpeedBoards};
  const Integer values[] = {0, 60, 109, 110, 120, 179, 180, 250};
  for (int trial = 0; trial < 2000; ++trial) {
    RouteModel m;
    m.create_cells(0);
    for (cella& c : m.percorso) {
      c.genere = kinds[rng() % std::size(kinds)];
      c.dato1 = values[rng() % std::size(values)];
    }
    const std::vector<cella> before = m.percorso;
    std::vector<PassCode> codes;
    ASSERT_NO_THROW(run_post_processing(m, &codes)) << "route " << trial;
    ASSERT_EQ(m.percorso.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
      const cella& a = before[i];
      const cella& b = m.percorso[i];
      if (a == b) continue;
      cella expected = a;
      expected.genere = kMark;
      expected.dato1 = cella_libera(a) ? 180 : std::min<Integer>(a.dato1, 180);
      ASSERT_TRUE(cella_libera(a) || a.genere == kMark) << "route " << trial << " cell " << i;
      ASSERT_EQ(b, expected) << "route " << trial << " cell " << i;
    }
    for (const PassCode& e : codes) {
      EXPECT_TRUE(e.code == kNoRoomBeforeSignal || e.code == kNoRoomBeforeSlowdown ||
                  e.code == kNoRoomInSlowdown);
      EXPECT_GE(e.position, 0);
      EXPECT_LE(e.position, m.last_cell() * kCellLength);
    }
  }
}

TEST(RobustnessPostProcessing, SlowdownAtTheLastVisitedCellLooksOnlyAsFarAsTheLastCell) {
  RouteModel m;
  m.create_cells(0);
  m.percorso[138].genere = kSlowdownStart;  // N - 2, with no end cell after it
  m.percorso[138].dato1 = 100;
  m.percorso[140].genere = kSignal;  // the last cell
  run_post_processing(m);
  std::vector<int> marks;
  for (int c = 0; c <= 140; ++c)
    if (m.percorso[c].genere == kMark) marks.push_back(c);
  // B1 to B3 before the start; the walk stops at 140, where the look-ahead
  // finds the signal and marks the cell before it.
  EXPECT_EQ(marks, (std::vector<int>{120, 127, 133, 139}));
  EXPECT_EQ(m.codice_errore, 0);
}

// ---- Input limits ----

TEST(RobustnessLimits, MessagesNameTheLimits) {
  EXPECT_NE(error_message(kSourceTooLarge).find(std::to_string(kMaxSourceBytes)),
            std::string::npos);
  EXPECT_NE(error_message(kFieldTooLong).find(std::to_string(kMaxFieldBytes)), std::string::npos);
}

TEST(RobustnessLimits, ALongestTextFieldIsKeptWholeAndOneByteMoreIsRefused) {
  const struct {
    const char* name;
    std::string field;
    Long code;
    std::string text;
  } cases[] = {
      {"at the limit", std::string(kMaxFieldBytes, 'a'), 0, std::string(kMaxFieldBytes, 'a')},
      {"one byte over", std::string(kMaxFieldBytes + 1, 'a'), kFieldTooLong, ""},
      {"quoted at the limit", '"' + std::string(kMaxFieldBytes - 2, 'q') + '"', 0,
       std::string(kMaxFieldBytes - 2, 'q')},
      {"quoted, the quotes count", '"' + std::string(kMaxFieldBytes - 1, 'q') + '"', kFieldTooLong,
       ""},
      {"trailing blanks count", std::string(kMaxFieldBytes - 1, 'a') + "  ", kFieldTooLong, ""},
  };
  for (const auto& c : cases) {
    const ReaderRun l = read_rows("cartello_indicatore, 900, " + c.field + "\n");
    EXPECT_EQ(l.code(), c.code) << c.name;
    EXPECT_EQ(l.m->oggetti[80].testo, c.text) << c.name;
    if (c.code != 0) {
      EXPECT_FALSE(l.sources.line) << c.name;
      EXPECT_FALSE(l.sources.train) << c.name;
      ASSERT_TRUE(!l.report.codes.empty() && l.report.codes.back().place) << c.name;
      EXPECT_EQ(l.report.codes.back().place->line, 4) << c.name;
      EXPECT_EQ(l.report.codes.back().place->column, 27) << c.name;
      continue;
    }
    // The item file can carry it and reads it back unchanged.
    const std::string bytes = serialize_items(l.m->oggetti);
    std::array<oggetto, kItemCount> read_back{};
    FormatError err;
    ASSERT_TRUE(decode_items(bytes, &read_back, &err)) << c.name << ": " << err.reason;
    EXPECT_EQ(read_back[80].testo, c.text) << c.name;
  }
}

TEST(RobustnessLimits, EveryKindOfFieldIsBounded) {
  const std::string too_long(kMaxFieldBytes + 1, '0');
  const struct {
    const char* name;
    std::string line, train;
  } cases[] = {
      {"numeric field of zeros", line_text("pendenza, " + too_long + ", 1\n"), train_text("")},
      {"candidate keyword before [generale]",
       std::string(kMaxFieldBytes + 1, 'x') + "\n" + line_text(""), train_text("")},
      {"keyword in [generale]", "[generale]\n" + std::string(kMaxFieldBytes + 1, 'x') + "\n",
       train_text("")},
      {"station name", line_text(""),
       train_text("stazione, 5000, 12, 300, 0, 0, 0, 0,0,0, 0,0,0, 0, 7,35, 0, " + too_long +
                  "\n")},
  };
  for (const auto& c : cases) {
    const ReaderRun l = read_sources(c.line, c.train);
    EXPECT_EQ(l.code(), kFieldTooLong) << c.name;
  }
}

TEST(RobustnessLimits, LongLinesOfShortFieldsAreRead) {
  // 100000 fields on one line before the section: none is too long.
  const ReaderRun l =
      read_sources(repeat(100000, [](int) { return "x,"; }) + "\n" + line_text("pendenza, 0, 4\n"));
  EXPECT_EQ(l.code(), 0);
  EXPECT_EQ(l.cell(10).pendenza, 104);
}

TEST(RobustnessLimits, SourcesAreBoundedInBytes) {
  // Padded with blanks after the last number of a row, which the reader skips.
  auto of_size = [](const std::string& head, std::size_t size) {
    std::string s = head;
    s += std::string(size - s.size() - 8, ' ');
    s += "\n[fine]\n";
    return s;
  };
  const std::string line_head = "[generale]\nlunghezza percorso, 0\n[x]\npendenza, 0, 3";
  const std::string train_head = "[generale]\nvelocita, 0, 30";
  const std::string short_line = line_head + "\n[fine]\n";
  const std::string short_train = train_head + "\n[fine]\n";
  const struct {
    const char* name;
    Source large;
    std::size_t size;
    Long code;
  } cases[] = {
      {"line source at the limit", Source::kLine, kMaxSourceBytes, 0},
      {"line source one byte over", Source::kLine, kMaxSourceBytes + 1, kSourceTooLarge},
      {"train source at the limit", Source::kTrain, kMaxSourceBytes, 0},
      {"train source one byte over", Source::kTrain, kMaxSourceBytes + 1, kSourceTooLarge},
  };
  for (const auto& c : cases) {
    const bool large_line = c.large == Source::kLine;
    const ReaderRun l = read_sources(large_line ? of_size(line_head, c.size) : short_line,
                                     large_line ? short_train : of_size(train_head, c.size));
    EXPECT_EQ(l.code(), c.code) << c.name;
    EXPECT_FALSE(l.sources.line) << c.name;
    EXPECT_FALSE(l.sources.train) << c.name;
    if (c.code != 0) {
      ASSERT_TRUE(!l.report.codes.empty() && l.report.codes.back().place) << c.name;
      EXPECT_EQ(l.report.codes.back().place->source, c.large) << c.name;
    } else {
      EXPECT_EQ(l.cell(3).pendenza, 103) << c.name;
      EXPECT_EQ(l.cell(3).velocita, 6) << c.name;
    }
  }
}

// ---- Malformed text ----

TEST(RobustnessMalformedInput, EveryShapeEndsInADefinedCode) {
  const std::string head = "[generale]\nlunghezza percorso, 1000\n[x]\n";
  const struct {
    const char* name;
    std::string line;
    std::optional<std::string> train;
    Long code;
    std::function<void(const ReaderRun&)> check;
  } cases[] = {
      {"empty line source", "", train_text(""), kNoGenerale, {}},
      {"line source of blanks only", "  \t   \t ", train_text(""), kNoGenerale, {}},
      {"a lone CR", "\r", train_text(""), kNoGenerale, {}},
      {"a lone LF", "\n", train_text(""), kNoGenerale, {}},
      {"binary garbage", "\xff\xfe\0\0\x01\x80[gen\0erale]\xff"s, train_text(""), kNoGenerale, {}},
      {"no line ends at all", "[generale],lunghezza percorso,1000,[x],pendenza,0,5,pendenza,500,7",
       "[generale],velocita,0,30"s, kNoError,
       [](const ReaderRun& l) {
         EXPECT_EQ(l.cell(9).pendenza, 105);
         EXPECT_EQ(l.cell(10).pendenza, 107);
         EXPECT_EQ(l.cell(10).velocita, 6);
       }},
      {"lone CRs as line ends", "[generale]\rlunghezza percorso, 1000\r[x]\rpendenza, 0, 5\r",
       train_text(""), kNoError, [](const ReaderRun& l) { EXPECT_EQ(l.cell(9).pendenza, 105); }},
      {"NUL inside a number",
       "[generale]\nlunghezza percorso, 10\0"
       "00\n[x]\n"s,
       train_text(""),
       kReadFailure,
       {}},
      {"bytes 0xFF and NUL in a sign text", head + "cartello_indicatore, 500, \xff\0\xfe\n"s,
       train_text(""), kNoError,
       [](const ReaderRun& l) { EXPECT_EQ(l.m->oggetti[80].testo, "\xff\0\xfe"s); }},
      {"text in a numeric field",
       head + "pendenza, 100, dieci\n",
       train_text(""),
       kReadFailure,
       {}},
      {"a sign without digits", head + "pendenza, -, 1\n", train_text(""), kReadFailure, {}},
      {"a number beyond 32 bits",
       head + "pendenza, 4294967296, 1\n",
       train_text(""),
       kReadFailure,
       {}},
      {"a row short of fields",
       head + "pendenza, 100\npendenza, 200, 3\n",
       train_text(""),
       kReadFailure,
       {}},
      {"a row cut short by the end", head, "[generale]\nsegnale, 3200, 1"s, kReadFailure, {}},
      {"16-bit field beyond 32767", head, train_text("sabbia, 70000\n"), kNoError,
       [](const ReaderRun& l) {
         EXPECT_EQ(l.m->oggetti[86].parametro1, 4464) << "the low 16 bits";
         EXPECT_EQ(l.report.warnings.size(), 1u);
       }},
      {"8-bit station kind beyond 255", head,
       train_text("stazione, 2000, 300, 400, 0, 0, 0, 0,0,0, 0,0,0, 0, 7,35, 0, X\n"), kNoError,
       [](const ReaderRun& l) {
         EXPECT_EQ(l.m->oggetti[1].genere, 44) << "300 keeps its low 8 bits";
         // The station also stands beyond the end of this 1000 m line.
         ASSERT_EQ(l.report.warnings.size(), 2u);
         EXPECT_EQ(l.report.warnings[0].warning, Warning::kValueTruncated);
         EXPECT_EQ(l.report.warnings[1].warning, Warning::kBeyondLineEnd);
       }},
      {"empty train source", head, ""s, kNoError, {}},
      {"no train source", head, std::nullopt, kReadFailure, {}},
      {"train source of binary garbage", head, "\xff\0\x80,,,\r\r\0"s, kNoError, {}},
  };
  for (const auto& c : cases) {
    ReaderRun l;
    l.m->scenario = "BORGOLUCE";
    l.m->treno = "5127";
    l.m->scrivi_linea = 1;
    l.sources.line = c.line;
    l.sources.train = c.train;
    memorizza_dati(*l.m, l.sources, &l.report);
    EXPECT_EQ(l.code(), c.code) << c.name;
    if (c.check) c.check(l);
    EXPECT_EQ(fuzz::check_compilation(1, c.line, c.train), "") << c.name;
  }
}

// ---- The reserved cell ----

TEST(RobustnessGuards, ASignInTheReservedCellStopsTheRunEvenAsItemZero) {
  // The 81st sign takes item 0, so its cell holds dato1 = 0: without the
  // guard the constant 5121 would become its item index.
  const std::string signs = repeat(80, [](int i) {
    return "cartello_indicatore, " + std::to_string(1000 + 100 * i) + ", (S)\n";
  });
  for (const char* last : {"cartello_indicatore, 0, (S)\n", "cartello_indicatore, -20, (S)\n"}) {
    const std::string line_source = line_text(signs + last), train_source = train_text("");
    InMemorySources sources(&line_source, &train_source);
    RouteModel m;
    const CompileOutcome outcome = memorizza_percorso(m, sources, TrackPlanOutput::kOmit);
    EXPECT_EQ(outcome.kind, CompileOutcome::Kind::kFatal) << last;
    EXPECT_EQ(outcome.fatal_code, kReservedSlotSet) << last;
    EXPECT_EQ(m.percorso[1].genere, kSign);
    EXPECT_EQ(m.percorso[1].dato1, 0);
  }
}

}  // namespace
}  // namespace sb
