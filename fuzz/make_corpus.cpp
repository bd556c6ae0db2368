// Writes the seed corpus of the fuzzer into the directory given as its only
// argument: the built-in sources, and small scenarios that reach every row
// kind, the post-processing near both ends of a route, and the odd shapes of
// a source (no line ends, lone CRs, no train source). Each seed is one input
// of the fuzzer: the flag byte, line source, a NUL byte, train source (see
// invariants.h).
//
//   make_fuzz_corpus fuzz/corpus
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "invariants.h"
#include "sources/line_source.h"
#include "sources/righe.h"
#include "sources/train_source.h"

namespace {

// A short line with one row of every kind of the line source.
constexpr char kLineaPiccola[] =
    "[generale]\r\n"
    "lunghezza percorso,    20000\r\n"
    "progressiva chilometrica uno,    0,    1000,    1\r\n"
    "progressiva chilometrica due,    0,    0,    0\r\n"
    "progressiva chilometrica tre,    0,    0,    0\r\n"
    "sfondo uno,    1\r\n"
    "sfondo due,    5000\r\n"
    "sfondo tre,    9000\r\n"
    "ripetizione segnali 9 codici,    1000,    5000\r\n"
    "[curve]\r\n"
    "curvad2,  500,  300\r\n"
    "curvas6,  2000,  150\r\n"
    "[pendenze]\r\n"
    "- gradients in per mille\r\n"
    "pendenza,   0,    3\r\n"
    "pendenza,  4000,   -12\r\n"
    "[montagne]\r\n"
    "montagna,  3000,  6000,  12\r\n"
    "montagna,  6100,  8000,  1\r\n"
    "[cartelli]\r\n"
    "indicatori_vmax,  900,  90,  95,  100,  0,  ,  ,  ,  0\r\n"
    "cartello_indicatore,  7775,   (Galleria  )(NERA)\r\n"
    "cartello_indicatore,  8025,   \"A, B\"\r\n"
    "[fine]\r\n";

// A train on the short line with one row of every kind of the train source.
constexpr char kSmallTrain[] =
    "[generale]\r\n"
    "numero vetture,    5\r\n"
    "percentuale massa frenata,    120\r\n"
    "sabbia,    300\r\n"
    "orologio,    7    33    0\r\n"
    "[aderenze]\r\n"
    "aderenza,       0,    85\r\n"
    "aderenza,   12000,    80\r\n"
    "[vel_limite]\r\n"
    "velocita,   0,    30\r\n"
    "velocita,     800,    95\r\n"
    "[stazioni]\r\n"
    "stazione,       0,  7,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,   7,35, 0, ALFA\r\n"
    "stazione,   10000, 12,  500,  1, 0, 1,  1,1,0,  2,1,1,   45,   7,43, 0, BETA\r\n"
    "stazione,   16000, 30,  400,  0, 0, 0,  0,0,0,  0,0,0,    0,   7,50, 0, GAMMA\r\n"
    "stazione,   19000,  6,  600,  0, 0, 0,  0,0,0,  0,0,0,    0,   7,55, 0, DELTA\r\n"
    "[segnali]\r\n"
    "segnale,    3200,   2, 2, 3,  1, 1,    2,  2,1,1, 0\r\n"
    "segnale,    8000,   1, 3, 1,  0, 0,    0,  0,0,0, 0\r\n"
    "segnale,   14650,   2, 2, 3,  0, 0,    0,  0,0,0, 255\r\n"
    "[rallentamenti]\r\n"
    "rallentamento,    5000,   60,  500,  2,  1,  7\r\n"
    "rallentamento,   13000,  120,  300,  1,  0,  0\r\n"
    "[abbattimenti]\r\n"
    "abbattimento,    9000,   40\r\n"
    "abbattimento,    9500,   0\r\n"
    "[fine]\r\n";

// The shortest line (140 cells) with elements at both of its ends.
constexpr char kLineaCorta[] =
    "[generale]\n"
    "lunghezza percorso, 0\n"
    "[pendenze]\n"
    "pendenza, 50, 1\n"
    "pendenza, 50, 2\n"
    "pendenza, 6900, 3\n"
    "[fine]\n";
constexpr char kTrenoAgliEstremi[] =
    "[generale]\n"
    "velocita, 6900, 40\n"
    "segnale, 50, 2, 1, 1, 1, 0, 0, 0, 0, 0, 7\n"
    "segnale, 200, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0\n"
    "rallentamento, 300, 50, 800, 1, 0, 0\n"
    "rallentamento, 2600, 60, 0, 1, 1, 3\n"
    "segnale, 6650, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0\n"
    "rallentamento, 6850, 100, 0, 1, 0, 0\n"
    "abbattimento, -25, 3\n"
    "[fine]\n";

std::string document(const sb::Righe& righe) {
  return sb::document_text(righe);
}

// The text with every line end replaced: by commas, or by a lone CR.
std::string replace_line_ends(std::string testo, const std::string& with) {
  std::string out;
  for (std::size_t i = 0; i < testo.size(); ++i) {
    if (testo[i] == '\r' && i + 1 < testo.size() && testo[i + 1] == '\n') continue;
    out += testo[i] == '\n' ? with : std::string(1, testo[i]);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string line = document(sb::dati_linea());
  const std::string train = document(sb::dati_treno());
  using sb::fuzz::join_input;
  const std::vector<std::pair<std::string, std::string>> semi = {
      {"builtin", join_input(1, line, train)},
      {"builtin_without_track_plan", join_input(0, line, train)},
      {"builtin_line_only", join_input(0, line, std::nullopt)},
      {"builtin_line_small_train", join_input(0, line, kSmallTrain)},
      {"small", join_input(1, kLineaPiccola, kSmallTrain)},
      {"small_without_track_plan", join_input(0, kLineaPiccola, kSmallTrain)},
      {"small_no_line_ends",
       join_input(1, replace_line_ends(kLineaPiccola, ","), replace_line_ends(kSmallTrain, ","))},
      {"small_lone_cr",
       join_input(0, replace_line_ends(kLineaPiccola, "\r"), replace_line_ends(kSmallTrain, "\r"))},
      {"short_line_both_ends", join_input(1, kLineaCorta, kTrenoAgliEstremi)},
      {"empty_train", join_input(0, kLineaCorta, "")},
  };
  for (const auto& [name, byte] : semi) {
    const std::string percorso = std::string(argv[1]) + "/" + name;
    std::ofstream f(percorso, std::ios::binary | std::ios::trunc);
    f.write(byte.data(), static_cast<std::streamsize>(byte.size()));
    if (!f) {
      std::fprintf(stderr, "%s: cannot write\n", percorso.c_str());
      return 1;
    }
  }
  return 0;
}
