#include "sources/train_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/document_lines.h"

namespace sb {
namespace {

std::vector<std::string> righe_treno() {
  return testing::written_lines(dati_treno());
}

const std::vector<std::string>& treno() {
  static const std::vector<std::string> righe = righe_treno();
  return righe;
}

std::vector<std::string> campi(const std::string& riga) {
  std::vector<std::string> c;
  std::size_t inizio = 0;
  for (std::size_t virgola; (virgola = riga.find(',', inizio)) != std::string::npos;
       inizio = virgola + 1) {
    c.push_back(riga.substr(inizio, virgola - inizio));
  }
  c.push_back(riga.substr(inizio));
  return c;
}

// The rows of slots da to a inclusive, split into their numbers (keyword dropped;
// a station keeps its name as text at the end).
struct Riga {
  std::string testo;
  std::vector<long> numeri;
  std::string nome;
};

std::vector<Riga> righe(int da, int a) {
  std::vector<Riga> out;
  for (int k = da; k <= a; ++k) {
    Riga r{treno()[k], {}, {}};
    auto c = campi(r.testo);
    const bool stazione = c.front() == "stazione";
    if (stazione) {
      r.nome = c.back();
      c.pop_back();
    }
    for (std::size_t i = 1; i < c.size(); ++i) r.numeri.push_back(std::stol(c[i]));
    out.push_back(r);
  }
  return out;
}

std::vector<Riga> velocita() {
  return righe(9, 26);
}
std::vector<Riga> stazioni() {
  return righe(28, 67);
}
std::vector<Riga> segnali() {
  return righe(70, 138);
}

TEST(TrainSource, HasItsSectionsAtTheirSlots) {
  ASSERT_EQ(treno().size(), 141u);
  const struct {
    int slot;
    const char* titolo;
  } casi[] = {{0, "[generale]"},       {5, "[aderenze]"}, {8, "[vel_limite]"}, {27, "[stazioni]"},
              {68, "[rallentamenti]"}, {69, "[segnali]"}, {139, "[codici]"},   {140, "[fine]"}};
  for (const auto& c : casi) EXPECT_EQ(treno()[c.slot], c.titolo);
  const struct {
    int da, a;
    const char* parola;
  } sezioni[] = {
      {6, 7, "aderenza,"}, {9, 26, "velocita,"}, {28, 67, "stazione,"}, {70, 138, "segnale,"}};
  for (const auto& s : sezioni) {
    for (int k = s.da; k <= s.a; ++k) EXPECT_EQ(treno()[k].rfind(s.parola, 0), 0u) << treno()[k];
  }
  for (const auto& riga : treno()) EXPECT_FALSE(riga.empty()) << "no empty line anywhere";
  const std::string testo = document_text(dati_treno());
  EXPECT_TRUE(std::all_of(testo.begin(), testo.end(),
                          [](char c) { return c == '\r' || c == '\n' || (c >= ' ' && c <= '~'); }));
}

TEST(TrainSource, QuotedRowsStandAtTheirPlace) {
  const struct {
    int slot;
    const char* riga;
  } casi[] = {
      {1, "numero vetture,    5"},
      {2, "percentuale massa frenata,    120"},
      {3, "sabbia,    300"},
      {4, "orologio,    7               33            0 "},
      {6, "aderenza,       0,    85"},
      {7, "aderenza,   73000,    80"},
      {9, "velocita,   0,    30"},
      {10, "velocita,     800,    95"},
      {26, "velocita,  159300,    30"},
      {28, "stazione,       0,  7,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   7,35, 0, BORGOLUCE"},
      {36, "stazione,   26650,  2,  500,  1, 0, 0,  4,1,0,  2,1,1,   60,   8, 5, 0, PIANVERDE"},
      {70, "segnale,    3200,   2, 2, 3,  1, 1,    2,  2,1,1, 0"},
      {138, "segnale,  161050,   2, 2, 3,  0, 0,    0,  0,0,0, 0"},
  };
  for (const auto& c : casi) EXPECT_EQ(treno()[c.slot], c.line);
  EXPECT_EQ(treno()[4].size(), 45u) << "the clock row keeps its trailing blank";

  const char* const ovunque[] = {"velocita,   11100,   160",
                                 "segnale,   57700,   1, 3, 1,  0, 0,    0,  0,0,0, 255",
                                 "segnale,   76350,   2, 3, 1,  0, 0,    0,  0,0,0, 210"};
  for (const char* riga : ovunque) {
    EXPECT_NE(std::find(treno().begin(), treno().end(), riga), treno().end()) << riga;
  }
  EXPECT_EQ(treno()[56].substr(0, 72),
            "stazione,  116200, 28,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, ");
  EXPECT_EQ(treno()[67],
            "stazione,  162000,  6,  600,  0, 0, 0,  1,1,0,  2,1,1,    0,  10,32, 0, "
            "CASTELROSSINO");
}

TEST(TrainSource, NumbersAreRightAlignedInTheirColumns) {
  const struct {
    int da, a;
    std::vector<std::size_t> larghezze;  // 0: 2 characters, or 4 for a three-digit value
  } casi[] = {
      {6, 7, {8, 6}},
      {10, 26, {8, 6}},
      {28, 67, {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2}},
      {70, 138, {8, 4, 2, 2, 3, 2, 5, 3, 1, 1, 0}},
  };
  const std::regex numero(R"( *\d+)");
  for (const auto& c : casi) {
    for (int k = c.da; k <= c.a; ++k) {
      const auto cc = campi(treno()[k]);
      const bool stazione = cc.front() == "stazione";
      ASSERT_EQ(cc.size(), c.larghezze.size() + 1 + (stazione ? 1 : 0)) << treno()[k];
      for (std::size_t i = 0; i < c.larghezze.size(); ++i) {
        const std::string& campo = cc[i + 1];
        EXPECT_TRUE(std::regex_match(campo, numero)) << treno()[k];
        const std::size_t attesa =
            c.larghezze[i] != 0 ? c.larghezze[i] : (std::stol(campo) >= 100 ? 4 : 2);
        EXPECT_EQ(campo.size(), attesa) << "field " << i + 1 << " of " << treno()[k];
      }
      if (stazione) {
        EXPECT_TRUE(std::regex_match(cc.back(), std::regex(R"( [A-Z][A-Z.' ()-]*[A-Z)])")))
            << treno()[k];
      }
    }
  }
}

TEST(TrainSource, ProfilesAndTimetableAscend) {
  const struct {
    std::vector<Riga> righe;
    long prima, ultima;
  } casi[] = {{velocita(), 0, 159300}, {stazioni(), 0, 162000}, {segnali(), 3200, 161050}};
  for (const auto& c : casi) {
    EXPECT_EQ(c.righe.front().numeri[0], c.prima);
    EXPECT_EQ(c.righe.back().numeri[0], c.ultima);
    for (std::size_t i = 1; i < c.righe.size(); ++i) {
      EXPECT_LT(c.righe[i - 1].numeri[0], c.righe[i].numeri[0]) << c.righe[i].testo;
    }
  }
  long massima = 0;
  for (const auto& r : velocita()) {
    EXPECT_TRUE(r.numeri[1] >= 30 && r.numeri[1] <= 160) << r.testo;
    massima = std::max(massima, r.numeri[1]);
  }
  EXPECT_EQ(massima, 160);
  for (const auto& r : stazioni()) {
    EXPECT_EQ(r.numeri[0] % 50, 0) << r.testo;
    EXPECT_LE(r.nome.size(), 28u) << "at most 27 characters after the blank: " << r.nome;
  }
}

// Counts the values of one field over a list of rows.
std::map<long, int> conta(const std::vector<Riga>& lista, std::size_t campo) {
  std::map<long, int> n;
  for (const auto& r : lista) ++n[r.numeri.at(campo)];
  return n;
}

std::vector<long> valori(const std::map<long, int>& conteggio) {
  std::vector<long> v;
  for (const auto& [valore, n] : conteggio) v.push_back(valore);
  return v;
}

TEST(TrainSource, StationFieldsTakeTheirValues) {
  const auto s = stazioni();
  EXPECT_EQ(conta(s, 1), (std::map<long, int>{
                             {2, 1}, {4, 3}, {6, 1}, {7, 1}, {11, 1}, {12, 31}, {24, 1}, {28, 1}}));
  const struct {
    std::size_t campo;  // 0-based after the keyword: field n of the row is n - 1
    std::vector<long> insieme;
  } casi[] = {{2, {300, 400, 500, 600, 700}},
              {3, {0, 1}},
              {4, {0, 1}},
              {5, {0}},
              {6, {0, 1, 4}},
              {7, {0, 1}},
              {8, {0, 1}},
              {9, {0, 2, 4, 5}},
              {10, {0, 1, 2, 6}},
              {11, {0, 1}},
              {12, {0, 1, 30, 45, 60, 220}},
              {13, {0, 7, 8, 9, 10}},
              {15, {0}}};
  for (const auto& c : casi)
    EXPECT_EQ(valori(conta(s, c.campo)), c.insieme) << "field " << c.campo + 1;
  for (const auto& r : s) {
    EXPECT_LE(r.numeri[14], 59) << r.testo;
    EXPECT_EQ(r.numeri[13] == 0, r.numeri[1] == 28) << "only the junction has no time: " << r.testo;
    if (r.numeri[13] == 0) {
      EXPECT_EQ(r.numeri[14], 0) << r.testo;
    }
  }
  EXPECT_EQ(s[8].numeri[0], 26650);
  EXPECT_EQ(s[28].numeri[1], 28);
}

TEST(TrainSource, SignalFieldsTakeTheirValues) {
  const auto g = segnali();
  EXPECT_EQ(conta(g, 1), (std::map<long, int>{{1, 28}, {2, 41}}));
  EXPECT_EQ(valori(conta(g, 2)), (std::vector<long>{2, 3, 4, 5}));
  EXPECT_EQ(valori(conta(g, 3)), (std::vector<long>{0, 1, 3, 4}));
  EXPECT_EQ(conta(g, 6)[0], 56);
  EXPECT_EQ(valori(conta(g, 6)), (std::vector<long>{0, 1, 2}));
  EXPECT_EQ(conta(g, 7)[0], 56);
  EXPECT_EQ(valori(conta(g, 7)), (std::vector<long>{0, 2, 3}));
  EXPECT_EQ(valori(conta(g, 8)), (std::vector<long>{0, 1}));
  EXPECT_EQ(conta(g, 10), (std::map<long, int>{{0, 64}, {210, 1}, {255, 4}}));
  // s3, rapp and d3 are set on the first signal only.
  for (std::size_t campo : {4u, 5u, 9u}) {
    EXPECT_EQ(conta(g, campo), (std::map<long, int>{{0, 68}, {1, 1}})) << campo;
    EXPECT_EQ(g.front().numeri[campo], 1);
  }
  // Cab signalling codes on the 13 signals up to 25850, none from 30800 on.
  for (std::size_t i = 0; i < g.size(); ++i) {
    const auto& n = g[i].numeri;
    EXPECT_EQ(n[6] != 0, i < 13) << g[i].testo;
    if (n[0] >= 30800) {
      EXPECT_EQ(n[6] + n[7] + n[8] + n[9], 0) << g[i].testo;
    }
  }
  EXPECT_EQ(g[12].numeri[0], 25850);
  const auto primo_255 =
      std::find_if(g.begin(), g.end(), [](const Riga& r) { return r.numeri[10] == 255; });
  EXPECT_EQ(primo_255->numeri[0], 57700);
}

}  // namespace
}  // namespace sb
