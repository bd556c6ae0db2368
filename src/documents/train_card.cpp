#include "documents/train_card.h"

#include <span>
#include <string_view>

namespace sb {
namespace {

// The lines that every card shares.
constexpr std::string_view kFrameTop =
    "  ___________________                                               ______________";
constexpr std::string_view kFrameClose =
    "                                                                   |______________|";
constexpr std::string_view kBoxesTop = "  ___________________                ___________________";
constexpr std::string_view kBoxTitles =
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ";
constexpr std::string_view kBoxesBottom =
    " |___________________|              |___________________|";
constexpr std::string_view kTableTop =
    "  ________________________________________________________________________________";
constexpr std::string_view kHeading1 =
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |";
constexpr std::string_view kHeading2 =
    " | Lim.|Marc.|          |  Rs |                            |                |     |";
constexpr std::string_view kRule =
    " |_____|_____|__________|_____|____________________________|________________|_____|";
constexpr std::string_view kEmptyRow =
    " |     |     |          |     |                            |                |     |";
constexpr std::string_view kLongSeparator =
    ".................................................................................";
constexpr std::string_view kSeparator =
    "........................................................................";

// One card: its own header lines and the table rows in use. The table is
// filled with empty rows up to its size.
struct Card {
  std::string_view title;
  std::string_view departure;
  std::string_view arrival;
  std::string_view classification;
  std::span<const std::string_view> righe;
  int table_rows;
};

// Card 1: BORGOLUCE to PIANVERDE. Kilometres right-aligned in two digits; the
// last row carries the arrival alone.
constexpr std::string_view kCard1Rows[] = {
    " | 30  | 30  | 0+000    |     | BORGOLUCE                  |          7.35  |     |",
    " | 95  | 85  | 0+900    |     | Cartello Indicatore        |                |     |",
    " | 120 |115  | 2+000    |     | SAN MARCO AL PONTE         |      7.37      |     |",
    " | 95  | 85  | 5+175    |     | Cartello Indicatore        |                |     |",
    " |     |     | 6+700    |     | CAMPOSERENO                | 7.41     7.43  |     |",
    " |     |     |10+700    |     | PRATOLUNGO                 |      7.46      |     |",
    " | 160 |150  |11+100    |     | Cartello Indicatore        |                |     |",
    " |     |     |14+300    |     | VILLA ARDESIA              |      7.48      |     |",
    " |     |     |17+600    |     | ROCCAFIORITA               | 7.50     7.51  |     |",
    " |     |     |20+400    |     | MULINOVECCHIO              |      7.53      |     |",
    " |     |     |23+500    |     | CASELLE DEL GUADO          |      7.55      |     |",
    " |     |     |26+700    |     | PIANVERDE                  | 7.58           |     |",
};

// Card 2: PIANVERDE to SAN VITO IN ALPE, its table full. The first row repeats
// PIANVERDE with arrival and departure.
constexpr std::string_view kCard2Rows[] = {
    " | 30  | 30  | 26+700   |     | PIANVERDE                  | 7.58      8.06 |     |",
    " |130  |120  | 27+100   |     | Cartello Indicatore        |                |     |",
    " |     |     | 32+800   |     | FONTE SALICE               |      8.12      |     |",
    " |120  |115  | 34+500   |     | Cartello Indicatore        |                |     |",
    " |     |     | 36+800   |     | TORRE ALBANA               |      8.15      |     |",
    " |     |     | 40+300   |     | VALDIFERRO                 |      8.17      |     |",
    " | 90  | 85  | 41+100   |     | Cartello Indicatore        |                |     |",
    " |     |     | 45+300   |     | COSTAFREDDA                |      8.21      |     |",
    " |105  | 95  | 50+500   |     | Cartello Indicatore        |                |     |",
    " |     |     | 51+000   |     | PONTE DEL LUPO             |      8.25      |     |",
    " |     |     | 56+300   |     | S. PIETRO IN SELVA         |      8.29      |     |",
    " | 80  | 75  | 59+100   |     | Cartello Indicatore        |                |     |",
    " |     |     | 59+900   |     | ACQUAVIVA MONTANA          | 8.32     8.38  |     |",
    " | 80  | 75  | 61+200   |     | Imbocco galleria SERRALTA  |                |     |",
    " | 80  | 75  | 64+350   |     | Sbocco galleria SERRALTA   |                |     |",
    " |     |     | 66+000   |     | LAGO SCURO                 |      8.44      |     |",
    " |100  | 90  | 68+000   |     | Cartello Indicatore        |                |     |",
    " |     |     | 70+500   |     | ROCCHETTA DEI PINI         |      8.48      |     |",
    " | 75  | 70  | 75+000   |     | Cartello Indicatore        |                |     |",
    " |     |     | 77+000   |     | CASTAGNETO ALTO            | 8.53     8.54  |     |",
    " |     |     | 81+000   |     | PIETRAGRIGIA               |      8.58      |     |",
    " |     |     | 85+500   |     | VALLOMBRA                  |      9.02      |     |",
    " | 95  | 85  | 86+000   |     | Cartello Indicatore        |                |     |",
    " |     |     | 89+500   |     | SANTA LUCIA DEI MONTI      | 9.05     9.07  |     |",
    " |     |     | 93+600   |     | FORNOVECCHIO               |      9.10      |     |",
    " | 70  | 65  | 96+000   |     | Cartello Indicatore        |                |     |",
    " |     |     | 98+000   |     | COLLE DELLE VIOLE          |      9.14      |     |",
    " |     |     |102+200   |     | MONTEFERRO                 |      9.18      |     |",
    " |     |     |104+000   |     | BOSCO D'ARGENTO            |      9.20      |     |",
    " |     |     |106+700   |     | SAN VITO IN ALPE           |      9.23      |     |",
};

// Card 3: SAN VITO IN ALPE to CASTELROSSINO; times right-aligned in the first
// and last five characters of their cell.
constexpr std::string_view kCard3Rows[] = {
    " |  95 | 85  | 106+700  |     | SAN VITO IN ALPE           |      9.23      |     |",
    " |     |     | 110+600  |     | CASCINE ROSSE              |      9.27      |     |",
    " |     |     | 116+200  |     | BIVIO VALCUPA              |                |     |",
    " |     |     | 118+600  |     | PRATI DI SOPRA             |      9.34      |     |",
    " |  70 | 65  | 127+200  |     | PASSO DEI CORVI            | 9.43       9.46|     |",
    " |     |     | 131+200  |     | RIONERO                    |      9.51      |     |",
    " |     |     | 134+000  |     | TERME DI ROCCASPINA        |      9.54      |     |",
    " |     |     | 139+500  |     | CASALPIANO                 |     10.00      |     |",
    " |     |     | 142+600  |     | SELVAPIANA                 |     10.03      |     |",
    " |     |     | 145+600  |     | ROCCALBA                   |10.06      10.07|     |",
    " |     |     | 150+000  |     | VARCO ALTO                 |     10.12      |     |",
    " |     |     | 154+300  |     | NEVOSO                     |     10.17      |     |",
    " |  30 | 30  | 159+700  |     | CASTELROSSINO BORGO        |10.24      10.25|     |",
    " |     |     | 162+000  |     | CASTELROSSINO              |10.32           |     |",
};

constexpr Card kCards[] = {
    {" |                   |                    SCHEDA 1/4               |              |",
     " |   TRENO n.5127    |                   da: BORGOLUCE             |    V160 B    |",
     " |___________________|                    a: PIANVERDE             |     120%     |",
     " |       DIR         |              |      330T         |", kCard1Rows, 31},
    {" |                   |                    SCHEDA 2/4               |              |",
     " |   TRENO n.5127    |                   da: PIANVERDE             |    V160 B    |",
     " |___________________|                    a: SAN VITO IN ALPE      |     120%     |",
     " |        DIR        |              |      330T         |", kCard2Rows, 30},
    {" |                   |                    SCHEDA 3/4               |              |",
     " |   TRENO n.5127    |                   da: SAN VITO IN ALPE      |    V160 B    |",
     " |___________________|                    a: CASTELROSSINO         |     120%     |",
     " |        DIR        |              |      330T         |", kCard3Rows, 31},
    // Card 4 is an empty form with placeholders.
    {" |                   |                    SCHEDA 4/4               |              |",
     " |   TRENO n.xxxxx   |                   da: xxxxxx                |    Vxxx C    |",
     " |___________________|                    a: xxxxxx                |     xxx%     |",
     " |        xxx        |              |      xxxT         |",
     {},
     31},
};

void write_card(Righe& r, const Card& s) {
  r << kFrameTop << s.title << s.departure << s.arrival << kFrameClose << kBoxesTop << kBoxTitles
    << s.classification << kBoxesBottom << "" << kTableTop << kHeading1 << kHeading2 << kRule;
  for (std::string_view line : s.righe) r << line;
  for (auto n = s.righe.size(); n < static_cast<std::size_t>(s.table_rows); ++n) r << kEmptyRow;
  r << kRule;
}

void empty_lines(Righe& r, int n) {
  for (int i = 0; i < n; ++i) r << "";
}

}  // namespace

Righe dati_scheda() {
  Righe r;
  empty_lines(r, 2);
  write_card(r, kCards[0]);
  empty_lines(r, 2);
  r << kLongSeparator;
  empty_lines(r, 2);
  write_card(r, kCards[1]);
  empty_lines(r, 2);
  r << kSeparator;
  empty_lines(r, 1);
  write_card(r, kCards[2]);
  empty_lines(r, 2);
  r << kSeparator;
  empty_lines(r, 1);
  write_card(r, kCards[3]);
  empty_lines(r, 1);
  r.close();
  return r;
}

}  // namespace sb
