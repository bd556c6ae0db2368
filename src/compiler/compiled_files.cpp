#include "compiler/compiled_files.h"

#include <bit>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace sb {

namespace {

// ---- Writing ----

// The low n bytes of v, lowest first.
void metti_le(std::string& s, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>(static_cast<Byte>(v >> (8 * i))));
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
void metti_codice(std::string& s, TipoValore t) {
  metti_le(s, static_cast<std::uint16_t>(t), 2);
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

void metti_valore(std::string& s, const ValoreTracciato& v) {
  switch (v.tipo) {
    case TipoValore::kVuoto:
      metti_codice(s, v.tipo);
      return;
    case TipoValore::kIntero:
      metti_codice(s, v.tipo);
      metti_intero(s, intero_del_tracciato(v.valore));
      return;
    case TipoValore::kDoppio:
      metti_codice(s, v.tipo);
      metti_le(s, std::bit_cast<std::uint64_t>(v.valore), 8);
      return;
  }
  throw std::logic_error("track plan element of unknown type");
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

std::string serializza_tracciato(const Tracciato& tracciato) {
  std::string s;
  if (!tracciato.allocato()) return s;
  // The widest element takes 10 bytes: enough room for a plan of Doubles.
  s.reserve(2 * tracciato.coordinate(0).size() * 10);
  for (int asse = 0; asse < 2; ++asse) {
    for (const ValoreTracciato& v : tracciato.coordinate(asse)) metti_valore(s, v);
  }
  return s;
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

std::string serializza_percorso(const std::vector<cella>& percorso) {
  std::string s;
  s.reserve(percorso.size() * kByteCella);
  for (const cella& c : percorso) {
    metti_byte(s, c.genere);
    metti_intero(s, c.dato1);
    metti_intero(s, c.dato2);
    metti_intero(s, c.dato3);
    metti_intero(s, c.dato4);
    metti_byte(s, c.tempo_segnale);
    metti_byte(s, c.avviso);
    metti_byte(s, c.montagna);
    metti_byte(s, c.velocita);
    metti_byte(s, c.pendenza);
    metti_byte(s, c.aderenza);
  }
  return s;
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
