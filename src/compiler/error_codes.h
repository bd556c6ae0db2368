// Every error code of the compiler, with its message, in one table.
//
// Codes below 200 and the two fatal codes are the scenario codes that the
// compiled scenario's readers know. Codes from 201 on are this compiler's own:
// they refuse input whose element would fall outside the route model's
// arrays, where the scenario rules leave the outcome open, and input beyond
// the reader's limits (input_limits.h).
#pragma once

#include <span>
#include <stdexcept>
#include <string>

#include "compiler/route_model.h"

namespace sb {

enum CodiceErrore : Long {
  kNessunErrore = 0,
  kLunghezzaTroppoGrande = 1,
  kProgressivaNonMultipla = 2,
  kRipetizioneInizio = 3,
  kRipetizioneFine = 4,
  kRipetizioneCodici = 5,
  kCartelloOccupato = 6,
  kAbbattimentoOccupato = 7,
  kStazioneNonMultipla50 = 8,
  kStazioneLunghezza = 9,
  kTroppeStazioni = 10,
  kMarcaSegnaleAvviso = 11,
  kMarcaPrimaRallentamento = 12,
  kMarcaNelRallentamento = 13,
  kFuoriPercorso = 15,
  kSegnaleOccupato = 16,
  kAvvisoOccupato = 17,
  kInizioOccupato = 18,
  kFineOccupata = 19,
  kPrimaAvvisoOccupate = 20,
  kIndicatoriOccupati = 21,
  kStazioniVicine = 22,
  kStazioneInizioLinea = 24,
  kLetturaFallita = 25,
  kSorgenteLineaMancante = 101,
  kGeneraleMancante = 102,
  kCurvaErrata = 103,
  kGuardiaCostanti = 1250,
  kGuardiaCodici = 1251,
  // This compiler's own codes.
  kLunghezzaNegativa = 201,
  kPrimaDellInizio = 202,
  kOltreLaFine = 203,
  kTroppiCartelli = 204,
  kTroppeMontagne = 205,
  kCurvaOltreTracciato = 206,
  kSorgenteTroppoGrande = 207,
  kCampoTroppoLungo = 208,
};

struct VoceErrore {
  Long codice;
  const char* messaggio;
};

// The table: every code with its message, in ascending order of code.
std::span<const VoceErrore> tabella_errori();

// The message of a code, or "unknown error code" for one not in the table.
std::string messaggio_errore(Long codice);

// An unexpected failure while reading a source (a row cut short, text in a
// numeric field, a value that does not fit its conversion): the reader's trap
// turns it into code 25.
class ErroreLettura : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Input beyond one of the reader's limits (input_limits.h): the same trap,
// but it records the limit's own code instead of code 25.
class ErroreLimite : public ErroreLettura {
 public:
  ErroreLimite(Long codice, const std::string& testo) : ErroreLettura(testo), codice_(codice) {}
  Long codice() const { return codice_; }

 private:
  Long codice_;
};

}  // namespace sb
