#include "sources/line_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/document_lines.h"

namespace sb {
namespace {

std::vector<std::string> righe_linea() {
  return testing::written_lines(dati_linea());
}

const std::vector<std::string>& linea() {
  static const std::vector<std::string> righe = righe_linea();
  return righe;
}

struct Sezione {
  const char* titolo;
  int slot;
  int righe;
  const char* parola;  // every row begins with it
};

constexpr Sezione kSezioni[] = {
    {"[curve]", 9, 58, "curva"},
    {"[pendenze]", 68, 69, "pendenza,"},
    {"[montagne]", 138, 12, "montagna,"},
    {"[cartelli]", 151, 24, "indicatori_vmax,"},
    {"[indicazioni]", 176, 24, "cartello_indicatore,"},
};

// The rows of one section, header excluded.
std::vector<std::string> righe_di(const char* titolo) {
  for (const auto& s : kSezioni) {
    if (std::string(titolo) == s.titolo) {
      return {linea().begin() + s.slot + 1, linea().begin() + s.slot + 1 + s.righe};
    }
  }
  ADD_FAILURE() << "no section " << titolo;
  return {};
}

// The number after the keyword: the position of a row.
long posizione(const std::string& riga) {
  return std::stol(riga.substr(riga.find(',') + 1));
}
// The last number of a row.
long ultimo(const std::string& riga) {
  return std::stol(riga.substr(riga.rfind(',') + 1));
}

// The groups of each row matched against its shape; an empty entry for a row
// that does not match.
std::vector<std::vector<std::string>> confronta(const std::vector<std::string>& righe,
                                                const std::regex& forma) {
  std::vector<std::vector<std::string>> esiti;
  for (const auto& riga : righe) {
    std::smatch m;
    EXPECT_TRUE(std::regex_match(riga, m, forma)) << riga;
    esiti.emplace_back(m.begin(), m.end());
  }
  return esiti;
}

TEST(LineSource, HasItsLinesAndEndsWithFine) {
  ASSERT_EQ(linea().size(), 202u);
  EXPECT_EQ(linea().back(), "[fine]");
  const std::string testo = document_text(dati_linea());
  EXPECT_EQ(testo.find(kEndMarker), std::string::npos);
  EXPECT_TRUE(std::all_of(testo.begin(), testo.end(), [](char c) {
    return c == '\r' || c == '\n' || (c >= ' ' && c <= '~');
  })) << "pure ASCII, no control characters";
  for (const auto& riga : linea()) EXPECT_FALSE(riga.empty()) << "no empty line anywhere";
}

TEST(LineSource, GeneralSectionIsVerbatim) {
  const char* const attese[] = {
      "[generale]",
      "lunghezza percorso,    162000",
      "progressiva chilometrica uno,    0,    0,    0",
      "progressiva chilometrica due,    0,    0,    0",
      "progressiva chilometrica tre,    0,    0,    0",
      "sfondo uno,    1",
      "sfondo due,    29000",
      "sfondo tre,    90000",
      "ripetizione segnali 4 codici,    1000,    27000",
  };
  for (int k = 0; k < 9; ++k) EXPECT_EQ(linea()[k], attese[k]) << "slot " << k;
}

TEST(LineSource, EverySectionHoldsItsRowsInAscendingPositions) {
  for (const auto& s : kSezioni) {
    EXPECT_EQ(linea()[s.slot], s.titolo);
    EXPECT_EQ(linea()[s.slot + s.righe + 1].front(), '[') << s.titolo << " ends at a header";
    long precedente = -1;
    for (const auto& riga : righe_di(s.titolo)) {
      EXPECT_EQ(riga.rfind(s.parola, 0), 0u) << riga;
      EXPECT_GT(posizione(riga), precedente) << riga;
      precedente = posizione(riga);
    }
  }
}

TEST(LineSource, PositionsSpanTheirRanges) {
  const struct {
    const char* titolo;
    long prima, ultima;
  } casi[] = {{"[curve]", 1550, 156050},
              {"[pendenze]", 0, 145400},
              {"[montagne]", 2450, 156000},
              {"[cartelli]", 900, 127200},
              {"[indicazioni]", 27750, 155700}};
  for (const auto& c : casi) {
    const auto righe = righe_di(c.titolo);
    EXPECT_EQ(posizione(righe.front()), c.prima) << c.titolo;
    EXPECT_EQ(posizione(righe.back()), c.ultima) << c.titolo;
  }
}

TEST(LineSource, QuotedRowsStandAtTheirPlace) {
  const struct {
    int slot;
    const char* riga;
  } fissi[] = {{10, "curvad2,  1550,  1250"},
               {67, "curvas6,  156050,  300"},
               {69, "pendenza,   0,    0"},
               {70, "pendenza,  1100,   7"},
               {71, "pendenza,  2150,   11"},
               {137, "pendenza,  145400,   30"},
               {139, "montagna,   2450,  3700,  12"},
               {150, "montagna,   156000,  159350,  11"},
               {152, "indicatori_vmax,  900,  90,  95,  100,  0,  ,  ,  ,  0"},
               {177, "cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)"}};
  for (const auto& f : fissi) EXPECT_EQ(linea()[f.slot], f.line);

  const struct {
    const char* titolo;
    const char* riga;
  } nella_sezione[] = {
      {"[curve]", "curvad4,  80100,  1600"},
      {"[curve]", "curvad3,  37150,  300"},
      {"[pendenze]", "pendenza,  119250,   9"},
      {"[pendenze]", "pendenza,  120150,   16"},
      {"[pendenze]", "pendenza,  122600,   31"},
      {"[pendenze]", "pendenza,  124100,   0"},
      {"[cartelli]", "indicatori_vmax,  39900,  80,  90,  90,  2,  ,  ,  ,  0"},
      {"[cartelli]", "indicatori_vmax,  40500,  80,  90,  90,  1,  ,  ,  ,  0"},
      {"[cartelli]", "indicatori_vmax,  41100,  80,  90,  90,  0,  ,  ,  ,  0"},
      {"[indicazioni]", "cartello_indicatore,  96350,   (CADUTA MASSI)"},
  };
  for (const auto& n : nella_sezione) {
    const auto righe = righe_di(n.titolo);
    EXPECT_NE(std::find(righe.begin(), righe.end(), n.line), righe.end()) << n.line;
  }
  // The climb from 119250 to 122600 rises step by step, rows 200 to 500 m apart.
  const auto pendenze = righe_di("[pendenze]");
  auto da = std::find(pendenze.begin(), pendenze.end(), "pendenza,  119250,   9");
  auto a = std::find(pendenze.begin(), pendenze.end(), "pendenza,  122600,   31");
  ASSERT_LT(da, a);
  for (auto it = da; it != a; ++it) {
    const long passo = posizione(*(it + 1)) - posizione(*it);
    EXPECT_TRUE(passo >= 200 && passo <= 500) << *it;
    EXPECT_LT(ultimo(*it), ultimo(*(it + 1))) << *it;
  }
  EXPECT_EQ(*(a + 1), "pendenza,  124100,   0");
}

TEST(LineSource, CurvesUseTheirKeywordsAndDoNotOverlap) {
  const std::map<std::string, int> attese = {{"curvad2", 2},  {"curvad3", 8}, {"curvad4", 7},
                                             {"curvad5", 5},  {"curvad6", 3}, {"curvas3", 12},
                                             {"curvas4", 13}, {"curvas5", 7}, {"curvas6", 1}};
  std::map<std::string, int> contate;
  int lunghe_300 = 0, lunghe_1600 = 0;
  long fine_precedente = 0;
  for (const auto& m :
       confronta(righe_di("[curve]"), std::regex(R"((curva[ds][1-6]),  (\d+),  (\d+))"))) {
    if (m.empty()) continue;
    ++contate[m[1]];
    const long inizio = std::stol(m[2]), lunghezza = std::stol(m[3]);
    EXPECT_TRUE(lunghezza >= 300 && lunghezza <= 1600) << m[0];
    lunghe_300 += lunghezza == 300;
    lunghe_1600 += lunghezza == 1600;
    EXPECT_LE(fine_precedente, inizio) << m[0] << " starts before the previous curve ends";
    fine_precedente = inizio + lunghezza;
  }
  EXPECT_EQ(contate, attese);
  EXPECT_EQ(lunghe_300, 28);
  EXPECT_EQ(lunghe_1600, 1) << "80100 is the one longest curve";
}

TEST(LineSource, GradientAndMountainRowsKeepTheirShape) {
  const auto pendenze = righe_di("[pendenze]");
  const std::vector<std::string> dopo_la_prima(pendenze.begin() + 1, pendenze.end());
  for (const auto& m : confronta(dopo_la_prima, std::regex(R"(pendenza,  \d+,   (\d+))"))) {
    if (!m.empty()) {
      EXPECT_LE(std::stoi(m[1]), 31) << m[0];
    }
  }

  long fine_precedente = 0;
  int riga = 0;
  for (const auto& m :
       confronta(righe_di("[montagne]"), std::regex(R"(montagna,   (\d+),  (\d+),  (1[12]))"))) {
    if (m.empty()) continue;
    EXPECT_EQ(m[3], riga++ < 2 ? "12" : "11") << m[0];
    EXPECT_LT(fine_precedente, std::stol(m[1])) << m[0] << " overlaps the previous span";
    EXPECT_LT(std::stol(m[1]), std::stol(m[2])) << m[0];
    fine_precedente = std::stol(m[2]);
  }
}

TEST(LineSource, BoardsCarryRisingSpeedsAndStripesOnlyInTriplets) {
  const std::map<long, int> strisce = {{39900, 2}, {40500, 1}, {41100, 0}, {57900, 2},
                                       {58500, 1}, {59100, 0}, {73800, 2}, {74400, 1},
                                       {75000, 0}, {95400, 2}, {95700, 1}, {96000, 0}};
  std::map<long, std::string> velocita;
  for (const auto& m : confronta(
           righe_di("[cartelli]"),
           std::regex(R"(indicatori_vmax,  (\d+),  (\d+),  (\d+),  (\d+),  (\d),  ,  ,  ,  0)"))) {
    if (m.empty()) continue;
    const long p = std::stol(m[1]);
    const int a = std::stoi(m[2]), b = std::stoi(m[3]), c = std::stoi(m[4]);
    EXPECT_TRUE(65 <= a && a <= b && b <= c && c <= 160) << m[0];
    const auto it = strisce.find(p);
    EXPECT_EQ(std::stoi(m[5]), it == strisce.end() ? 0 : it->second) << m[0];
    velocita[p] = std::string(m[2]) + "/" + std::string(m[3]) + "/" + std::string(m[4]);
  }
  for (auto it = strisce.begin(); it != strisce.end(); std::advance(it, 3)) {
    const long p = it->first;
    EXPECT_EQ(velocita[p], velocita[std::next(it)->first]) << "triplet at " << p;
    EXPECT_EQ(velocita[p], velocita[std::next(it, 2)->first]) << "triplet at " << p;
  }
}

TEST(LineSource, SignTextsComeInTheirKinds) {
  std::map<std::string, int> tipi;
  std::vector<std::pair<long, std::size_t>> gallerie_doppie;  // position, blanks after "Galleria"
  long prima_galleria = 0;
  for (const auto& m : confronta(righe_di("[indicazioni]"),
                                 std::regex(R"(cartello_indicatore,  (\d+),   (\([^,"]*\)))"))) {
    if (m.empty()) continue;
    const std::string testo = m[2];
    if (testo == "(P.L.      )(AUTOMATICO)" || testo == "(CADUTA MASSI)") {
      ++tipi[testo];
    } else if (std::regex_match(testo, std::regex(R"(\(Galleria [A-Z' ]+\))"))) {
      ++tipi["(Galleria name)"];
      if (prima_galleria == 0) prima_galleria = std::stol(m[1]);
    } else {
      EXPECT_TRUE(std::regex_match(testo, std::regex(R"(\(Galleria *\)\([A-Z' ]+\))"))) << testo;
      gallerie_doppie.emplace_back(std::stol(m[1]),
                                   testo.find(')') - std::string("(Galleria").size());
    }
  }
  const std::map<std::string, int> attesi = {
      {"(P.L.      )(AUTOMATICO)", 7}, {"(CADUTA MASSI)", 6}, {"(Galleria name)", 8}};
  EXPECT_EQ(tipi, attesi);
  EXPECT_EQ(prima_galleria, 41950);
  const std::vector<std::pair<long, std::size_t>> doppie_attese = {
      {135150, 0}, {136950, 2}, {155700, 3}};
  EXPECT_EQ(gallerie_doppie, doppie_attese);
}

}  // namespace
}  // namespace sb
