// The route model: the in-memory picture of one scenario (one line, one
// train) that the compiler fills from the two sources and writes, unchanged in
// layout, into the three compiled files.
//
// The widths of the fields are part of the behaviour: a value stored into an
// Integer or Byte field keeps only its low 16 or 8 bits. The types below make
// those widths visible, and the helpers low8/low16/low32 are the one place
// where a wider value is narrowed.
#pragma once

#include <algorithm>
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
// coordinate is a tagged value: empty, a 16-bit integer or a Double; the two
// coordinates of a point have the same type.
//
// A line of 1000 km has a million points but few facts: the first two points
// are set and every later one is a step from the two before it, on straight
// track or in a curve. The plan keeps those facts, as runs of points in
// ascending order of metre, and computes the coordinates again whenever they
// are read, with the same operations in the same order, so that they come out
// bit-identical. Its memory grows with the number of curves, not with the
// length of the line, and its file can be written without ever holding the
// points.
//
// Points are given in ascending order of metre, each at most once, within 0
// to the last metre; anything else throws std::logic_error. A point never
// given is empty.
class Tracciato {
 public:
  bool allocato() const { return ultimo_ >= 0; }
  void alloca(Long ultimo_metro);  // points 0 to ultimo_metro, all empty
  Long ultimo_metro() const { return ultimo_; }

  void imposta_intero(Long m, Integer x, Integer y);
  void imposta_doppio(Long m, double x, double y);
  // Points m to `fino_a` (from 2 on), each a step from the two points before
  // it: on straight track, or in a curve of curvature k (see track_plan.h).
  void aggiungi_rettilineo(Long m, Long fino_a);
  void aggiungi_curva(Long m, Long fino_a, double k);

  // One coordinate of point m, 0 to the last metre (std::out_of_range
  // otherwise). Reading the points in ascending order costs one step each;
  // going back starts again from point 0.
  ValoreTracciato x(Long m) const;
  ValoreTracciato y(Long m) const;
  // Every value of one axis (0 = x, 1 = y), points 0 to the last.
  std::vector<ValoreTracciato> coordinate(int asse) const;

  // The number of points of one type, without computing them.
  Long punti(TipoValore tipo) const;

  // Calls f(x, y) for every point, 0 to the last, in order.
  template <typename F>
  void per_ogni_punto(F&& f) const;

  class Lettura;

 private:
  // A run of points: one point given with its values, or steps.
  struct Tratto {
    enum class Genere : std::uint8_t { kIntero, kDoppio, kRettilineo, kCurva };
    Long primo;
    Long ultimo;
    Genere genere;
    double a;  // x of a given point; the curvature of a curve
    double b;  // y of a given point
  };

  // Where a reading stands: point `metro` and the point before it.
  struct Stato {
    Long metro = -1;
    std::size_t tratto = 0;  // the first run that does not end before `metro`
    TipoValore tipo = TipoValore::kVuoto;
    double x = 0, y = 0;              // point metro
    double x_prima = 0, y_prima = 0;  // point metro - 1

    void avanti(TipoValore t, double nx, double ny) {
      ++metro;
      x_prima = x;
      y_prima = y;
      tipo = t;
      x = nx;
      y = ny;
    }
  };

  // The steps of a run up to point `fine`, on straight track or in a curve of
  // curvature k, calling f(x, y) for each point.
  template <bool kInCurva, typename F>
  static void passi(Stato& s, Long fine, double k, F& f);

  // Points m to fino_a, a run of its own or the continuation of the last one.
  void aggiungi(Long m, Long fino_a, Tratto::Genere genere, double a, double b);
  // Computes the points after s.metro up to `fino_a`, calling f(x, y) for each.
  template <typename F>
  void avanza(Stato& s, Long fino_a, F&& f) const;
  const Stato& leggi(Long m) const;

  Long ultimo_ = -1;
  std::vector<Tratto> tratti_;
  // The reading of x() and y(), kept so that reading in order goes on from
  // the last point read.
  mutable Stato letto_;
};

// Reads the points in order, a stretch at a time.
class Tracciato::Lettura {
 public:
  explicit Lettura(const Tracciato& t) : t_(t) {}
  // The point read last; -1 before point 0.
  Long metro() const { return s_.metro; }
  // Reads the points after metro() up to `m` (at most the last metre),
  // calling f(x, y) for each.
  template <typename F>
  void fino_a(Long m, F&& f) {
    t_.avanza(s_, std::min(m, t_.ultimo_), f);
  }

 private:
  const Tracciato& t_;
  Stato s_;
};

template <typename F>
void Tracciato::per_ogni_punto(F&& f) const {
  Lettura(*this).fino_a(ultimo_, f);
}

template <typename F>
void Tracciato::avanza(Stato& stato, Long fino_a, F&& f) const {
  // Works on a copy, which nothing that f writes can alias.
  Stato s = stato;
  const auto punto = [&] { f(ValoreTracciato{s.tipo, s.x}, ValoreTracciato{s.tipo, s.y}); };
  while (s.metro < fino_a) {
    const Long m = s.metro + 1;
    while (s.tratto < tratti_.size() && tratti_[s.tratto].ultimo < m) ++s.tratto;
    if (s.tratto == tratti_.size() || tratti_[s.tratto].primo > m) {
      // Empty points up to the next run.
      const Long fine =
          s.tratto == tratti_.size() ? fino_a : std::min(fino_a, tratti_[s.tratto].primo - 1);
      while (s.metro < fine) {
        s.avanti(TipoValore::kVuoto, 0, 0);
        punto();
      }
      continue;
    }
    const Tratto t = tratti_[s.tratto];
    const Long fine = std::min(fino_a, t.ultimo);
    switch (t.genere) {
      case Tratto::Genere::kIntero:
        s.avanti(TipoValore::kIntero, t.a, t.b);
        punto();
        break;
      case Tratto::Genere::kDoppio:
        s.avanti(TipoValore::kDoppio, t.a, t.b);
        punto();
        break;
      case Tratto::Genere::kRettilineo:
        passi<false>(s, fine, 0, f);
        break;
      case Tratto::Genere::kCurva:
        passi<true>(s, fine, t.a, f);
        break;
    }
  }
  stato = s;
}

template <bool kInCurva, typename F>
void Tracciato::passi(Stato& s, Long fine, double k, F& f) {
  if (s.metro >= fine) return;
  // The two last points are kept in locals, which stay in registers: the
  // points are a chain of dependent operations, which a trip through memory
  // at every step would lengthen.
  double x = s.x, y = s.y, x_prima = s.x_prima, y_prima = s.y_prima;
  for (Long m = s.metro; m < fine; ++m) {
    // The track plan rule, with dx and dy taken from the two points before,
    // in exactly this order of operations.
    const double dx = x - x_prima;
    const double dy = y - y_prima;
    x_prima = x;
    y_prima = y;
    if constexpr (kInCurva) {
      const double kdy = k * dy;
      const double kdx = k * dx;
      x = x + (dx + kdy);
      y = y + (dy - kdx);
    } else {
      x = x + dx;
      y = y + dy;
    }
    f(ValoreTracciato{TipoValore::kDoppio, x}, ValoreTracciato{TipoValore::kDoppio, y});
  }
  s.metro = fine;
  s.tipo = TipoValore::kDoppio;
  s.x = x;
  s.y = y;
  s.x_prima = x_prima;
  s.y_prima = y_prima;
}

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
