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
using testing::leggi;
using testing::leggi_righe;
using testing::Lettura;

// A line of `lunghezza` metres with the given element rows.
std::string linea(const std::string& righe, Long lunghezza = 162000) {
  return "[generale]\nlunghezza percorso, " + std::to_string(lunghezza) + "\n[x]\n" + righe +
         "[fine]\n";
}

std::string treno(const std::string& righe) {
  return "[generale]\n" + righe + "[fine]\n";
}

std::string ripeti(int volte, const std::function<std::string(int)>& riga) {
  std::string righe;
  for (int i = 0; i < volte; ++i) righe += riga(i);
  return righe;
}

// ---- Elements outside the arrays ----

TEST(RobustnessBounds, ElementsOutsideTheArraysAreRefusedWithACode) {
  // On the 162000 m line the last cell is 3380 and the track plan ends at 169000.
  const struct {
    const char* nome;
    std::string linea, treno;
    Long codice;
    std::optional<Long> posizione;
  } casi[] = {
      {"sign before cell 0", linea("cartello_indicatore, -100, (S)\n"), treno(""), kBeforeRouteStart,
       -100},
      {"82nd sign",
       linea(ripeti(82,
                    [](int i) {
                      return "cartello_indicatore, " + std::to_string(1000 + 100 * i) + ", (S)\n";
                    })),
       treno(""), kTooManySigns, 9100},
      {"boards before cell 0", linea("indicatori_vmax, -100, 90, 95, 100, 0, 0, 0, 0, 0\n"),
       treno(""), kBeforeRouteStart, -100},
      {"81st mountain span",
       linea(ripeti(81,
                    [](int i) {
                      return "montagna, " + std::to_string(1000 + 100 * i) + ", " +
                             std::to_string(1050 + 100 * i) + ", 1\n";
                    })),
       treno(""), kTooManyMountainSpans, 9000},
      {"curve past the end of the track plan", linea("curvad2, 168000, 5000\n"), treno(""),
       kCurveBeyondTrackPlan, 168000},
      {"track plan beyond 1000000 m", linea("curvad1, 999990, 100\n", 1000000), treno(""),
       kBadCurve, std::nullopt},
      {"signal before cell 0", linea(""), treno("segnale, -100, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0\n"),
       kBeforeRouteStart, -100},
      {"slowdown starting before cell 0", linea(""),
       treno("rallentamento, -500, 60, 100, 1, 0, 0\n"), kBeforeRouteStart, -500},
      {"slowdown ending past the last cell", linea(""),
       treno("rallentamento, 168000, 60, 5000, 1, 0, 0\n"), kBeyondLastCell, 168000},
      {"abbattimento before cell 0", linea(""), treno("abbattimento, -100, 5\n"), kBeforeRouteStart,
       -100},
      {"station area ending past the last cell", linea(""),
       treno("stazione, 168000, 7, 5000, 0, 0, 0, 0,0,0, 0,0,0, 0, 7,35, 0, X\n"), kBeyondLastCell,
       168000},
      {"station area ending before the line", linea(""),
       treno("stazione, -1000, 12, 400, 0, 0, 0, 0,0,0, 0,0,0, 0, 7,35, 0, X\n"),
       kStationAtLineStart, std::nullopt},
  };
  for (const auto& caso : casi) {
    const Lettura l = leggi(caso.linea, caso.treno);
    EXPECT_EQ(l.codice(), caso.code) << caso.nome;
    if (caso.position) {
      EXPECT_EQ(l.m->progressiva_errore, *caso.position) << caso.nome;
    }
    EXPECT_EQ(fuzz::verifica_compilazione(1, caso.linea, caso.treno), "") << caso.nome;
  }
}

TEST(RobustnessBounds, SpansAndApproachCellsAreClippedToTheRoute) {
  // A span past the last cell covers the cells up to it.
  const Lettura fine = leggi_righe("montagna, 168000, 200000, 1\n");
  ASSERT_EQ(fine.codice(), 0);
  EXPECT_EQ(fine.c(3359).montagna, 0);
  for (int c = 3360; c <= 3380; ++c) EXPECT_EQ(fine.c(c).montagna, 1) << c;

  // A span from before the route keeps its marks counted from its own first
  // cell (-20): every fourth is cell 3 and cell 7.
  const Lettura inizio = leggi_righe("montagna, -1000, 500, 11\n");
  ASSERT_EQ(inizio.codice(), 0);
  for (int c = 0; c <= 9; ++c) {
    EXPECT_EQ(inizio.c(c).montagna, 1) << c;
    EXPECT_EQ(inizio.c(c).genere, c == 3 || c == 7 ? kMountainMark : kFree) << c;
  }
  EXPECT_EQ(inizio.c(10).montagna, 0);

  // A signal in cell 7 has approach cells 5, 3, 1 and -1; the last is left out.
  const Lettura segnale = leggi_righe("", "segnale, 300, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0\n");
  ASSERT_EQ(segnale.codice(), 0);
  EXPECT_EQ(segnale.c(5).avviso, 31);
  EXPECT_EQ(segnale.c(3).avviso, 32);
  EXPECT_EQ(segnale.c(1).avviso, 33);
  EXPECT_EQ(segnale.c(0).avviso, 0);
}

TEST(RobustnessBounds, FillsWithManySmallPositionsStopAtTheirLimit) {
  // Each row at 50 m writes one cell even when the fill is already past it;
  // 200 rows on a route of cells 0 to 140 run the fill into its limit. The
  // gradient and the adhesion may fill the last cell, the speed stops before
  // it and only its tail writes it, with the last row's value.
  const struct {
    const char* parola;
    bool nel_treno;
    int scala;  // row value = scala * k for the stored k
    Byte cella::*campo;
    Byte base;
    Byte ultima;
  } profili[] = {
      {"pendenza", false, 1, &cella::pendenza, 100, 100 + 139 % 7},
      {"velocita", true, 5, &cella::velocita, 0, 199 % 7},
      {"aderenza", true, 1, &cella::aderenza, 0, 139 % 7},
  };
  for (const auto& p : profili) {
    const std::string righe = ripeti(200, [&](int r) {
      return std::string(p.parola) + ", 50, " + std::to_string(p.scala * (r % 7)) + "\n";
    });
    const Lettura l = p.nel_treno ? leggi(linea("", 0), treno(righe)) : leggi(linea(righe, 0));
    ASSERT_EQ(l.codice(), 0) << p.parola;
    ASSERT_EQ(l.m->last_cell(), 140);
    EXPECT_EQ(l.c(0).*p.campo, p.base) << p.parola;
    for (int c = 1; c < 140; ++c) EXPECT_EQ(l.c(c).*p.campo, p.base + (c - 1) % 7) << p.parola << c;
    EXPECT_EQ(l.c(140).*p.campo, p.ultima) << p.parola;
  }
}

// ---- The post-processing pass near both ends of the route ----

TEST(RobustnessPostProcessing, RandomRoutesOnlyGainMarksOnFreeCells) {
  // Dense routes of every trigger and anchor kind, all the way to both ends:
  // the pass reads and writes through checked accesses, so a cell outside
  // 0..N would throw. What it may change: a free cell becomes a mark of 180,
  // an existing mark keeps the lower of its value and 180.
  std::mt19937 caso(5127);
  const Byte generi[] = {kFree,
                         kFree,
                         kFree,
                         kSignal,
                         kSignal,
                         kSlowdownEnd,
                         kSlowdownStart,
                         kSlowdownWarning,
                         kMountainMark,
                         kMark,
                         kSpeedBoards};
  const Integer valori[] = {0, 60, 109, 110, 120, 179, 180, 250};
  for (int giro = 0; giro < 2000; ++giro) {
    RouteModel m;
    m.create_cells(0);
    for (cella& c : m.percorso) {
      c.genere = generi[caso() % std::size(generi)];
      c.dato1 = valori[caso() % std::size(valori)];
    }
    const std::vector<cella> prima = m.percorso;
    std::vector<PassCode> codici;
    ASSERT_NO_THROW(run_post_processing(m, &codici)) << "route " << giro;
    ASSERT_EQ(m.percorso.size(), prima.size());
    for (std::size_t i = 0; i < prima.size(); ++i) {
      const cella& a = prima[i];
      const cella& b = m.percorso[i];
      if (a == b) continue;
      cella atteso = a;
      atteso.genere = kMark;
      atteso.dato1 = cella_libera(a) ? 180 : std::min<Integer>(a.dato1, 180);
      ASSERT_TRUE(cella_libera(a) || a.genere == kMark)
          << "route " << giro << " cell " << i;
      ASSERT_EQ(b, atteso) << "route " << giro << " cell " << i;
    }
    for (const PassCode& e : codici) {
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
  std::vector<int> marche;
  for (int c = 0; c <= 140; ++c)
    if (m.percorso[c].genere == kMark) marche.push_back(c);
  // B1 to B3 before the start; the walk stops at 140, where the look-ahead
  // finds the signal and marks the cell before it.
  EXPECT_EQ(marche, (std::vector<int>{120, 127, 133, 139}));
  EXPECT_EQ(m.codice_errore, 0);
}

// ---- Input limits ----

TEST(RobustnessLimits, MessagesNameTheLimits) {
  EXPECT_NE(error_message(kSourceTooLarge).find(std::to_string(kMaxSourceBytes)),
            std::string::npos);
  EXPECT_NE(error_message(kFieldTooLong).find(std::to_string(kMaxFieldBytes)),
            std::string::npos);
}

TEST(RobustnessLimits, ALongestTextFieldIsKeptWholeAndOneByteMoreIsRefused) {
  const struct {
    const char* nome;
    std::string campo;
    Long codice;
    std::string testo;
  } casi[] = {
      {"at the limit", std::string(kMaxFieldBytes, 'a'), 0, std::string(kMaxFieldBytes, 'a')},
      {"one byte over", std::string(kMaxFieldBytes + 1, 'a'), kFieldTooLong, ""},
      {"quoted at the limit", '"' + std::string(kMaxFieldBytes - 2, 'q') + '"', 0,
       std::string(kMaxFieldBytes - 2, 'q')},
      {"quoted, the quotes count", '"' + std::string(kMaxFieldBytes - 1, 'q') + '"',
       kFieldTooLong, ""},
      {"trailing blanks count", std::string(kMaxFieldBytes - 1, 'a') + "  ", kFieldTooLong, ""},
  };
  for (const auto& caso : casi) {
    const Lettura l = leggi_righe("cartello_indicatore, 900, " + caso.campo + "\n");
    EXPECT_EQ(l.codice(), caso.code) << caso.nome;
    EXPECT_EQ(l.m->oggetti[80].testo, caso.testo) << caso.nome;
    if (caso.code != 0) {
      EXPECT_FALSE(l.sorgenti.linea) << caso.nome;
      EXPECT_FALSE(l.sorgenti.treno) << caso.nome;
      ASSERT_TRUE(!l.report.codes.empty() && l.report.codes.back().place) << caso.nome;
      EXPECT_EQ(l.report.codes.back().place->line, 4) << caso.nome;
      EXPECT_EQ(l.report.codes.back().place->column, 27) << caso.nome;
      continue;
    }
    // The item file can carry it and reads it back unchanged.
    const std::string byte = serialize_items(l.m->oggetti);
    std::array<oggetto, kItemCount> letti{};
    FormatError err;
    ASSERT_TRUE(decode_items(byte, &letti, &err)) << caso.nome << ": " << err.reason;
    EXPECT_EQ(letti[80].testo, caso.testo) << caso.nome;
  }
}

TEST(RobustnessLimits, EveryKindOfFieldIsBounded) {
  const std::string lungo(kMaxFieldBytes + 1, '0');
  const struct {
    const char* nome;
    std::string linea, treno;
  } casi[] = {
      {"numeric field of zeros", linea("pendenza, " + lungo + ", 1\n"), treno("")},
      {"candidate keyword before [generale]",
       std::string(kMaxFieldBytes + 1, 'x') + "\n" + linea(""), treno("")},
      {"keyword in [generale]", "[generale]\n" + std::string(kMaxFieldBytes + 1, 'x') + "\n",
       treno("")},
      {"station name", linea(""),
       treno("stazione, 5000, 12, 300, 0, 0, 0, 0,0,0, 0,0,0, 0, 7,35, 0, " + lungo + "\n")},
  };
  for (const auto& caso : casi) {
    const Lettura l = leggi(caso.linea, caso.treno);
    EXPECT_EQ(l.codice(), kFieldTooLong) << caso.nome;
  }
}

TEST(RobustnessLimits, LongLinesOfShortFieldsAreRead) {
  // 100000 fields on one line before the section: none is too long.
  const Lettura l =
      leggi(ripeti(100000, [](int) { return "x,"; }) + "\n" + linea("pendenza, 0, 4\n"));
  EXPECT_EQ(l.codice(), 0);
  EXPECT_EQ(l.c(10).pendenza, 104);
}

TEST(RobustnessLimits, SourcesAreBoundedInBytes) {
  // Padded with blanks after the last number of a row, which the reader skips.
  auto di_byte = [](const std::string& testa, std::size_t dimensione) {
    std::string s = testa;
    s += std::string(dimensione - s.size() - 8, ' ');
    s += "\n[fine]\n";
    return s;
  };
  const std::string testa_linea = "[generale]\nlunghezza percorso, 0\n[x]\npendenza, 0, 3";
  const std::string testa_treno = "[generale]\nvelocita, 0, 30";
  const std::string linea_breve = testa_linea + "\n[fine]\n";
  const std::string treno_breve = testa_treno + "\n[fine]\n";
  const struct {
    const char* nome;
    Source grande;
    std::size_t dimensione;
    Long codice;
  } casi[] = {
      {"line source at the limit", Source::kLine, kMaxSourceBytes, 0},
      {"line source one byte over", Source::kLine, kMaxSourceBytes + 1, kSourceTooLarge},
      {"train source at the limit", Source::kTrain, kMaxSourceBytes, 0},
      {"train source one byte over", Source::kTrain, kMaxSourceBytes + 1, kSourceTooLarge},
  };
  for (const auto& caso : casi) {
    const bool linea_grande = caso.grande == Source::kLine;
    const Lettura l = leggi(linea_grande ? di_byte(testa_linea, caso.dimensione) : linea_breve,
                            linea_grande ? treno_breve : di_byte(testa_treno, caso.dimensione));
    EXPECT_EQ(l.codice(), caso.code) << caso.nome;
    EXPECT_FALSE(l.sorgenti.linea) << caso.nome;
    EXPECT_FALSE(l.sorgenti.treno) << caso.nome;
    if (caso.code != 0) {
      ASSERT_TRUE(!l.report.codes.empty() && l.report.codes.back().place) << caso.nome;
      EXPECT_EQ(l.report.codes.back().place->source, caso.grande) << caso.nome;
    } else {
      EXPECT_EQ(l.c(3).pendenza, 103) << caso.nome;
      EXPECT_EQ(l.c(3).velocita, 6) << caso.nome;
    }
  }
}

// ---- Malformed text ----

TEST(RobustnessMalformedInput, EveryShapeEndsInADefinedCode) {
  const std::string testa = "[generale]\nlunghezza percorso, 1000\n[x]\n";
  const struct {
    const char* nome;
    std::string linea;
    std::optional<std::string> treno;
    Long codice;
    std::function<void(const Lettura&)> verifica;
  } casi[] = {
      {"empty line source", "", treno(""), kNoGenerale, {}},
      {"line source of blanks only", "  \t   \t ", treno(""), kNoGenerale, {}},
      {"a lone CR", "\r", treno(""), kNoGenerale, {}},
      {"a lone LF", "\n", treno(""), kNoGenerale, {}},
      {"binary garbage", "\xff\xfe\0\0\x01\x80[gen\0erale]\xff"s, treno(""), kNoGenerale, {}},
      {"no line ends at all", "[generale],lunghezza percorso,1000,[x],pendenza,0,5,pendenza,500,7",
       "[generale],velocita,0,30"s, kNoError,
       [](const Lettura& l) {
         EXPECT_EQ(l.c(9).pendenza, 105);
         EXPECT_EQ(l.c(10).pendenza, 107);
         EXPECT_EQ(l.c(10).velocita, 6);
       }},
      {"lone CRs as line ends", "[generale]\rlunghezza percorso, 1000\r[x]\rpendenza, 0, 5\r",
       treno(""), kNoError, [](const Lettura& l) { EXPECT_EQ(l.c(9).pendenza, 105); }},
      {"NUL inside a number",
       "[generale]\nlunghezza percorso, 10\0"
       "00\n[x]\n"s,
       treno(""),
       kReadFailure,
       {}},
      {"bytes 0xFF and NUL in a sign text", testa + "cartello_indicatore, 500, \xff\0\xfe\n"s,
       treno(""), kNoError,
       [](const Lettura& l) { EXPECT_EQ(l.m->oggetti[80].testo, "\xff\0\xfe"s); }},
      {"text in a numeric field", testa + "pendenza, 100, dieci\n", treno(""), kReadFailure, {}},
      {"a sign without digits", testa + "pendenza, -, 1\n", treno(""), kReadFailure, {}},
      {"a number beyond 32 bits",
       testa + "pendenza, 4294967296, 1\n",
       treno(""),
       kReadFailure,
       {}},
      {"a row short of fields",
       testa + "pendenza, 100\npendenza, 200, 3\n",
       treno(""),
       kReadFailure,
       {}},
      {"a row cut short by the end", testa, "[generale]\nsegnale, 3200, 1"s, kReadFailure, {}},
      {"16-bit field beyond 32767", testa, treno("sabbia, 70000\n"), kNoError,
       [](const Lettura& l) {
         EXPECT_EQ(l.m->oggetti[86].parametro1, 4464) << "the low 16 bits";
         EXPECT_EQ(l.report.warnings.size(), 1u);
       }},
      {"8-bit station kind beyond 255", testa,
       treno("stazione, 2000, 300, 400, 0, 0, 0, 0,0,0, 0,0,0, 0, 7,35, 0, X\n"), kNoError,
       [](const Lettura& l) {
         EXPECT_EQ(l.m->oggetti[1].genere, 44) << "300 keeps its low 8 bits";
         EXPECT_EQ(l.report.warnings.size(), 1u);
       }},
      {"empty train source", testa, ""s, kNoError, {}},
      {"no train source", testa, std::nullopt, kReadFailure, {}},
      {"train source of binary garbage", testa, "\xff\0\x80,,,\r\r\0"s, kNoError, {}},
  };
  for (const auto& caso : casi) {
    Lettura l;
    l.m->scenario = "BORGOLUCE";
    l.m->treno = "5127";
    l.m->scrivi_linea = 1;
    l.sorgenti.linea = caso.linea;
    l.sorgenti.treno = caso.treno;
    memorizza_dati(*l.m, l.sorgenti, &l.report);
    EXPECT_EQ(l.codice(), caso.code) << caso.nome;
    if (caso.verifica) caso.verifica(l);
    EXPECT_EQ(fuzz::verifica_compilazione(1, caso.linea, caso.treno), "") << caso.nome;
  }
}

// ---- The reserved cell ----

TEST(RobustnessGuards, ASignInTheReservedCellStopsTheRunEvenAsItemZero) {
  // The 81st sign takes item 0, so its cell holds dato1 = 0: without the
  // guard the constant 5121 would become its item index.
  const std::string segni = ripeti(80, [](int i) {
    return "cartello_indicatore, " + std::to_string(1000 + 100 * i) + ", (S)\n";
  });
  for (const char* ultimo : {"cartello_indicatore, 0, (S)\n", "cartello_indicatore, -20, (S)\n"}) {
    const std::string testo_linea = linea(segni + ultimo), testo_treno = treno("");
    InMemorySources sorgenti(&testo_linea, &testo_treno);
    RouteModel m;
    EXPECT_EQ(memorizza_percorso(m, sorgenti, 0), CompileOutcome::kReservedSlotGuard) << ultimo;
    EXPECT_EQ(m.percorso[1].genere, kSign);
    EXPECT_EQ(m.percorso[1].dato1, 0);
  }
}

}  // namespace
}  // namespace sb
