#include "tools/dump.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>

namespace sb {

namespace {

// ---- Names ----

char minuscola(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool finisce_con(std::string_view s, std::string_view fine) {
  if (s.size() < fine.size()) return false;
  const std::string_view coda = s.substr(s.size() - fine.size());
  return std::equal(coda.begin(), coda.end(), fine.begin(),
                    [](char a, char b) { return minuscola(a) == minuscola(b); });
}

std::string_view ultimo_componente(std::string_view path) {
  const std::size_t barra = path.find_last_of("/\\");
  return barra == std::string_view::npos ? path : path.substr(barra + 1);
}

// ---- Numbers and texts ----

template <typename T>
void metti_intero(std::string& s, T v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, r.ptr);
}

template <typename T>
std::string intero(T v) {
  std::string s;
  metti_intero(s, v);
  return s;
}

// C0 and C1 controls and DEL: shown as escapes, never as raw bytes.
bool di_controllo(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

const char kCifre[] = "0123456789ABCDEF";

// A text for the table: quoted, with \" \\ and \xNN for the controls, so that
// spaces, quotes and empty texts stay visible.
std::string testo_tabella(std::string_view testo) {
  std::string s = "\"";
  for (const char ch : testo) {
    const auto b = static_cast<unsigned char>(ch);
    const char32_t c = codice_1252(b);
    if (c == '"' || c == '\\') {
      s.push_back('\\');
      s.push_back(static_cast<char>(c));
    } else if (di_controllo(c)) {
      s += "\\x";
      s.push_back(kCifre[b >> 4]);
      s.push_back(kCifre[b & 15]);
    } else {
      metti_utf8(s, c);
    }
  }
  s.push_back('"');
  return s;
}

// A text as a JSON string, in UTF-8.
void metti_testo_json(std::string& s, std::string_view testo) {
  s.push_back('"');
  for (const char ch : testo) {
    const char32_t c = codice_1252(static_cast<unsigned char>(ch));
    if (c == '"' || c == '\\') {
      s.push_back('\\');
      s.push_back(static_cast<char>(c));
    } else if (di_controllo(c)) {
      s += "\\u00";
      s.push_back(kCifre[c >> 4]);
      s.push_back(kCifre[c & 15]);
    } else {
      metti_utf8(s, c);
    }
  }
  s.push_back('"');
}

void metti_doppio_json(std::string& s, double v) {
  if (std::isnan(v)) {
    s += "\"NaN\"";
  } else if (std::isinf(v)) {
    s += v > 0 ? "\"Infinity\"" : "\"-Infinity\"";
  } else {
    s += numero_esatto(v);
  }
}

// ---- The aligned table ----

// Columns of cells, each padded to the widest cell of its column (counted in
// characters, not bytes, since texts are UTF-8). Numbers align right, texts
// left; no line ends in spaces.
class Tabella {
 public:
  struct Colonna {
    std::string_view nome;
    bool a_destra;
  };

  explicit Tabella(std::vector<Colonna> colonne) : colonne_(std::move(colonne)) {
    for (const Colonna& c : colonne_) {
      celle_.emplace_back(c.nome);
      larghezze_.push_back(caratteri(c.nome));
    }
  }

  void riserva(std::size_t righe) { celle_.reserve((righe + 1) * colonne_.size()); }

  // Adds the next cell, row by row.
  void aggiungi(std::string cella) {
    const std::size_t col = celle_.size() % colonne_.size();
    larghezze_[col] = std::max(larghezze_[col], caratteri(cella));
    celle_.push_back(std::move(cella));
  }

  std::string testo() const {
    std::size_t riga_piena = 0;
    for (const std::size_t l : larghezze_) riga_piena += l + 2;
    std::string s;
    s.reserve(riga_piena * (celle_.size() / colonne_.size()));
    for (std::size_t i = 0; i < celle_.size(); ++i) {
      const std::size_t col = i % colonne_.size();
      if (col != 0) s += "  ";
      const std::size_t vuoto = larghezze_[col] - caratteri(celle_[i]);
      if (colonne_[col].a_destra) s.append(vuoto, ' ');
      s += celle_[i];
      if (!colonne_[col].a_destra) s.append(vuoto, ' ');
      if (col + 1 == colonne_.size()) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        s.push_back('\n');
      }
    }
    return s;
  }

 private:
  // UTF-8 characters: every byte that does not continue a sequence.
  static std::size_t caratteri(std::string_view s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  }

  std::vector<Colonna> colonne_;
  std::vector<std::string> celle_;
  std::vector<std::size_t> larghezze_;
};

// ---- The fields of each record, in model order ----

// Calls f(name, value) for every numeric field of a cell.
template <typename F>
void campi_cella(const cella& c, F&& f) {
  f("genere", c.genere);
  f("dato1", c.dato1);
  f("dato2", c.dato2);
  f("dato3", c.dato3);
  f("dato4", c.dato4);
  f("tempo_segnale", c.tempo_segnale);
  f("avviso", c.avviso);
  f("montagna", c.montagna);
  f("velocita", c.velocita);
  f("pendenza", c.pendenza);
  f("aderenza", c.aderenza);
}

// Calls numero(name, value) for the numeric fields of an item and testo(name,
// text) for its text, in the order of the record.
template <typename N, typename T>
void campi_oggetto(const oggetto& o, N&& numero, T&& testo) {
  numero("genere", o.genere);
  numero("valore_a", o.valore_a);
  numero("valore_b", o.valore_b);
  numero("valore_c", o.valore_c);
  numero("opzione", o.opzione);
  testo("testo", o.testo);
  numero("parametro1", o.parametro1);
  numero("parametro2", o.parametro2);
  numero("parametro3", o.parametro3);
  numero("parametro4", o.parametro4);
  numero("parametro5", o.parametro5);
  numero("marca1", o.marca1);
  numero("marca2", o.marca2);
  numero("marca3", o.marca3);
  numero("marca4", o.marca4);
  numero("valore_d", o.valore_d);
}

const char* nome_tipo(TipoValore t) {
  switch (t) {
    case TipoValore::kVuoto:
      return "vuoto";
    case TipoValore::kIntero:
      return "intero";
    case TipoValore::kDoppio:
      return "doppio";
  }
  return "?";
}

// A track plan value for the table: an integer as an integer, a Double so
// that it reads back exactly, an empty value as "-".
std::string valore_tabella(const ValoreTracciato& v) {
  switch (v.tipo) {
    case TipoValore::kIntero:
      return intero(static_cast<std::int32_t>(v.valore));
    case TipoValore::kDoppio:
      return numero_esatto(v.valore);
    case TipoValore::kVuoto:
      break;
  }
  return "-";
}

void metti_valore_json(std::string& s, const ValoreTracciato& v) {
  switch (v.tipo) {
    case TipoValore::kIntero:
      metti_intero(s, static_cast<std::int32_t>(v.valore));
      return;
    case TipoValore::kDoppio:
      metti_doppio_json(s, v.valore);
      return;
    case TipoValore::kVuoto:
      break;
  }
  s += "null";
}

// The frame around the records of a JSON dump.
void apri_json(std::string& s, const char* genere) {
  s += "{\"kind\": \"";
  s += genere;
  s += "\", \"records\": [";
}
void separa_record(std::string& s, std::size_t i) {
  s += i == 0 ? "\n" : ",\n";
}
void chiudi_json(std::string& s, bool vuoto) {
  s += vuoto ? "]}\n" : "\n]}\n";
}

void metti_chiave(std::string& s, std::string_view nome) {
  s += ", \"";
  s += nome;
  s += "\": ";
}

}  // namespace

std::optional<GenereFile> genere_da_nome(std::string_view path) {
  const std::string_view nome = ultimo_componente(path);
  if (finisce_con(nome, "_linea.dat")) return GenereFile::kTracciato;
  if (finisce_con(nome, ".sim")) return GenereFile::kOggetti;
  if (finisce_con(nome, ".dat")) return GenereFile::kPercorso;
  return std::nullopt;
}

const char* descrizione_genere(GenereFile g) {
  switch (g) {
    case GenereFile::kPercorso:
      return "route file";
    case GenereFile::kOggetti:
      return "item file";
    case GenereFile::kTracciato:
      return "track plan";
  }
  return "compiled file";
}

std::string messaggio_rifiuto(std::string_view file, GenereFile g, const ErroreFormato& e) {
  std::string s(file);
  s += ": not a valid ";
  s += descrizione_genere(g);
  s += ": record " + intero(e.record) + ", byte offset " + intero(e.offset) + ": " + e.motivo;
  return s;
}

std::string numero_esatto(double v) {
  char buf[64];
  // Without a format, to_chars gives the shortest text that reads back as v.
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (std::isfinite(v) && s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string tabella_percorso(const std::vector<cella>& percorso) {
  std::vector<Tabella::Colonna> colonne = {{"cella", true}};
  campi_cella(cella{}, [&](std::string_view nome, auto) { colonne.push_back({nome, true}); });
  Tabella t(std::move(colonne));
  t.riserva(percorso.size());
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    t.aggiungi(intero(i));
    campi_cella(percorso[i], [&](std::string_view, auto v) { t.aggiungi(intero(v)); });
  }
  return t.testo();
}

std::string tabella_oggetti(const std::array<oggetto, kNumeroOggetti>& oggetti) {
  std::vector<Tabella::Colonna> colonne = {{"oggetto", true}};
  campi_oggetto(
      oggetto{},
      [&](std::string_view nome, auto) {
        colonne.push_back({nome, true});
      },
      [&](std::string_view nome, const std::string&) {
        colonne.push_back({nome, false});
      });
  Tabella t(std::move(colonne));
  t.riserva(oggetti.size());
  for (std::size_t i = 0; i < oggetti.size(); ++i) {
    t.aggiungi(intero(i));
    campi_oggetto(
        oggetti[i], [&](std::string_view, auto v) { t.aggiungi(intero(v)); },
        [&](std::string_view, const std::string& testo) { t.aggiungi(testo_tabella(testo)); });
  }
  return t.testo();
}

std::string tabella_tracciato(const std::vector<ValoreTracciato>& x,
                              const std::vector<ValoreTracciato>& y) {
  Tabella t({{"metro", true}, {"tipo_x", false}, {"x", true}, {"tipo_y", false}, {"y", true}});
  const std::size_t n = std::min(x.size(), y.size());
  t.riserva(n);
  for (std::size_t m = 0; m < n; ++m) {
    t.aggiungi(intero(m));
    t.aggiungi(nome_tipo(x[m].tipo));
    t.aggiungi(valore_tabella(x[m]));
    t.aggiungi(nome_tipo(y[m].tipo));
    t.aggiungi(valore_tabella(y[m]));
  }
  return t.testo();
}

std::string json_percorso(const std::vector<cella>& percorso) {
  std::string s;
  s.reserve(percorso.size() * 220);
  apri_json(s, "route");
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    separa_record(s, i);
    s += "{\"cella\": ";
    metti_intero(s, i);
    campi_cella(percorso[i], [&](std::string_view nome, auto v) {
      metti_chiave(s, nome);
      metti_intero(s, v);
    });
    s += "}";
  }
  chiudi_json(s, percorso.empty());
  return s;
}

std::string json_oggetti(const std::array<oggetto, kNumeroOggetti>& oggetti) {
  std::string s;
  apri_json(s, "items");
  for (std::size_t i = 0; i < oggetti.size(); ++i) {
    separa_record(s, i);
    s += "{\"oggetto\": ";
    metti_intero(s, i);
    campi_oggetto(
        oggetti[i],
        [&](std::string_view nome, auto v) {
          metti_chiave(s, nome);
          metti_intero(s, v);
        },
        [&](std::string_view nome, const std::string& testo) {
          metti_chiave(s, nome);
          metti_testo_json(s, testo);
        });
    s += "}";
  }
  chiudi_json(s, false);
  return s;
}

std::string json_tracciato(const std::vector<ValoreTracciato>& x,
                           const std::vector<ValoreTracciato>& y) {
  const std::size_t n = std::min(x.size(), y.size());
  std::string s;
  s.reserve(n * 100);
  apri_json(s, "track_plan");
  for (std::size_t m = 0; m < n; ++m) {
    separa_record(s, m);
    s += "{\"metro\": ";
    metti_intero(s, m);
    metti_chiave(s, "tipo_x");
    s += '"';
    s += nome_tipo(x[m].tipo);
    s += '"';
    metti_chiave(s, "x");
    metti_valore_json(s, x[m]);
    metti_chiave(s, "tipo_y");
    s += '"';
    s += nome_tipo(y[m].tipo);
    s += '"';
    metti_chiave(s, "y");
    metti_valore_json(s, y[m]);
    s += "}";
  }
  chiudi_json(s, n == 0);
  return s;
}

bool descrivi_file(GenereFile g, std::string_view bytes, bool json, std::string* out,
                   ErroreFormato* err) {
  switch (g) {
    case GenereFile::kPercorso: {
      std::vector<cella> percorso;
      if (!decodifica_percorso(bytes, &percorso, err)) return false;
      *out = json ? json_percorso(percorso) : tabella_percorso(percorso);
      return true;
    }
    case GenereFile::kOggetti: {
      std::array<oggetto, kNumeroOggetti> oggetti{};
      if (!decodifica_oggetti(bytes, &oggetti, err)) return false;
      *out = json ? json_oggetti(oggetti) : tabella_oggetti(oggetti);
      return true;
    }
    case GenereFile::kTracciato: {
      std::vector<ValoreTracciato> x;
      std::vector<ValoreTracciato> y;
      if (!decodifica_tracciato(bytes, &x, &y, err)) return false;
      *out = json ? json_tracciato(x, y) : tabella_tracciato(x, y);
      return true;
    }
  }
  return false;
}

}  // namespace sb
