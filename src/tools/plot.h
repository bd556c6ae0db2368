// The picture of a compiled scenario, as one SVG 1.1 document: the plan of
// the line drawn from the track plan, and the longitudinal profile (gradient
// and speed limit against kilometres) with the elements of the route marked
// along it.
//
// The drawing is a pure function of the decoded files; the `plot`
// subcommand finds and reads them and writes the result.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

struct PiantaLinea {
  std::vector<ValoreTracciato> x;  // point m is (x[m], y[m]), one per metre
  std::vector<ValoreTracciato> y;
};

struct DatiGrafico {
  std::vector<cella> percorso;
  std::array<oggetto, kNumeroOggetti> oggetti{};
  std::optional<PiantaLinea> pianta;
  std::string nota_pianta;  // shown in place of the plan when there is none
};

// A station as the picture shows it: an item from 1 upward with a kind and a
// name, at the metre of its `valore_c`.
struct StazioneGrafico {
  int indice = 0;
  std::string nome;  // UTF-8, without the padding spaces of the source
  Long posizione = 0;
};
std::vector<StazioneGrafico> stazioni_del_grafico(
    const std::array<oggetto, kNumeroOggetti>& oggetti);

// The whole SVG document, about 1600 px wide.
std::string disegna_scenario(const DatiGrafico& d);

// The files that go with a route file DIR/ID_NUM.dat: DIR/ID_NUM.sim and
// DIR/ID_linea.dat, ID being everything before the last "_". Empty when the
// name is not that of a route file.
struct FileAccanto {
  std::string oggetti;
  std::string tracciato;
};
std::optional<FileAccanto> file_accanto(std::string_view percorso);

}  // namespace sb
