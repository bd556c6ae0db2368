#include "documents/train_card.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <regex>
#include <string>
#include <vector>

#include "sources/train_source.h"
#include "support/document_lines.h"

namespace sb {
namespace {

std::vector<std::string> righe_di(const Righe& r) {
  return testing::written_lines(r);
}

const std::vector<std::string>& scheda() {
  static const std::vector<std::string> righe = righe_di(dati_scheda());
  return righe;
}

constexpr int kInizio[] = {2, 53, 102, 152};  // first slot of each card
constexpr int kRigheTabella[] = {31, 30, 31, 31};
constexpr int kPrimaRiga = 14;  // table rows begin on the 15th line of a card

const std::string kRigaVuota =
    " |     |     |          |     |                            |                |     |";
const std::string kRegola =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

// Line n (0-based) of card c (0-based).
const std::string& linea(int c, int n) {
  return scheda().at(kInizio[c] + n);
}

std::vector<std::string> tabella(int c) {
  std::vector<std::string> t;
  for (int n = 0; n < kRigheTabella[c]; ++n) t.push_back(linea(c, kPrimaRiga + n));
  return t;
}

std::vector<std::string> in_uso(int c) {
  std::vector<std::string> t;
  for (const auto& r : tabella(c)) {
    if (r != kRigaVuota) t.push_back(r);
  }
  return t;
}

// The seven cells of a table row, between its bars.
std::array<std::string, 7> celle(const std::string& riga) {
  constexpr std::size_t sbarre[] = {1, 7, 13, 24, 30, 59, 76, 82};
  std::array<std::string, 7> c;
  EXPECT_EQ(riga.size(), 83u) << riga;
  if (riga.size() != 83) return c;
  for (std::size_t b : sbarre) EXPECT_EQ(riga[b], '|') << riga;
  for (std::size_t i = 0; i < 7; ++i)
    c[i] = riga.substr(sbarre[i] + 1, sbarre[i + 1] - sbarre[i] - 1);
  return c;
}

std::string nome(const std::string& riga) {
  std::string n = celle(riga)[4];
  return n.substr(1, n.find_last_not_of(' '));
}

bool e_stazione(const std::string& riga) {
  const std::string n = nome(riga);
  return n != "Cartello Indicatore" && n.rfind("Imbocco galleria ", 0) != 0 &&
         n.rfind("Sbocco galleria ", 0) != 0;
}

TEST(TrainCard, DocumentHoldsFourCardsBetweenSeparators) {
  ASSERT_EQ(scheda().size(), 199u);
  for (int slot : {0, 1, 48, 49, 51, 52, 98, 99, 101, 148, 149, 151, 198}) {
    EXPECT_EQ(scheda()[slot], "") << "slot " << slot;
  }
  EXPECT_EQ(scheda()[50], std::string(81, '.'));
  EXPECT_EQ(scheda()[100], std::string(72, '.'));
  EXPECT_EQ(scheda()[150], std::string(72, '.'));
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(linea(c, 0).substr(0, 21), "  ___________________") << "card " << c + 1;
    EXPECT_EQ(linea(c, kPrimaRiga + kRigheTabella[c]), kRegola) << "card " << c + 1;
  }
}

TEST(TrainCard, FrameLinesHaveTheirLengths) {
  const std::size_t lunghezze[] = {82, 83, 83, 83, 83, 56, 64, 57, 57, 0, 82, 83, 83, 83};
  for (int c = 0; c < 4; ++c) {
    for (int n = 0; n < kPrimaRiga; ++n) {
      EXPECT_EQ(linea(c, n).size(), lunghezze[n]) << "card " << c + 1 << " line " << n + 1;
    }
    for (const auto& r : tabella(c)) celle(r);
  }
  // The lines that do not change from card to card.
  const struct {
    int n;
    const char* testo;
  } comuni[] = {
      {0, "  ___________________                                               ______________"},
      {4, "                                                                   |______________|"},
      {5, "  ___________________                ___________________"},
      {6, " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       "},
      {8, " |___________________|              |___________________|"},
      {10, "  ________________________________________________________________________________"},
      {11, " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |"},
      {12, " | Lim.|Marc.|          |  Rs |                            |                |     |"},
      {13, " |_____|_____|__________|_____|____________________________|________________|_____|"},
  };
  for (int c = 0; c < 4; ++c) {
    for (const auto& l : comuni) EXPECT_EQ(linea(c, l.n), l.testo) << "card " << c + 1;
  }
}

TEST(TrainCard, HeadersNameTheStretchOfEachCard) {
  const struct {
    const char* titolo;
    std::string da, a;
    const char* classificazione;
  } casi[] = {
      {"SCHEDA 1/4", "BORGOLUCE", "PIANVERDE",
       " |       DIR         |              |      330T         |"},
      {"SCHEDA 2/4", "PIANVERDE", "SAN VITO IN ALPE",
       " |        DIR        |              |      330T         |"},
      {"SCHEDA 3/4", "SAN VITO IN ALPE", "CASTELROSSINO",
       " |        DIR        |              |      330T         |"},
  };
  for (int c = 0; c < 3; ++c) {
    const auto& k = casi[c];
    EXPECT_EQ(linea(c, 1), std::string(" |                   |                    ") + k.titolo +
                               "               |              |");
    ASSERT_LE(k.da.size(), 22u);
    ASSERT_LE(k.a.size(), 22u);
    EXPECT_EQ(linea(c, 2), " |   TRENO n.5127    |" + std::string(19, ' ') + "da: " + k.da +
                               std::string(22 - k.da.size(), ' ') + "|    V160 B    |");
    EXPECT_EQ(linea(c, 3), " |___________________|" + std::string(20, ' ') + "a: " + k.a +
                               std::string(22 - k.a.size(), ' ') + "|     120%     |");
    EXPECT_EQ(linea(c, 7), k.classificazione);
    // The header names the first and the last station of the table.
    EXPECT_EQ(nome(in_uso(c).front()), k.da);
    EXPECT_EQ(nome(in_uso(c).back()), k.a);
  }
  EXPECT_EQ(linea(3, 1),
            " |                   |                    SCHEDA 4/4               |              |");
  EXPECT_EQ(linea(3, 2),
            " |   TRENO n.xxxxx   |                   da: xxxxxx                |    Vxxx C    |");
  EXPECT_EQ(linea(3, 3),
            " |___________________|                    a: xxxxxx                |     xxx%     |");
  EXPECT_EQ(linea(3, 7), " |        xxx        |              |      xxxT         |");
}

TEST(TrainCard, TablesHoldTheirRowsInUseThenEmptyRows) {
  const struct {
    std::size_t stazioni, cartelli, imbocchi;
  } casi[] = {{9, 3, 0}, {19, 9, 2}, {14, 0, 0}, {0, 0, 0}};
  for (int c = 0; c < 4; ++c) {
    const auto righe = in_uso(c);
    const auto t = tabella(c);
    EXPECT_TRUE(std::equal(righe.begin(), righe.end(), t.begin()))
        << "card " << c + 1 << ": empty rows come last";
    const auto stazioni =
        static_cast<std::size_t>(std::count_if(righe.begin(), righe.end(), e_stazione));
    const auto cartelli = static_cast<std::size_t>(
        std::count_if(righe.begin(), righe.end(),
                      [](const std::string& r) { return nome(r) == "Cartello Indicatore"; }));
    EXPECT_EQ(stazioni, casi[c].stazioni) << "card " << c + 1;
    EXPECT_EQ(cartelli, casi[c].cartelli) << "card " << c + 1;
    EXPECT_EQ(righe.size() - stazioni - cartelli, casi[c].imbocchi) << "card " << c + 1;
    for (const auto& r : righe) {
      const auto k = celle(r);
      EXPECT_EQ(k[3], "     ") << r;
      EXPECT_EQ(k[6], "     ") << r;
      EXPECT_LE(nome(r).size(), 27u) << r;
      if (!e_stazione(r)) {
        EXPECT_NE(k[0], "     ") << "a board or portal fills both speeds: " << r;
        EXPECT_NE(k[1], "     ") << r;
        EXPECT_EQ(k[5], std::string(16, ' ')) << r;
      }
    }
  }
  EXPECT_EQ(in_uso(1).size(), 30u);
}

TEST(TrainCard, CellsFollowTheAlignmentOfTheirCard) {
  const std::string v = "     ";
  const struct {
    std::regex km, vel_lim, vel_marc, orario;
  } casi[] = {
      {std::regex(R"([ \d]\d\+\d{3} {4})"), std::regex(R"( \d\d  | \d{3} |     )"),
       std::regex(R"( \d\d  |\d{3}  |     )"),
       std::regex(
           R"( {10}\d\.\d\d  | {6}\d\.\d\d {6}| \d\.\d\d {5}\d\.\d\d  | \d\.\d\d {11}| {16})")},
      {std::regex(R"([ \d]{2}\d\+\d{3} {3})"), std::regex(R"( \d\d  |\d{3}  |     )"),
       std::regex(R"( \d\d  |\d{3}  |     )"),
       std::regex(R"( {6}\d\.\d\d {6}| \d\.\d\d {5}\d\.\d\d  | \d\.\d\d {6}\d\.\d\d | {16})")},
      {std::regex(R"([ \d]{3}\d\+\d{3} {2})"), std::regex(R"(  \d\d |     )"),
       std::regex(R"( \d\d  |     )"),
       std::regex(
           R"( {5}[ \d]\d\.\d\d {6}|[ \d]\d\.\d\d {6}[ \d]\d\.\d\d|[ \d]\d\.\d\d {11}| {16})")},
  };
  for (int c = 0; c < 3; ++c) {
    for (const auto& r : in_uso(c)) {
      const auto k = celle(r);
      EXPECT_TRUE(std::regex_match(k[2], casi[c].km)) << r;
      EXPECT_TRUE(std::regex_match(k[0], casi[c].vel_lim)) << r;
      EXPECT_TRUE(std::regex_match(k[1], casi[c].vel_marc)) << r;
      EXPECT_TRUE(std::regex_match(k[5], casi[c].orario)) << r;
    }
  }
  // The cell values that the card is known by, each in its card's column.
  const struct {
    int scheda, cella;
    const char* valore;
  } noti[] = {
      {0, 2, " 0+000    "},
      {0, 2, "10+700    "},
      {1, 2, " 26+700   "},
      {1, 2, "102+200   "},
      {2, 2, " 106+700  "},
      {0, 0, " 30  "},
      {0, 0, " 120 "},
      {0, 1, "115  "},
      {1, 0, " 30  "},
      {1, 0, "130  "},
      {1, 1, "120  "},
      {2, 0, "  95 "},
      {2, 1, " 85  "},
      {0, 5, "          7.35  "},
      {0, 5, "      7.37      "},
      {0, 5, " 7.41     7.43  "},
      {0, 5, " 7.58           "},
      {1, 5, "      8.12      "},
      {1, 5, " 8.32     8.38  "},
      {1, 5, " 7.58      8.06 "},
      {2, 5, "      9.34      "},
      {2, 5, " 9.43       9.46"},
      {2, 5, "10.06      10.07"},
      {2, 5, "10.32           "},
  };
  for (const auto& n : noti) {
    const auto righe = in_uso(n.scheda);
    EXPECT_TRUE(std::any_of(righe.begin(), righe.end(),
                            [&](const std::string& r) { return celle(r)[n.cell] == n.value; }))
        << "card " << n.scheda + 1 << " cell " << n.cell + 1 << " '" << n.value << "'";
  }
}

TEST(TrainCard, QuotedRowsStandAtTheirPlace) {
  const auto uno = in_uso(0);
  EXPECT_EQ(uno.front(),
            " | 30  | 30  | 0+000    |     | BORGOLUCE                  |          7.35  |     |");
  EXPECT_EQ(uno.back(),
            " |     |     |26+700    |     | PIANVERDE                  | 7.58           |     |");
  for (const char* r :
       {" | 95  | 85  | 5+175    |     | Cartello Indicatore        |                |     |",
        " | 160 |150  |11+100    |     | Cartello Indicatore        |                |     |"}) {
    EXPECT_NE(std::find(uno.begin(), uno.end(), r), uno.end()) << r;
  }
  EXPECT_EQ(celle(in_uso(2).front())[2], " 106+700  ");
}

TEST(TrainCard, JoinsRepeatTheLastStationOfTheCardBefore) {
  // PIANVERDE: the arrival alone on card 1, arrival and departure on card 2.
  const auto fine1 = celle(in_uso(0).back());
  const auto inizio2 = celle(in_uso(1).front());
  EXPECT_EQ(fine1[4], inizio2[4]);
  EXPECT_EQ(fine1[5], " 7.58           ");
  EXPECT_EQ(inizio2[5], " 7.58      8.06 ");
  // SAN VITO IN ALPE: one single time on both cards.
  const auto fine2 = celle(in_uso(1).back());
  const auto inizio3 = celle(in_uso(2).front());
  EXPECT_EQ(fine2[4], inizio3[4]);
  EXPECT_EQ(fine2[5], inizio3[5]);
  EXPECT_TRUE(std::regex_match(fine2[5], std::regex(R"( {6}\d\.\d\d {6})"))) << fine2[5];
}

// The card and the train source are written apart; they must name the same
// stations in the same order, at the same kilometres and times.
TEST(TrainCard, AgreesWithTheTrainSource) {
  struct Fermata {
    std::string nome;
    long metri;
    int minuti;  // of the day; -1 without a time
  };
  std::vector<Fermata> sorgente;
  const std::string testo = document_text(dati_treno());
  const std::regex riga_stazione(
      R"(stazione, *(\d+),(?: *\d+,){12} *(\d+), *(\d+), *\d+, ([^\r]*)\r)");
  for (std::sregex_iterator it(testo.begin(), testo.end(), riga_stazione), fine; it != fine; ++it) {
    const int ore = std::stoi((*it)[2]), minuti = std::stoi((*it)[3]);
    sorgente.push_back({(*it)[4], std::stol((*it)[1]), ore == 0 ? -1 : ore * 60 + minuti});
  }
  ASSERT_EQ(sorgente.size(), 40u);

  // The departure, or the only time, of a card's time cell.
  auto minuti = [](const std::string& cella) {
    std::vector<int> t;
    const std::regex ora(R"((\d+)\.(\d\d))");
    for (std::sregex_iterator it(cella.begin(), cella.end(), ora), fine; it != fine; ++it) {
      t.push_back(std::stoi((*it)[1]) * 60 + std::stoi((*it)[2]));
    }
    return t.empty() ? -1 : t.back();
  };
  std::vector<Fermata> carta;
  for (int c = 0; c < 3; ++c) {
    for (const auto& r : in_uso(c)) {
      if (!e_stazione(r)) continue;
      const auto k = celle(r);
      const Fermata f{nome(r), std::stol(k[2]) * 1000 + std::stol(k[2].substr(k[2].find('+') + 1)),
                      minuti(k[5])};
      if (!carta.empty() && carta.back().nome == f.nome) {
        carta.back() = f;  // the join: the later card carries the departure
      } else {
        carta.push_back(f);
      }
    }
  }
  ASSERT_EQ(carta.size(), sorgente.size());
  for (std::size_t i = 0; i < carta.size(); ++i) {
    EXPECT_EQ(carta[i].nome, sorgente[i].nome) << "station " << i + 1;
    if (sorgente[i].nome == "PIANVERDE") {
      // Both documents carry their own figures here: 26+700 and 8.06 on the
      // card, 26650 and 8:05 in the source.
      EXPECT_EQ(carta[i].metri, 26700);
      EXPECT_EQ(sorgente[i].metri, 26650);
      EXPECT_EQ(carta[i].minuti, 8 * 60 + 6);
      EXPECT_EQ(sorgente[i].minuti, 8 * 60 + 5);
      continue;
    }
    EXPECT_EQ(carta[i].metri, sorgente[i].metri) << carta[i].nome;
    EXPECT_EQ(carta[i].minuti, sorgente[i].minuti) << carta[i].nome;
  }
}

}  // namespace
}  // namespace sb
