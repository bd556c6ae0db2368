#include "tools/dump.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace sb {

namespace {

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
    const char32_t c = cp1252_code_point(b);
    if (c == '"' || c == '\\') {
      s.push_back('\\');
      s.push_back(static_cast<char>(c));
    } else if (di_controllo(c)) {
      s += "\\x";
      s.push_back(kCifre[b >> 4]);
      s.push_back(kCifre[b & 15]);
    } else {
      append_utf8(s, c);
    }
  }
  s.push_back('"');
  return s;
}

// A text as a JSON string, in UTF-8.
void metti_testo_json(std::string& s, std::string_view testo) {
  s.push_back('"');
  for (const char ch : testo) {
    const char32_t c = cp1252_code_point(static_cast<unsigned char>(ch));
    if (c == '"' || c == '\\') {
      s.push_back('\\');
      s.push_back(static_cast<char>(c));
    } else if (di_controllo(c)) {
      s += "\\u00";
      s.push_back(kCifre[c >> 4]);
      s.push_back(kCifre[c & 15]);
    } else {
      append_utf8(s, c);
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
    s += exact_number(v);
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

// ---- The fields of each record, in the order of the record schema ----

// Calls number(name, value) for the numeric fields of a record and
// text(name, text) for its text.
template <typename Record, typename N, typename T>
void record_fields(const Record& r, N&& number, T&& text) {
  visit_fields(r, [&](std::string_view name, const auto& v) {
    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, Text>) {
      text(name, v);
    } else {
      number(name, v);
    }
  });
}

const char* nome_tipo(TrackValueType t) {
  switch (t) {
    case TrackValueType::kEmpty:
      return "vuoto";
    case TrackValueType::kInteger:
      return "intero";
    case TrackValueType::kDouble:
      return "doppio";
  }
  return "?";
}

// A track plan value for the table: an integer as an integer, a Double so
// that it reads back exactly, an empty value as "-".
std::string valore_tabella(const TrackValue& v) {
  switch (v.type) {
    case TrackValueType::kInteger:
      return intero(static_cast<std::int32_t>(v.value));
    case TrackValueType::kDouble:
      return exact_number(v.value);
    case TrackValueType::kEmpty:
      break;
  }
  return "-";
}

void metti_valore_json(std::string& s, const TrackValue& v) {
  switch (v.type) {
    case TrackValueType::kInteger:
      metti_intero(s, static_cast<std::int32_t>(v.value));
      return;
    case TrackValueType::kDouble:
      metti_doppio_json(s, v.value);
      return;
    case TrackValueType::kEmpty:
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

const char* describe_kind(CompiledFileKind g) {
  switch (g) {
    case CompiledFileKind::kRoute:
      return "route file";
    case CompiledFileKind::kItems:
      return "item file";
    case CompiledFileKind::kTrackPlan:
      return "track plan";
  }
  return "compiled file";
}

std::string refusal_message(std::string_view file, CompiledFileKind g, const FormatError& e) {
  std::string s(file);
  s += ": not a valid ";
  s += describe_kind(g);
  s += ": record " + intero(e.record) + ", byte offset " + intero(e.offset) + ": " + e.reason;
  return s;
}

std::string exact_number(double v) {
  char buf[64];
  // Without a format, to_chars gives the shortest text that reads back as v.
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (std::isfinite(v) && s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string route_table(const std::vector<cella>& percorso) {
  std::vector<Tabella::Colonna> colonne = {{"cella", true}};
  const cella empty{};
  visit_fields(empty, [&](std::string_view nome, auto) { colonne.push_back({nome, true}); });
  Tabella t(std::move(colonne));
  t.riserva(percorso.size());
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    t.aggiungi(intero(i));
    visit_fields(percorso[i], [&](std::string_view, auto v) { t.aggiungi(intero(v)); });
  }
  return t.testo();
}

std::string item_table(const std::array<oggetto, kItemCount>& oggetti) {
  std::vector<Tabella::Colonna> colonne = {{"oggetto", true}};
  record_fields(
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
    record_fields(
        oggetti[i], [&](std::string_view, auto v) { t.aggiungi(intero(v)); },
        [&](std::string_view, const std::string& testo) { t.aggiungi(testo_tabella(testo)); });
  }
  return t.testo();
}

std::string track_plan_table(const std::vector<TrackValue>& x,
                              const std::vector<TrackValue>& y) {
  Tabella t({{"metro", true}, {"tipo_x", false}, {"x", true}, {"tipo_y", false}, {"y", true}});
  const std::size_t n = std::min(x.size(), y.size());
  t.riserva(n);
  for (std::size_t m = 0; m < n; ++m) {
    t.aggiungi(intero(m));
    t.aggiungi(nome_tipo(x[m].type));
    t.aggiungi(valore_tabella(x[m]));
    t.aggiungi(nome_tipo(y[m].type));
    t.aggiungi(valore_tabella(y[m]));
  }
  return t.testo();
}

std::string route_json(const std::vector<cella>& percorso) {
  std::string s;
  s.reserve(percorso.size() * 220);
  apri_json(s, "route");
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    separa_record(s, i);
    s += "{\"cella\": ";
    metti_intero(s, i);
    visit_fields(percorso[i], [&](std::string_view nome, auto v) {
      metti_chiave(s, nome);
      metti_intero(s, v);
    });
    s += "}";
  }
  chiudi_json(s, percorso.empty());
  return s;
}

std::string items_json(const std::array<oggetto, kItemCount>& oggetti) {
  std::string s;
  apri_json(s, "items");
  for (std::size_t i = 0; i < oggetti.size(); ++i) {
    separa_record(s, i);
    s += "{\"oggetto\": ";
    metti_intero(s, i);
    record_fields(
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

std::string track_plan_json(const std::vector<TrackValue>& x,
                           const std::vector<TrackValue>& y) {
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
    s += nome_tipo(x[m].type);
    s += '"';
    metti_chiave(s, "x");
    metti_valore_json(s, x[m]);
    metti_chiave(s, "tipo_y");
    s += '"';
    s += nome_tipo(y[m].type);
    s += '"';
    metti_chiave(s, "y");
    metti_valore_json(s, y[m]);
    s += "}";
  }
  chiudi_json(s, n == 0);
  return s;
}

bool describe_file(CompiledFileKind g, std::string_view bytes, bool json, std::string* out,
                   FormatError* err) {
  switch (g) {
    case CompiledFileKind::kRoute: {
      std::vector<cella> percorso;
      if (!decode_route(bytes, &percorso, err)) return false;
      *out = json ? route_json(percorso) : route_table(percorso);
      return true;
    }
    case CompiledFileKind::kItems: {
      std::array<oggetto, kItemCount> oggetti{};
      if (!decode_items(bytes, &oggetti, err)) return false;
      *out = json ? items_json(oggetti) : item_table(oggetti);
      return true;
    }
    case CompiledFileKind::kTrackPlan: {
      std::vector<TrackValue> x;
      std::vector<TrackValue> y;
      if (!decode_track_plan(bytes, &x, &y, err)) return false;
      *out = json ? track_plan_json(x, y) : track_plan_table(x, y);
      return true;
    }
  }
  return false;
}

}  // namespace sb
