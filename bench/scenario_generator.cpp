#include "bench/scenario_generator.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace sb {

namespace {

constexpr Long kBlocco = 1000;  // metres

// Blocks 0 and 1 carry only gradients and curves, so that nothing comes near
// the reserved cell 1.
constexpr Long kBlocchiAvvio = 2;

// A slowdown group takes the blocks 5 to 7 of every ten: the warning point and
// its four approach cells in the first block, the slowdown from the middle of
// the second block on, its end in the third. A block after the group must
// exist, for the post-processing's look past the slowdown end.
constexpr Long kPeriodoRallentamenti = 10;
constexpr Long kFaseRallentamenti = 5;
constexpr Long kBlocchiRallentamento = 3;

// Stations take the items from 1 up and signs from 80 down, and a station may
// not reach the next free sign slot: 48 stations and 30 signs leave one item
// between them.
constexpr std::size_t kMassimoStazioni = 48;
constexpr std::size_t kMassimoCartelli = 30;

// Positions within a block, in metres from its start. A point element at
// offset d lies in the block's cell d / 50 + 1; the approach codes of a
// signal fall 2, 4, 6 and 8 cells before it. The two cells before each signal
// stay free for the marks of the post-processing.
constexpr Long kPrimiIndicatori = 50;  // cell 2
constexpr Long kSign = 150;        // cell 4
// Cell 6; approach codes in cells 4, 2, 0 and 18 of the block before.
constexpr Long kPrimoSegnale = 250;
constexpr Long kSecondiIndicatori = 450;  // cell 10
// Cell 16; approach codes in cells 14, 12, 10 and 8.
constexpr Long kSecondoSegnale = 750;
constexpr Long kMark = 900;  // cell 18 (an abbattimento mark has no + 1)
// A station of length 400 at offset 500: its area runs from 300 to 700, its
// end mark is cell 13 and its approach marks are cells 9 to 12. Its block
// keeps the first boards and the first signal, whose approach codes stay
// clear of those marks.
constexpr Long kStazione = 500;
constexpr Long kLunghezzaStazione = 400;
// A slowdown starts at offset 1500 of its group (cell 31), its warning point
// 1200 m earlier (cell 7) and the approach cells before that (cells 3 to 6).
constexpr Long kSlowdownStart = 1500;

enum class Blocco { kAvvio, kOrdinario, kStazione, kSign, kRallentamento };

// The text of a source, one row per line, CR LF after each.
class Testo {
 public:
  void riga(std::string_view testo) {
    s_ += testo;
    s_ += "\r\n";
  }
  // A keyword followed by its numbers, and a text field when there is one.
  void riga(std::string_view parola, std::initializer_list<std::int64_t> numeri,
            std::string_view testo = {}) {
    s_ += parola;
    for (const std::int64_t n : numeri) {
      s_ += ",  ";
      s_ += std::to_string(n);
    }
    if (!testo.empty()) {
      s_ += ",  ";
      s_ += testo;
    }
    s_ += "\r\n";
  }
  std::string prendi() { return std::move(s_); }

 private:
  std::string s_;
};

// The kind of every block, and the blocks of the stations and signs.
struct Pianta {
  std::vector<Blocco> blocchi;
  std::vector<Long> stazioni;
  std::vector<Long> cartelli;
  std::vector<Long> rallentamenti;  // the first block of each slowdown group
};

Pianta disponi(Long n_blocchi) {
  Pianta p;
  p.blocchi.assign(static_cast<std::size_t>(n_blocchi), Blocco::kOrdinario);
  for (Long b = 0; b < kBlocchiAvvio; ++b) p.blocchi[static_cast<std::size_t>(b)] = Blocco::kAvvio;
  for (Long b = kFaseRallentamenti; b + kBlocchiRallentamento < n_blocchi;
       b += kPeriodoRallentamenti) {
    p.slowdowns.push_back(b);
    for (Long i = 0; i < kBlocchiRallentamento; ++i)
      p.blocchi[static_cast<std::size_t>(b + i)] = Blocco::kRallentamento;
  }

  // Stations evenly over the ordinary blocks, about one in three, then signs
  // evenly over the ordinary blocks left.
  std::vector<Long> ordinari;
  for (Long b = 0; b < n_blocchi; ++b)
    if (p.blocchi[static_cast<std::size_t>(b)] == Blocco::kOrdinario) ordinari.push_back(b);
  const std::size_t n_stazioni = std::min(kMassimoStazioni, ordinari.size() / 3);
  for (std::size_t j = 0; j < n_stazioni; ++j) {
    const Long b = ordinari[j * ordinari.size() / n_stazioni];
    p.stazioni.push_back(b);
    p.blocchi[static_cast<std::size_t>(b)] = Blocco::kStazione;
  }
  std::vector<Long> restanti;
  for (const Long b : ordinari)
    if (p.blocchi[static_cast<std::size_t>(b)] == Blocco::kOrdinario) restanti.push_back(b);
  const std::size_t n_cartelli = std::min(kMassimoCartelli, restanti.size() / 2);
  for (std::size_t j = 0; j < n_cartelli; ++j) {
    const Long b = restanti[(2 * j + 1) * restanti.size() / (2 * n_cartelli)];
    p.cartelli.push_back(b);
    p.blocchi[static_cast<std::size_t>(b)] = Blocco::kCartello;
  }
  return p;
}

// Blocks that carry both pairs of boards, both signals and, now and then, an
// abbattimento mark.
bool ordinario(Blocco b) {
  return b == Blocco::kOrdinario || b == Blocco::kCartello;
}

// Blocks that carry the first pair of boards and the first signal.
bool con_segnali(Blocco b) {
  return ordinario(b) || b == Blocco::kStazione;
}

// The offsets of the boards of a block.
std::vector<Long> indicatori(Blocco b) {
  if (ordinario(b)) return {kPrimiIndicatori, kSecondiIndicatori};
  if (con_segnali(b)) return {kPrimiIndicatori};
  return {};
}

// The middle of the three speeds of the boards at position x, which is also
// the train's speed limit from the boards on: 80 to 160 km/h.
Long velocita_indicatori(Long x) {
  return 80 + 10 * ((x / 400) % 9);
}

std::string linea(Long lunghezza, const Pianta& p) {
  const Long n_blocchi = static_cast<Long>(p.blocchi.size());
  Testo t;
  t.riga("[generale]");
  t.riga("lunghezza percorso", {lunghezza});
  t.riga("progressiva chilometrica uno", {0, 0, 0});
  t.riga("progressiva chilometrica due", {0, 0, 0});
  t.riga("progressiva chilometrica tre", {0, 0, 0});
  t.riga("sfondo uno", {1});
  t.riga("sfondo due", {lunghezza / 3});
  t.riga("sfondo tre", {2 * (lunghezza / 3)});
  t.riga("ripetizione segnali 4 codici", {1000, 27000});

  // Two curves a block, right and left in turn, of every class.
  t.riga("[curve]");
  for (Long b = 0; b < n_blocchi; ++b) {
    const Long inizio = b * kBlocco;
    const std::string classe_a = std::to_string(1 + b % 6);
    const std::string classe_b = std::to_string(1 + (b + 3) % 6);
    t.riga("curvad" + classe_a, {inizio + 100, 150 + 50 * (b % 4)});
    t.riga("curvas" + classe_b, {inizio + 600, 200 + 50 * (b % 3)});
  }

  t.riga("[pendenze]");
  for (Long b = 0; b < n_blocchi; ++b) {
    t.riga("pendenza", {b * kBlocco, (b * 7) % 41 - 15});
    t.riga("pendenza", {b * kBlocco + 500, (b * 7 + 13) % 41 - 15});
  }

  // Spans of 1500 to 2700 m, at most one in eight blocks, marked and
  // unmarked.
  t.riga("[montagne]");
  const Long n_montagne = std::min<Long>(kMaxMountainSpans, n_blocchi / 8);
  constexpr Long kTipi[] = {11, 12, 1, 2};
  for (Long j = 0; j < n_montagne; ++j) {
    const Long b = (2 * j + 1) * n_blocchi / (2 * n_montagne);
    const Long inizio = b * kBlocco + 200;
    t.riga("montagna", {inizio, inizio + 1500 + 300 * (j % 5), kTipi[j % 4]});
  }

  t.riga("[cartelli]");
  for (Long b = 0; b < n_blocchi; ++b) {
    for (const Long d : indicatori(p.blocchi[static_cast<std::size_t>(b)])) {
      const Long x = b * kBlocco + d;
      const Long v = velocita_indicatori(x);
      t.riga("indicatori_vmax", {x, v - 10, v, v + 10, b % 3, 0, 0, 0, 0});
    }
  }

  t.riga("[indicazioni]");
  for (std::size_t j = 0; j < p.cartelli.size(); ++j) {
    t.riga("cartello_indicatore", {p.cartelli[j] * kBlocco + kSign},
           j % 2 == 0 ? "(CADUTA MASSI)" : "(P.L.      )(AUTOMATICO)");
  }
  t.riga("[fine]");
  return t.prendi();
}

std::string treno(const Pianta& p) {
  const Long n_blocchi = static_cast<Long>(p.blocchi.size());
  Testo t;
  t.riga("[generale]");
  t.riga("numero vetture", {8});
  t.riga("percentuale massa frenata", {110});
  t.riga("sabbia", {300});
  t.riga("orologio", {6, 0, 0});

  t.riga("[aderenze]");
  for (Long b = 0; b < n_blocchi; b += 50) t.riga("aderenza", {b * kBlocco, 80 + b % 10});

  // 30 km/h out of the first station, then the limit of each pair of boards.
  t.riga("[vel_limite]");
  t.riga("velocita", {0, 30});
  for (Long b = 0; b < n_blocchi; ++b) {
    for (const Long d : indicatori(p.blocchi[static_cast<std::size_t>(b)]))
      t.riga("velocita", {b * kBlocco + d, velocita_indicatori(b * kBlocco + d)});
  }

  // Kinds 12, 11 and 4 share one area rule; the times follow a run at 90 km/h
  // from six o'clock.
  t.riga("[stazioni]");
  constexpr Long kGeneri[] = {12, 12, 11, 4};
  for (std::size_t j = 0; j < p.stazioni.size(); ++j) {
    const Long posizione = p.stazioni[j] * kBlocco + kStazione;
    const Long minuti = 6 * 60 + posizione / 1500;
    t.riga("stazione",
           {posizione, kGeneri[j % 4], kLunghezzaStazione, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0,
            minuti / 60, minuti % 60, 0},
           "LOCALITA " + std::to_string(j + 1));
  }

  // Speeds below 110 km/h get marks inside the slowdown; the longer ones end
  // close enough to the next signal for the look past the end to find it.
  t.riga("[rallentamenti]");
  constexpr Long kVelocita[] = {30, 60, 80, 120};
  for (std::size_t j = 0; j < p.slowdowns.size(); ++j) {
    const Long x = p.slowdowns[j] * kBlocco + kSlowdownStart;
    t.riga("rallentamento", {x, kVelocita[j % 4], 500 + 100 * static_cast<Long>(j % 4),
                             1 + static_cast<Long>(j % 2), 1, j % 3 == 0 ? 5 : 0});
  }

  // The last block of a slowdown group keeps its second signal: the one that
  // the post-processing marks after the slowdown.
  t.riga("[segnali]");
  for (Long b = 0; b < n_blocchi; ++b) {
    const Blocco tipo = p.blocchi[static_cast<std::size_t>(b)];
    const bool fine_gruppo =
        tipo == Blocco::kRallentamento &&
        (b - kFaseRallentamenti) % kPeriodoRallentamenti == kBlocchiRallentamento - 1;
    const Long tempo = b % 7 == 0 ? 255 : 0;
    if (con_segnali(tipo))
      t.riga("segnale", {b * kBlocco + kPrimoSegnale, 2, 2, 3, 0, 0, 2, 3, 1, 0, tempo});
    if (ordinario(tipo) || fine_gruppo)
      t.riga("segnale", {b * kBlocco + kSecondoSegnale, 1, 3, 1, 0, 0, 0, 0, 0, 0, 0});
  }

  t.riga("[codici]");
  for (Long b = 0; b < n_blocchi; ++b) {
    if (ordinario(p.blocchi[static_cast<std::size_t>(b)]) && b % 4 == 1)
      t.riga("abbattimento", {b * kBlocco + kMark, b % 8 == 1 ? 100 : 0});
  }
  t.riga("[fine]");
  return t.prendi();
}

}  // namespace

SorgentiGenerate genera_sorgenti(Long lunghezza) {
  if (lunghezza < kLunghezzaMinimaGenerata || lunghezza > kMaxLineLength) {
    throw std::invalid_argument("a generated line is " + std::to_string(kLunghezzaMinimaGenerata) +
                                " to " + std::to_string(kMaxLineLength) + " m long, not " +
                                std::to_string(lunghezza));
  }
  const Pianta p = disponi(lunghezza / kBlocco);
  return {linea(lunghezza, p), treno(p)};
}

}  // namespace sb
