#include "compiler/error_codes.h"

#include <algorithm>
#include <array>

namespace sb {

namespace {

constexpr std::array<VoceErrore, 37> kTabella = {{
    {kNessunErrore, "no error"},
    {kLunghezzaTroppoGrande, "line length above 1000000 m"},
    {kProgressivaNonMultipla, "kilometric progressive bound not a multiple of 50"},
    {kRipetizioneInizio, "signal repetition start not a multiple of 50"},
    {kRipetizioneFine, "signal repetition end not a multiple of 50"},
    {kRipetizioneCodici, "signal repetition keyword holds neither \"4\" nor \"9\""},
    {kCartelloOccupato, "sign on a cell that is already taken"},
    {kAbbattimentoOccupato, "abbattimento point on a cell that is already taken"},
    {kStazioneNonMultipla50, "station position not a multiple of 50"},
    {kStazioneLunghezza, "station length not a multiple of 100"},
    {kTroppeStazioni, "too many stations: the station items reached the sign texts"},
    {kMarcaSegnaleAvviso,
     "no room for a mark before a signal that precedes a slowdown warning point"},
    {kMarcaPrimaRallentamento, "no room for a mark before a slowdown"},
    {kMarcaNelRallentamento, "no room for a mark inside or after a slowdown"},
    {kFuoriPercorso, "position beyond the described range of the line"},
    {kSegnaleOccupato, "signal on a cell that is already taken"},
    {kAvvisoOccupato, "slowdown warning point on a cell that is already taken"},
    {kInizioOccupato, "slowdown start on a cell that is already taken"},
    {kFineOccupata, "slowdown end on a cell that is already taken"},
    {kPrimaAvvisoOccupate, "a cell before the slowdown warning point is already taken"},
    {kIndicatoriOccupati, "speed indicator boards on a cell that is already taken"},
    {kStazioniVicine, "station area begins less than 350 m after the previous station's area"},
    {kStazioneInizioLinea, "station area ends at or before 100 m"},
    {kLetturaFallita, "the source cannot be read"},
    {kSorgenteLineaMancante, "line source missing"},
    {kGeneraleMancante, "no \"[generale]\" section in the line source"},
    {kCurvaErrata, "curve keyword without a class digit 1 to 6, or track plan beyond 1000000 m"},
    {kGuardiaCostanti,
     "a reserved slot (item 85 parametro1 or cell 1 dato1) was already set by the sources"},
    {kGuardiaCodici,
     "a check code slot (item 85 valore_d or cell 1 dato2) was already set by the sources"},
    {kLunghezzaNegativa, "line length below 0"},
    {kPrimaDellInizio, "element before the start of the route"},
    {kOltreLaFine, "element reaches beyond the last cell of the route"},
    {kTroppiCartelli, "too many signs: at most 81 sign texts fit"},
    {kTroppeMontagne, "too many mountain spans: at most 80 fit"},
    {kCurvaOltreTracciato, "curve runs past the end of the track plan"},
    {kSorgenteTroppoGrande, "source file larger than 16777216 bytes"},
    {kCampoTroppoLungo, "field longer than 65535 bytes"},
}};

}  // namespace

std::span<const VoceErrore> tabella_errori() {
  return kTabella;
}

std::string messaggio_errore(Long codice) {
  const auto it = std::find_if(kTabella.begin(), kTabella.end(),
                               [&](const VoceErrore& v) { return v.codice == codice; });
  return it == kTabella.end() ? "unknown error code" : it->messaggio;
}

}  // namespace sb
