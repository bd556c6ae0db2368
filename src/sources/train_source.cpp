#include "sources/train_source.h"

#include <iterator>
#include <string_view>

namespace sb {
namespace {

// Train 5127 on the built-in line: its general data, adhesion and speed
// profiles, the 40 stations of its timetable and the 69 signals. Stations
// and times agree with the train card; every station area, station end and
// signal falls where the compiler accepts it.
constexpr std::string_view kTrainRows[] = {
    // Train 5127: five coaches, 120% braked mass, sand, and the clock at 7:33:00 (the
    // clock row separates its numbers by blanks only).
    "[generale]",
    "numero vetture,    5",
    "percentuale massa frenata,    120",
    "sabbia,    300",
    "orologio,    7               33            0 ",
    // Adhesion drops on the upper half of the line.
    "[aderenze]",
    "aderenza,       0,    85",
    "aderenza,   73000,    80",
    // Speed limits in km/h from each position on, taken from the boards of the line
    // source for the middle category; 30 km/h through the station tracks at the
    // start, at PIANVERDE (crossing on the diverging track) and at the terminus.
    "[vel_limite]",
    "velocita,   0,    30",
    "velocita,     800,    95",
    "velocita,    2000,   120",
    "velocita,    5175,    95",
    "velocita,   11100,   160",
    "velocita,   26200,    30",
    "velocita,   27100,   130",
    "velocita,   34500,   120",
    "velocita,   41100,    90",
    "velocita,   50500,   105",
    "velocita,   59100,    80",
    "velocita,   68000,   100",
    "velocita,   75000,    75",
    "velocita,   86000,    95",
    "velocita,   96000,    70",
    "velocita,  106700,    95",
    "velocita,  127200,    70",
    "velocita,  159300,    30",
    // Timetable: position, kind, length, the station's fields, the departure (or passing)
    // time as hours, minutes and seconds (the train card shows hours and minutes), and the
    // name. BIVIO VALCUPA is a junction without a time.
    "[stazioni]",
    "stazione,       0,  7,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   7,35, 0, BORGOLUCE",
    "stazione,    2000,  4,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   7,37,30, SAN MARCO AL PONTE",
    "stazione,    6700, 12,  500,  1, 0, 0,  1,1,0,  2,1,1,   45,   7,43, 0, CAMPOSERENO",
    "stazione,   10700, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   7,46, 0, PRATOLUNGO",
    "stazione,   14300, 12,  500,  0, 0, 0,  1,0,0,  0,0,0,    0,   7,48, 0, VILLA ARDESIA",
    "stazione,   17600, 11,  600,  1, 1, 0,  1,1,1,  2,2,1,   30,   7,51, 0, ROCCAFIORITA",
    "stazione,   20400, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   7,53, 0, MULINOVECCHIO",
    "stazione,   23500, 12,  500,  0, 0, 0,  1,0,0,  0,0,0,    0,   7,55, 0, CASELLE DEL GUADO",
    "stazione,   26650,  2,  500,  1, 0, 0,  4,1,0,  2,1,1,   60,   8, 5, 0, PIANVERDE",
    "stazione,   32800, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   8,12, 0, FONTE SALICE",
    "stazione,   36800, 12,  500,  0, 0, 0,  1,0,0,  0,0,0,    0,   8,15, 0, TORRE ALBANA",
    "stazione,   40300, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   8,17, 0, VALDIFERRO",
    "stazione,   45300, 12,  600,  0, 1, 0,  1,0,0,  0,0,0,    0,   8,21, 0, COSTAFREDDA",
    "stazione,   51000, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   8,25, 0, PONTE DEL LUPO",
    "stazione,   56300, 12,  500,  0, 0, 0,  1,0,0,  0,0,0,    0,   8,29, 0, S. PIETRO IN SELVA",
    "stazione,   59900, 12,  700,  1, 1, 0,  4,1,1,  5,6,1,  220,   8,38, 0, ACQUAVIVA MONTANA",
    "stazione,   66000, 12,  500,  0, 0, 0,  0,0,0,  0,0,0,    0,   8,44, 0, LAGO SCURO",
    "stazione,   70500, 12,  400,  0, 0, 0,  1,0,0,  0,0,0,    0,   8,48, 0, ROCCHETTA DEI PINI",
    "stazione,   77000, 12,  400,  1, 0, 0,  1,1,0,  2,1,1,   30,   8,54, 0, CASTAGNETO ALTO",
    "stazione,   81000, 12,  500,  0, 0, 0,  0,0,0,  0,0,0,    0,   8,58, 0, PIETRAGRIGIA",
    "stazione,   85500, 12,  500,  0, 0, 0,  1,0,0,  0,0,0,    0,   9, 2, 0, VALLOMBRA",
    "stazione,   89500, 12,  600,  1, 1, 0,  1,1,0,  2,1,1,   45,   9, 7, 0, SANTA LUCIA DEI MONTI",
    "stazione,   93600, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   9,10, 0, FORNOVECCHIO",
    "stazione,   98000, 12,  500,  0, 0, 0,  1,0,0,  0,0,0,    0,   9,14, 0, COLLE DELLE VIOLE",
    "stazione,  102200, 12,  600,  0, 1, 0,  1,0,0,  0,0,0,    0,   9,18, 0, MONTEFERRO",
    "stazione,  104000,  4,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   9,20, 0, BOSCO D'ARGENTO",
    "stazione,  106700, 12,  600,  1, 1, 0,  1,1,0,  2,1,1,    0,   9,23, 0, SAN VITO IN ALPE",
    "stazione,  110600, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   9,27, 0, CASCINE ROSSE",
    "stazione,  116200, 28,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, BIVIO VALCUPA",
    "stazione,  118600, 12,  500,  0, 0, 0,  1,0,0,  0,0,0,    0,   9,34, 0, PRATI DI SOPRA",
    "stazione,  127200, 12,  600,  1, 1, 0,  4,1,0,  2,1,1,  220,   9,46, 0, PASSO DEI CORVI",
    "stazione,  131200, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   9,51, 0, RIONERO",
    "stazione,  134000, 24,  400,  0, 0, 0,  1,0,0,  0,0,0,    0,   9,54, 0, TERME DI ROCCASPINA",
    "stazione,  139500, 12,  500,  0, 0, 0,  0,0,0,  0,0,0,    0,  10, 0, 0, CASALPIANO",
    "stazione,  142600, 12,  400,  0, 0, 0,  1,0,0,  0,0,0,    0,  10, 3, 0, SELVAPIANA",
    "stazione,  145600, 12,  600,  1, 1, 0,  1,1,0,  2,1,1,   30,  10, 7, 0, ROCCALBA",
    "stazione,  150000, 12,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,  10,12, 0, VARCO ALTO",
    "stazione,  154300, 12,  500,  0, 0, 0,  1,0,0,  0,0,0,    0,  10,17, 0, NEVOSO",
    "stazione,  159700,  4,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,  10,25, 0, CASTELROSSINO BORGO",
    "stazione,  162000,  6,  600,  0, 0, 0,  1,1,0,  2,1,1,    0,  10,32, 0, CASTELROSSINO",
    // No slowdowns.
    "[rallentamenti]",
    // Signals: block signals with cab signalling codes up to PIANVERDE, then a distant
    // and a home signal ahead of every station that has them (halts and the junction
    // have none).
    "[segnali]",
    "segnale,    3200,   2, 2, 3,  1, 1,    2,  2,1,1, 0",
    "segnale,    5000,   2, 4, 1,  0, 0,    1,  2,0,0, 0",
    "segnale,    6000,   2, 2, 3,  0, 0,    2,  3,1,0, 0",
    "segnale,    9000,   2, 4, 1,  0, 0,    1,  2,0,0, 0",
    "segnale,   10000,   2, 2, 3,  0, 0,    2,  3,1,0, 0",
    "segnale,   13500,   2, 2, 3,  0, 0,    2,  2,1,0, 0",
    "segnale,   15600,   2, 5, 4,  0, 0,    1,  2,0,0, 0",
    "segnale,   16800,   2, 2, 3,  0, 0,    2,  3,1,0, 0",
    "segnale,   19700,   2, 2, 3,  0, 0,    2,  2,1,0, 0",
    "segnale,   21800,   2, 4, 1,  0, 0,    1,  2,0,0, 0",
    "segnale,   22800,   2, 2, 3,  0, 0,    2,  3,1,0, 0",
    "segnale,   24600,   2, 5, 4,  0, 0,    1,  2,0,0, 0",
    "segnale,   25850,   2, 3, 1,  0, 0,    2,  3,1,0, 0",
    "segnale,   30800,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   32200,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   34800,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   36100,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   38350,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   39650,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   43250,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   44550,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   49050,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   50350,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   54300,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   55600,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   57700,   1, 3, 1,  0, 0,    0,  0,0,0, 255",
    "segnale,   59200,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   64000,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   65300,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   68550,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   69850,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   74700,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   76350,   2, 3, 1,  0, 0,    0,  0,0,0, 210",
    "segnale,   79000,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   80300,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   83500,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   84800,   2, 2, 3,  0, 0,    0,  0,0,0, 255",
    "segnale,   87450,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   88750,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,   91650,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   92950,   2, 5, 4,  0, 0,    0,  0,0,0, 0",
    "segnale,   96200,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   97300,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  100150,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  101450,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  104650,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  105950,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  108650,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,  109950,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  116600,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  117900,   2, 2, 3,  0, 0,    0,  0,0,0, 255",
    "segnale,  125150,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  126450,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  129250,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  130550,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  132050,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,  133350,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  137500,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  138800,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  140650,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  141950,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  143550,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  144850,   2, 2, 3,  0, 0,    0,  0,0,0, 255",
    "segnale,  148050,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  149350,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  152300,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,  153600,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    "segnale,  160300,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,  161050,   2, 2, 3,  0, 0,    0,  0,0,0, 0",
    // No codes.
    "[codici]",
    "[fine]",
};
static_assert(std::size(kTrainRows) == 141);

}  // namespace

Righe dati_treno() {
  Righe r;
  for (std::string_view line : kTrainRows) r << line;
  r.close();
  return r;
}

}  // namespace sb
