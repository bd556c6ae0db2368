// The route model: the in-memory picture of one scenario (one line, one
// train) that the compiler fills from the two sources and writes, unchanged in
// layout, into the three compiled files.
//
// The widths of the fields are part of the behaviour: a value stored into an
// Integer or Byte field keeps only its low 16 or 8 bits. The types below make
// those widths visible, and the helpers low8/low16/low32 are the one place
// where a wider value is narrowed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sb {

using Byte = std::uint8_t;     // unsigned 8-bit
using Integer = std::int16_t;  // signed 16-bit
using Long = std::int32_t;     // signed 32-bit

// Narrowing that keeps the low bits (two's complement), never reports.
constexpr Byte low8(std::int64_t v) {
  return static_cast<Byte>(static_cast<std::uint64_t>(v));
}
constexpr Integer low16(std::int64_t v) {
  return static_cast<Integer>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(v)));
}
constexpr Long low32(std::int64_t v) {
  return static_cast<Long>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

// The nearest integer to v, halves going to the even neighbour (2.5 -> 2,
// 3.5 -> 4). Every conversion from a Double to a cell index or a stored
// integer uses it. Computed without the floating-point environment so that it
// gives the same result whatever rounding mode a host has set.
std::int64_t arrotonda(double v);

// The cell of a point element at position p: arrotonda(p / 50 + 1).
std::int64_t indice_cella(std::int64_t p);

// Cell kinds (`genere`) that the compiler writes.
enum GenereCella : Byte {
  kLibera = 0,
  kSegnale = 1,
  kFineRallentamento = 2,
  kInizioRallentamento = 3,
  kAvvisoRallentamento = 4,
  kPrimaAvviso = 5,
  kIndicatoriVmax = 6,
  kFineStazione = 10,
  kMarcaMontagna = 11,
  kAbbattimento = 12,
  kAbbattimentoSenzaValore = 13,
  kCartello = 14,
};

// One route cell: 50 m of line.
struct cella {
  Byte genere = 0;
  Integer dato1 = 0;
  Integer dato2 = 0;
  Integer dato3 = 0;
  Integer dato4 = 0;
  Byte tempo_segnale = 0;
  Byte avviso = 0;
  Byte montagna = 0;
  Byte velocita = 0;  // speed limit / 5
  Byte pendenza = 0;  // gradient + 100
  Byte aderenza = 0;

  bool operator==(const cella&) const = default;
};

// A cell counts as free when it holds nothing or only a mountain mark.
inline bool cella_libera(const cella& c) {
  return c.genere == kLibera || c.genere == kMarcaMontagna;
}

// One item of the item table.
struct oggetto {
  Byte genere = 0;
  Long valore_a = 0;
  Long valore_b = 0;
  Long valore_c = 0;
  Byte opzione = 0;
  std::string testo;
  Integer parametro1 = 0;
  Integer parametro2 = 0;
  Integer parametro3 = 0;
  Integer parametro4 = 0;
  Integer parametro5 = 0;
  Byte marca1 = 0;
  Byte marca2 = 0;
  Byte marca3 = 0;
  Byte marca4 = 0;
  Long valore_d = 0;

  bool operator==(const oggetto&) const = default;
};

inline constexpr int kNumeroOggetti = 87;    // items 0 to 86
inline constexpr int kMassimoMontagne = 80;  // mountain lists use indices 1 to 80
inline constexpr Long kLunghezzaMassima = 1000000;
inline constexpr Long kCoda = 7000;  // run-out beyond the end of the line, metres
inline constexpr Long kMetriCella = 50;

// The type tag of a track plan element; the values are the tags of the
// compiled track plan file.
enum class TipoValore : std::uint16_t { kVuoto = 0, kIntero = 2, kDoppio = 5 };

struct ValoreTracciato {
  TipoValore tipo = TipoValore::kVuoto;
  double valore = 0;  // a 16-bit integer is held exactly

  bool operator==(const ValoreTracciato&) const = default;
};

// The track plan: one (x, y) point per metre, 0 to lunghezza_estesa. Each
// coordinate is a tagged value: empty, a 16-bit integer or a Double. The two
// coordinates are kept apart because the file stores all x, then all y.
class Tracciato {
 public:
  bool allocato() const { return !x_.empty(); }
  void alloca(Long ultimo_metro);  // points 0 to ultimo_metro, all empty
  Long ultimo_metro() const { return static_cast<Long>(x_.size()) - 1; }

  const std::vector<ValoreTracciato>& coordinate(int asse) const { return asse == 0 ? x_ : y_; }
  const ValoreTracciato& x(Long m) const { return x_[static_cast<std::size_t>(m)]; }
  const ValoreTracciato& y(Long m) const { return y_[static_cast<std::size_t>(m)]; }
  void imposta_intero(Long m, Integer x, Integer y);
  void imposta_doppio(Long m, double x, double y);

 private:
  std::vector<ValoreTracciato> x_;
  std::vector<ValoreTracciato> y_;
};

// The whole compiler state for one compilation.
struct RouteModel {
  Tracciato tracciato;
  std::vector<cella> percorso;  // cells 0 to n; empty until the line length is read
  std::array<oggetto, kNumeroOggetti> oggetti{};
  std::array<Long, kMassimoMontagne + 1> montagne_inizio{};
  std::array<Long, kMassimoMontagne + 1> montagne_fine{};
  Long n_montagne = 0;
  Long scrivi_linea = 0;
  std::string treno;
  std::string scenario;
  Long lunghezza_estesa = 0;
  Long codice_errore = 0;
  Long progressiva_errore = 0;

  bool ha_percorso() const { return !percorso.empty(); }
  // The upper index n of `percorso` (only meaningful when ha_percorso()).
  Long ultima_cella() const { return static_cast<Long>(percorso.size()) - 1; }
  bool cella_esiste(std::int64_t c) const {
    return c >= 0 && c < static_cast<std::int64_t>(percorso.size());
  }

  // The cell count rule for a line of `lunghezza` metres (0 to 1000000):
  // lunghezza_estesa = lunghezza + 7000, cells 0 to arrotonda(lunghezza_estesa / 50),
  // all zero; the track plan too when scrivi_linea is non-zero.
  void crea_percorso(Long lunghezza);
};

// The number of the last cell for a line of `lunghezza` metres.
Long numero_ultima_cella(Long lunghezza);

}  // namespace sb
