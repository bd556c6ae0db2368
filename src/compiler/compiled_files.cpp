#include "compiler/compiled_files.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

namespace sb {

namespace {

// ---- Writing ----

// The low n bytes of v, lowest first.
void metti_le(std::string& s, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>(static_cast<Byte>(v >> (8 * i))));
}

// The low n bytes of v, lowest first, at p; returns the position after them.
// On a little-endian host those are the first n bytes of v in memory, copied
// at once.
char* scrivi_le(char* p, std::uint64_t v, std::size_t n) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, n);
    return p + n;
  } else {
    for (std::size_t i = 0; i < n; ++i) *p++ = static_cast<char>(static_cast<Byte>(v >> (8 * i)));
    return p;
  }
}

void metti_byte(std::string& s, Byte v) {
  metti_le(s, v, 1);
}
void metti_intero(std::string& s, Integer v) {
  metti_le(s, static_cast<std::uint16_t>(v), 2);
}
void metti_lungo(std::string& s, Long v) {
  metti_le(s, static_cast<std::uint32_t>(v), 4);
}

// The model holds an integer element as a Double; it is always a 16-bit value
// because only Tracciato::imposta_intero makes one. Checked all the same,
// since converting an out-of-range Double to an integer is undefined.
Integer intero_del_tracciato(double v) {
  if (!(v >= -32768.0 && v <= 32767.0) || v != std::trunc(v)) {
    throw std::logic_error("track plan integer element that is not a 16-bit integer");
  }
  return static_cast<Integer>(v);
}

// The size of a track plan element of each type: the type code and the value.
constexpr std::size_t byte_valore(TipoValore t) {
  return t == TipoValore::kDoppio ? 10 : t == TipoValore::kIntero ? 4 : 2;
}
constexpr std::size_t kMassimoValore = byte_valore(TipoValore::kDoppio);

// The rare track plan elements: the empty ones and the integers.
char* scrivi_altro_valore(char* p, const ValoreTracciato& v) {
  switch (v.tipo) {
    case TipoValore::kVuoto:
      return p;
    case TipoValore::kIntero:
      return scrivi_le(p, static_cast<std::uint16_t>(intero_del_tracciato(v.valore)), 2);
    case TipoValore::kDoppio:
      break;
  }
  throw std::logic_error("track plan element of unknown type");
}

// Writes one track plan element at p, which has room for kMassimoValore
// bytes; returns the position after it. Nearly all are Doubles.
char* scrivi_valore(char* p, const ValoreTracciato& v) {
  p = scrivi_le(p, static_cast<std::uint16_t>(v.tipo), 2);
  if (v.tipo == TipoValore::kDoppio) return scrivi_le(p, std::bit_cast<std::uint64_t>(v.valore), 8);
  return scrivi_altro_valore(p, v);
}

// A block of a file written in pieces: filled from its start, then handed
// over with its position in the file, and filled again. Its room of
// `capienza` bytes is never cleared: only the bytes written are handed over.
struct Blocco {
  explicit Blocco(std::size_t capienza)
      : byte(std::make_unique_for_overwrite<char[]>(capienza)), p(byte.get()) {}

  void consegna(const std::function<void(std::uint64_t, std::string_view)>& pezzo) {
    const auto n = static_cast<std::size_t>(p - byte.get());
    pezzo(posizione, std::string_view(byte.get(), n));
    posizione += n;
    p = byte.get();
  }

  std::unique_ptr<char[]> byte;
  char* p;
  std::uint64_t posizione = 0;
};

// Writes one cell at p; returns the position after it.
char* scrivi_cella(char* p, const cella& c) {
  p = scrivi_le(p, c.genere, 1);
  p = scrivi_le(p, static_cast<std::uint16_t>(c.dato1), 2);
  p = scrivi_le(p, static_cast<std::uint16_t>(c.dato2), 2);
  p = scrivi_le(p, static_cast<std::uint16_t>(c.dato3), 2);
  p = scrivi_le(p, static_cast<std::uint16_t>(c.dato4), 2);
  p = scrivi_le(p, c.tempo_segnale, 1);
  p = scrivi_le(p, c.avviso, 1);
  p = scrivi_le(p, c.montagna, 1);
  p = scrivi_le(p, c.velocita, 1);
  p = scrivi_le(p, c.pendenza, 1);
  return scrivi_le(p, c.aderenza, 1);
}

// Joins the pieces of a file into one string.
std::string unisci(
    const std::function<void(const std::function<void(std::uint64_t, std::string_view)>&)>&
        produci) {
  std::string s;
  produci([&](std::uint64_t posizione, std::string_view pezzo) {
    const auto inizio = static_cast<std::size_t>(posizione);
    if (s.size() < inizio + pezzo.size()) s.resize(inizio + pezzo.size());
    s.replace(inizio, pezzo.size(), pezzo);
  });
  return s;
}

// ---- Reading ----

// "1 byte", "2 bytes": the counts in the refusal messages.
std::string byte_contati(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// A read position in a buffer, and the record being read. Every read first
// checks that the bytes are there; a read that fails reports the field, the
// record and the offset into *err and leaves the position where it was.
class Lettore {
 public:
  Lettore(std::string_view bytes, ErroreFormato* err) : bytes_(bytes), err_(err) {}

  void record(std::size_t i) { record_ = i; }
  std::size_t posizione() const { return pos_; }
  bool alla_fine() const { return pos_ == bytes_.size(); }

  bool byte(const char* campo, Byte* v) {
    std::uint64_t u = 0;
    if (!numero(campo, 1, &u)) return false;
    *v = static_cast<Byte>(u);
    return true;
  }
  bool parola(const char* campo, std::uint16_t* v) {
    std::uint64_t u = 0;
    if (!numero(campo, 2, &u)) return false;
    *v = static_cast<std::uint16_t>(u);
    return true;
  }
  bool intero(const char* campo, Integer* v) {
    std::uint16_t u = 0;
    if (!parola(campo, &u)) return false;
    *v = static_cast<Integer>(u);
    return true;
  }
  bool lungo(const char* campo, Long* v) {
    std::uint64_t u = 0;
    if (!numero(campo, 4, &u)) return false;
    *v = static_cast<Long>(static_cast<std::uint32_t>(u));
    return true;
  }
  bool doppio(const char* campo, double* v) {
    std::uint64_t u = 0;
    if (!numero(campo, 8, &u)) return false;
    *v = std::bit_cast<double>(u);
    return true;
  }
  // A text: its 16-bit byte count, then that many bytes.
  bool testo(const char* campo, std::string* v) {
    std::uint16_t t = 0;
    if (!parola("text length", &t) || !presenti(campo, t)) return false;
    v->assign(bytes_.substr(pos_, t));
    pos_ += t;
    return true;
  }

  // Records the fault at `offset` in the current record; always false.
  bool rifiuta(std::size_t offset, std::string motivo) {
    if (err_ != nullptr) *err_ = ErroreFormato{record_, offset, std::move(motivo)};
    return false;
  }

 private:
  bool presenti(const char* campo, std::size_t n) {
    const std::size_t restano = bytes_.size() - pos_;
    if (restano >= n) return true;
    return rifiuta(pos_, std::string("file cut short in ") + campo + ": " + byte_contati(n) +
                             " needed, " + std::to_string(restano) + " left");
  }
  // n little-endian bytes as an unsigned number.
  bool numero(const char* campo, std::size_t n, std::uint64_t* v) {
    if (!presenti(campo, n)) return false;
    std::uint64_t u = 0;
    for (std::size_t i = 0; i < n; ++i) {
      u |= std::uint64_t{static_cast<Byte>(bytes_[pos_ + i])} << (8 * i);
    }
    pos_ += n;
    *v = u;
    return true;
  }

  std::string_view bytes_;
  ErroreFormato* err_;
  std::size_t pos_ = 0;
  std::size_t record_ = 0;
};

bool leggi_cella(Lettore& l, cella* c) {
  return l.byte("genere", &c->genere) && l.intero("dato1", &c->dato1) &&
         l.intero("dato2", &c->dato2) && l.intero("dato3", &c->dato3) &&
         l.intero("dato4", &c->dato4) && l.byte("tempo_segnale", &c->tempo_segnale) &&
         l.byte("avviso", &c->avviso) && l.byte("montagna", &c->montagna) &&
         l.byte("velocita", &c->velocita) && l.byte("pendenza", &c->pendenza) &&
         l.byte("aderenza", &c->aderenza);
}

bool leggi_oggetto(Lettore& l, oggetto* o) {
  return l.byte("genere", &o->genere) && l.lungo("valore_a", &o->valore_a) &&
         l.lungo("valore_b", &o->valore_b) && l.lungo("valore_c", &o->valore_c) &&
         l.byte("opzione", &o->opzione) && l.testo("testo", &o->testo) &&
         l.intero("parametro1", &o->parametro1) && l.intero("parametro2", &o->parametro2) &&
         l.intero("parametro3", &o->parametro3) && l.intero("parametro4", &o->parametro4) &&
         l.intero("parametro5", &o->parametro5) && l.byte("marca1", &o->marca1) &&
         l.byte("marca2", &o->marca2) && l.byte("marca3", &o->marca3) &&
         l.byte("marca4", &o->marca4) && l.lungo("valore_d", &o->valore_d);
}

bool leggi_valore(Lettore& l, ValoreTracciato* v) {
  const std::size_t inizio = l.posizione();
  std::uint16_t codice = 0;
  if (!l.parola("type code", &codice)) return false;
  switch (codice) {
    case static_cast<std::uint16_t>(TipoValore::kVuoto):
      *v = ValoreTracciato{};
      return true;
    case static_cast<std::uint16_t>(TipoValore::kIntero): {
      Integer i = 0;
      if (!l.intero("integer value", &i)) return false;
      *v = ValoreTracciato{TipoValore::kIntero, static_cast<double>(i)};
      return true;
    }
    case static_cast<std::uint16_t>(TipoValore::kDoppio): {
      double d = 0;
      if (!l.doppio("Double value", &d)) return false;
      *v = ValoreTracciato{TipoValore::kDoppio, d};
      return true;
    }
  }
  return l.rifiuta(inizio, "unknown type code " + std::to_string(codice));
}

}  // namespace

std::uint64_t dimensione_tracciato(const Tracciato& tracciato) {
  if (!tracciato.allocato()) return 0;
  std::uint64_t asse = 0;  // the size of the values of one axis
  for (const TipoValore t : {TipoValore::kVuoto, TipoValore::kIntero, TipoValore::kDoppio})
    asse += static_cast<std::uint64_t>(tracciato.punti(t)) * byte_valore(t);
  return 2 * asse;
}

void serializza_tracciato(
    const Tracciato& tracciato,
    const std::function<void(std::uint64_t posizione, std::string_view pezzo)>& pezzo,
    std::size_t massimo) {
  if (!tracciato.allocato()) return;
  // One block for the x values, written from the start of the file, and one
  // for the y values, written from the middle; each is handed over whenever a
  // stretch of points has filled it. The two blocks are all the memory the
  // file takes.
  const std::uint64_t meta = dimensione_tracciato(tracciato) / 2;  // the size of the x values
  const std::size_t punti_blocco = std::max<std::size_t>(massimo / kMassimoValore, 1);
  const auto capienza =
      static_cast<std::size_t>(std::min<std::uint64_t>(punti_blocco * kMassimoValore, meta));
  Blocco x(capienza);
  Blocco y(capienza);
  y.posizione = meta;
  Tracciato::Lettura lettura(tracciato);
  while (lettura.metro() < tracciato.ultimo_metro()) {
    lettura.fino_a(lettura.metro() + static_cast<Long>(punti_blocco),
                   [&](const ValoreTracciato& vx, const ValoreTracciato& vy) {
                     x.p = scrivi_valore(x.p, vx);
                     y.p = scrivi_valore(y.p, vy);
                   });
    x.consegna(pezzo);
    y.consegna(pezzo);
  }
}

std::string serializza_tracciato(const Tracciato& tracciato) {
  return unisci([&](const auto& pezzo) { serializza_tracciato(tracciato, pezzo); });
}

std::string serializza_oggetti(const std::array<oggetto, kNumeroOggetti>& oggetti) {
  std::string s;
  std::size_t indice = 0;
  for (const oggetto& o : oggetti) {
    if (o.testo.size() > kMassimoTesto) {
      throw std::length_error("item " + std::to_string(indice) + ": a text of " +
                              std::to_string(o.testo.size()) + " bytes exceeds the " +
                              std::to_string(kMassimoTesto) + " bytes a record can hold");
    }
    metti_byte(s, o.genere);
    metti_lungo(s, o.valore_a);
    metti_lungo(s, o.valore_b);
    metti_lungo(s, o.valore_c);
    metti_byte(s, o.opzione);
    metti_le(s, o.testo.size(), 2);
    s += o.testo;
    metti_intero(s, o.parametro1);
    metti_intero(s, o.parametro2);
    metti_intero(s, o.parametro3);
    metti_intero(s, o.parametro4);
    metti_intero(s, o.parametro5);
    metti_byte(s, o.marca1);
    metti_byte(s, o.marca2);
    metti_byte(s, o.marca3);
    metti_byte(s, o.marca4);
    metti_lungo(s, o.valore_d);
    ++indice;
  }
  return s;
}

void serializza_percorso(
    const std::vector<cella>& percorso,
    const std::function<void(std::uint64_t posizione, std::string_view pezzo)>& pezzo,
    std::size_t massimo) {
  const std::size_t celle_blocco = std::max<std::size_t>(massimo / kByteCella, 1);
  Blocco b(std::min(percorso.size(), celle_blocco) * kByteCella);
  for (std::size_t i = 0; i < percorso.size(); i += celle_blocco) {
    const std::size_t fine = std::min(percorso.size(), i + celle_blocco);
    for (std::size_t c = i; c < fine; ++c) b.p = scrivi_cella(b.p, percorso[c]);
    b.consegna(pezzo);
  }
}

std::string serializza_percorso(const std::vector<cella>& percorso) {
  return unisci([&](const auto& pezzo) { serializza_percorso(percorso, pezzo); });
}

bool decodifica_percorso(std::string_view bytes, std::vector<cella>* out, ErroreFormato* err) {
  Lettore l(bytes, err);
  const std::size_t n = bytes.size() / kByteCella;
  if (bytes.size() % kByteCella != 0) {
    l.record(n);
    return l.rifiuta(n * kByteCella, "size " + std::to_string(bytes.size()) +
                                         " is not a multiple of " + std::to_string(kByteCella) +
                                         ": the last record has " +
                                         byte_contati(bytes.size() % kByteCella));
  }
  std::vector<cella> celle(n);
  for (std::size_t i = 0; i < n; ++i) {
    l.record(i);
    if (!leggi_cella(l, &celle[i])) return false;
  }
  *out = std::move(celle);
  return true;
}

bool decodifica_oggetti(std::string_view bytes, std::array<oggetto, kNumeroOggetti>* out,
                        ErroreFormato* err) {
  Lettore l(bytes, err);
  std::array<oggetto, kNumeroOggetti> letti{};
  std::size_t i = 0;
  for (oggetto& o : letti) {
    l.record(i++);
    if (!leggi_oggetto(l, &o)) return false;
  }
  if (!l.alla_fine()) {
    l.record(kNumeroOggetti);
    return l.rifiuta(l.posizione(), byte_contati(bytes.size() - l.posizione()) +
                                        " after the last of the " + std::to_string(kNumeroOggetti) +
                                        " records");
  }
  *out = std::move(letti);
  return true;
}

bool decodifica_tracciato(std::string_view bytes, std::vector<ValoreTracciato>* x,
                          std::vector<ValoreTracciato>* y, ErroreFormato* err) {
  Lettore l(bytes, err);
  std::vector<ValoreTracciato> valori;
  while (!l.alla_fine()) {
    l.record(valori.size());
    ValoreTracciato v;
    if (!leggi_valore(l, &v)) return false;
    valori.push_back(v);
  }
  if (valori.size() % 2 != 0) {
    l.record(valori.size());
    return l.rifiuta(bytes.size(), "an odd number of values (" + std::to_string(valori.size()) +
                                       ") cannot be split into x and y");
  }
  const auto meta = static_cast<std::ptrdiff_t>(valori.size() / 2);
  x->assign(valori.begin(), valori.begin() + meta);
  y->assign(valori.begin() + meta, valori.end());
  return true;
}

}  // namespace sb
