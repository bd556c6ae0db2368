// The post-processing pass walks the cells 1 to N - 2 once, in order. A
// warning point (kind 4) triggers rule A, a slowdown start (kind 3) rule B;
// marks placed for one trigger are seen by the later ones. Every cursor is
// local to the rule that moves it, every cell touched lies within 0 to N, and
// an error is recorded and the pass goes on.
#include "compiler/post_processing.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "compiler/error_codes.h"
#include "run/minimo.h"

namespace sb {

namespace {

constexpr Integer kValoreMarca = 180;
constexpr int kFinestraSegnali = 20;        // rule A: cells looked at before a warning point
constexpr std::int64_t kSegnaleMinimo = 3;  // rule A: lowest signal cell with two cells before it
constexpr Integer kVelocitaSenzaMarche = 110;  // rule B4: slowdowns this fast get no inner marks
constexpr int kPasso = 8;                      // rule B4: spacing of the inner marks
constexpr std::int64_t kAnticipo = 12;         // rule B5: cells looked at after the slowdown end

class Passata {
 public:
  Passata(RouteModel& m, std::vector<ErrorePassata>* registro)
      : m_(m), registro_(registro), ultima_(m.ultima_cella()) {}

  void esegui() {
    for (std::int64_t c = 1; c <= ultima_ - 2; ++c) {
      const Byte genere = cella_n(c).genere;
      if (genere == kAvvisoRallentamento) {
        regola_a(c);
      } else if (genere == kInizioRallentamento) {
        regola_b(c);
      }
    }
  }

 private:
  cella& cella_n(std::int64_t c) { return m_.percorso.at(static_cast<std::size_t>(c)); }
  bool libera(std::int64_t c) { return m_.cella_esiste(c) && cella_libera(cella_n(c)); }

  void metti_marca(std::int64_t c) {
    cella& z = cella_n(c);
    z.genere = kAbbattimento;
    z.dato1 = kValoreMarca;
  }

  // Lowers the value of an existing mark to 180 when it is higher.
  void unisci_marca(std::int64_t c) {
    cella& z = cella_n(c);
    z.dato1 = static_cast<Integer>(minimo(kValoreMarca, z.dato1));
  }

  void errore(Long codice, std::int64_t c) {
    m_.codice_errore = codice;
    m_.progressiva_errore = low32(c * kMetriCella);
    if (registro_ != nullptr) registro_->push_back({codice, m_.progressiva_errore});
  }

  // Rule A: every signal among the 20 cells before a warning point gets a
  // mark right before it, two cells before it, or shares an existing one.
  void regola_a(std::int64_t c) {
    for (int k = 1; k <= kFinestraSegnali; ++k) {
      const std::int64_t s = c - k;
      if (s < kSegnaleMinimo) return;
      if (cella_n(s).genere != kSegnale) continue;
      if (libera(s - 1)) {
        metti_marca(s - 1);
      } else if (libera(s - 2)) {
        metti_marca(s - 2);
      } else if (cella_n(s - 1).genere == kAbbattimento) {
        unisci_marca(s - 1);
      } else if (cella_n(s - 2).genere == kAbbattimento) {
        unisci_marca(s - 2);
      } else {
        errore(kMarcaSegnaleAvviso, s);
      }
    }
  }

  void regola_b(std::int64_t c) {
    prima_del_rallentamento(c, 5);
    prima_del_rallentamento(c, 11);
    prima_del_rallentamento(c, 18);
    std::optional<std::int64_t> fine;
    if (cella_n(c).dato1 < kVelocitaSenzaMarche) {
      fine = cammino(c);
    } else {
      fine = fine_rallentamento(c);
    }
    if (fine) dopo_il_rallentamento(*fine);
  }

  // B1 to B3: a mark at the first free cell of c - d, c - d - 1, c - d - 2,
  // when all three exist after cell 0. An existing mark is simply taken.
  void prima_del_rallentamento(std::int64_t c, std::int64_t d) {
    if (c <= d + 2) return;
    for (std::int64_t p = c - d; p >= c - d - 2; --p) {
      if (libera(p)) {
        metti_marca(p);
        return;
      }
    }
    errore(kMarcaPrimaRallentamento, c);
  }

  // B4: walks from the start to the slowdown end, a mark every 8 cells. The
  // counter restarts from the cell that got the mark; when no cell near the
  // eighth is free, the counter runs past 8 and no further mark is placed.
  // The walk stops at the last cell when the slowdown has no end cell of its
  // own. Returns the cell where it stopped.
  std::int64_t cammino(std::int64_t c) {
    int contatore = 0;
    std::int64_t i = c;
    for (;;) {
      ++i;
      ++contatore;
      if (contatore == kPasso) {
        const std::int64_t t = i;
        if (libera(t)) {
          metti_marca(t);
          contatore = 0;
        } else if (libera(t - 1)) {
          metti_marca(t - 1);
          contatore = 1;
        } else if (t + 1 <= ultima_ && libera(t + 1)) {
          metti_marca(t + 1);
          contatore = -1;
        } else {
          errore(kMarcaNelRallentamento, t);
        }
      }
      if (cella_n(i).genere == kFineRallentamento || i >= ultima_) return i;
    }
  }

  // The end cell of the slowdown that starts at c, when it has one.
  std::optional<std::int64_t> fine_rallentamento(std::int64_t c) {
    for (std::int64_t i = c + 1; i <= ultima_; ++i) {
      if (cella_n(i).genere == kFineRallentamento) return i;
    }
    return std::nullopt;
  }

  // B5: the first signal among the 13 cells from t on gets a mark right
  // before it, or one cell further back.
  void dopo_il_rallentamento(std::int64_t t) {
    std::int64_t p = 0;
    const std::int64_t fine = std::min(t + kAnticipo, ultima_);
    for (std::int64_t i = t; i <= fine; ++i) {
      if (cella_n(i).genere == kSegnale) {
        p = i - 1;
        break;
      }
    }
    if (p <= 0) return;
    if (libera(p)) {
      metti_marca(p);
    } else if (libera(p - 1)) {
      metti_marca(p - 1);
    } else {
      errore(kMarcaNelRallentamento, t);
    }
  }

  RouteModel& m_;
  std::vector<ErrorePassata>* registro_;
  const std::int64_t ultima_;
};

}  // namespace

void post_elabora(RouteModel& m, std::vector<ErrorePassata>* registro) {
  if (!m.ha_percorso()) return;
  Passata(m, registro).esegui();
}

}  // namespace sb
