#include "tools/dump.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "compiler/cell_kinds.h"
#include "compiler/route_values.h"

namespace sb {

namespace {

// ---- Numbers and texts ----

template <typename T>
void put_integer(std::string& s, T v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, r.ptr);
}

template <typename T>
std::string integer(T v) {
  std::string s;
  put_integer(s, v);
  return s;
}

// C0 and C1 controls and DEL: shown as escapes, never as raw bytes.
bool is_control(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

const char kHexDigits[] = "0123456789ABCDEF";

// A text for the table: quoted, with \" \\ and \xNN for the controls, so that
// spaces, quotes and empty texts stay visible.
std::string table_text(std::string_view text) {
  std::string s = "\"";
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    const char32_t c = cp1252_code_point(b);
    if (c == '"' || c == '\\') {
      s.push_back('\\');
      s.push_back(static_cast<char>(c));
    } else if (is_control(c)) {
      s += "\\x";
      s.push_back(kHexDigits[b >> 4]);
      s.push_back(kHexDigits[b & 15]);
    } else {
      append_utf8(s, c);
    }
  }
  s.push_back('"');
  return s;
}

// A text as a JSON string, in UTF-8.
void put_json_text(std::string& s, std::string_view text) {
  s.push_back('"');
  for (const char ch : text) {
    const char32_t c = cp1252_code_point(static_cast<unsigned char>(ch));
    if (c == '"' || c == '\\') {
      s.push_back('\\');
      s.push_back(static_cast<char>(c));
    } else if (is_control(c)) {
      s += "\\u00";
      s.push_back(kHexDigits[c >> 4]);
      s.push_back(kHexDigits[c & 15]);
    } else {
      append_utf8(s, c);
    }
  }
  s.push_back('"');
}

// A UTF-8 text as a JSON string.
void put_json_utf8(std::string& s, std::string_view text) {
  s.push_back('"');
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      s.push_back('\\');
      s.push_back(ch);
    } else if (b < 0x20 || b == 0x7F) {
      s += "\\u00";
      s.push_back(kHexDigits[b >> 4]);
      s.push_back(kHexDigits[b & 15]);
    } else {
      s.push_back(ch);
    }
  }
  s.push_back('"');
}

void put_json_double(std::string& s, double v) {
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
class Table {
 public:
  struct Column {
    std::string_view name;
    bool right_aligned;
  };

  explicit Table(std::vector<Column> columns) : columns_(std::move(columns)) {
    for (const Column& c : columns_) {
      cells_.emplace_back(c.name);
      widths_.push_back(characters(c.name));
    }
  }

  void reserve(std::size_t rows) { cells_.reserve((rows + 1) * columns_.size()); }

  // Adds the next cell, row by row.
  void add(std::string cell) {
    const std::size_t column = cells_.size() % columns_.size();
    widths_[column] = std::max(widths_[column], characters(cell));
    cells_.push_back(std::move(cell));
  }

  std::string text() const {
    std::size_t full_row = 0;
    for (const std::size_t l : widths_) full_row += l + 2;
    std::string s;
    s.reserve(full_row * (cells_.size() / columns_.size()));
    for (std::size_t i = 0; i < cells_.size(); ++i) {
      const std::size_t column = i % columns_.size();
      if (column != 0) s += "  ";
      const std::size_t padding = widths_[column] - characters(cells_[i]);
      if (columns_[column].right_aligned) s.append(padding, ' ');
      s += cells_[i];
      if (!columns_[column].right_aligned) s.append(padding, ' ');
      if (column + 1 == columns_.size()) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        s.push_back('\n');
      }
    }
    return s;
  }

 private:
  // UTF-8 characters: every byte that does not continue a sequence.
  static std::size_t characters(std::string_view s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  }

  std::vector<Column> columns_;
  std::vector<std::string> cells_;
  std::vector<std::size_t> widths_;
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

const char* type_name(TrackValueType t) {
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
std::string table_value(const TrackValue& v) {
  switch (v.type) {
    case TrackValueType::kInteger:
      return integer(static_cast<std::int32_t>(v.value));
    case TrackValueType::kDouble:
      return exact_number(v.value);
    case TrackValueType::kEmpty:
      break;
  }
  return "-";
}

void put_json_value(std::string& s, const TrackValue& v) {
  switch (v.type) {
    case TrackValueType::kInteger:
      put_integer(s, static_cast<std::int32_t>(v.value));
      return;
    case TrackValueType::kDouble:
      put_json_double(s, v.value);
      return;
    case TrackValueType::kEmpty:
      break;
  }
  s += "null";
}

// The frame around the records of a JSON dump.
void open_json(std::string& s, const char* kind) {
  s += "{\"kind\": \"";
  s += kind;
  s += "\", \"records\": [";
}
void separate_record(std::string& s, std::size_t i) {
  s += i == 0 ? "\n" : ",\n";
}
void close_json(std::string& s, bool padding) {
  s += padding ? "]}\n" : "\n]}\n";
}

void put_key(std::string& s, std::string_view name) {
  s += ", \"";
  s += name;
  s += "\": ";
}

// The table of the cells for which `keep(i)` holds.
template <typename Keep>
std::string cell_table(const std::vector<cella>& percorso, std::size_t rows, Keep keep) {
  std::vector<Table::Column> columns = {{"cella", true}};
  const cella empty{};
  visit_fields(empty, [&](std::string_view name, auto) { columns.push_back({name, true}); });
  Table t(std::move(columns));
  t.reserve(rows);
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    if (!keep(i)) continue;
    t.add(integer(i));
    visit_fields(percorso[i], [&](std::string_view, auto v) { t.add(integer(v)); });
  }
  return t.text();
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
  s += ": record " + integer(e.record) + ", byte offset " + integer(e.offset) + ": " + e.reason;
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
  return cell_table(percorso, percorso.size(), [](std::size_t) { return true; });
}

std::string route_changes_table(const std::vector<cella>& percorso) {
  return cell_table(percorso, 0,
                    [&](std::size_t i) { return i == 0 || !(percorso[i] == percorso[i - 1]); });
}

std::string item_table(const std::array<oggetto, kItemCount>& oggetti) {
  std::vector<Table::Column> columns = {{"oggetto", true}};
  record_fields(
      oggetto{},
      [&](std::string_view name, auto) {
        columns.push_back({name, true});
      },
      [&](std::string_view name, const std::string&) {
        columns.push_back({name, false});
      });
  Table t(std::move(columns));
  t.reserve(oggetti.size());
  for (std::size_t i = 0; i < oggetti.size(); ++i) {
    t.add(integer(i));
    record_fields(
        oggetti[i], [&](std::string_view, auto v) { t.add(integer(v)); },
        [&](std::string_view, const std::string& text) { t.add(table_text(text)); });
  }
  return t.text();
}

std::string track_plan_table(const std::vector<TrackValue>& x, const std::vector<TrackValue>& y) {
  Table t({{"metro", true}, {"tipo_x", false}, {"x", true}, {"tipo_y", false}, {"y", true}});
  const std::size_t n = std::min(x.size(), y.size());
  t.reserve(n);
  for (std::size_t m = 0; m < n; ++m) {
    t.add(integer(m));
    t.add(type_name(x[m].type));
    t.add(table_value(x[m]));
    t.add(type_name(y[m].type));
    t.add(table_value(y[m]));
  }
  return t.text();
}

std::string route_json(const std::vector<cella>& percorso) {
  std::string s;
  s.reserve(percorso.size() * 220);
  open_json(s, "route");
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    separate_record(s, i);
    s += "{\"cella\": ";
    put_integer(s, i);
    visit_fields(percorso[i], [&](std::string_view name, auto v) {
      put_key(s, name);
      put_integer(s, v);
    });
    s += "}";
  }
  close_json(s, percorso.empty());
  return s;
}

std::string items_json(const std::array<oggetto, kItemCount>& oggetti) {
  std::string s;
  open_json(s, "items");
  for (std::size_t i = 0; i < oggetti.size(); ++i) {
    separate_record(s, i);
    s += "{\"oggetto\": ";
    put_integer(s, i);
    record_fields(
        oggetti[i],
        [&](std::string_view name, auto v) {
          put_key(s, name);
          put_integer(s, v);
        },
        [&](std::string_view name, const std::string& text) {
          put_key(s, name);
          put_json_text(s, text);
        });
    s += "}";
  }
  close_json(s, false);
  return s;
}

std::string track_plan_json(const std::vector<TrackValue>& x, const std::vector<TrackValue>& y) {
  const std::size_t n = std::min(x.size(), y.size());
  std::string s;
  s.reserve(n * 100);
  open_json(s, "track_plan");
  for (std::size_t m = 0; m < n; ++m) {
    separate_record(s, m);
    s += "{\"metro\": ";
    put_integer(s, m);
    put_key(s, "tipo_x");
    s += '"';
    s += type_name(x[m].type);
    s += '"';
    put_key(s, "x");
    put_json_value(s, x[m]);
    put_key(s, "tipo_y");
    s += '"';
    s += type_name(y[m].type);
    s += '"';
    put_key(s, "y");
    put_json_value(s, y[m]);
    s += "}";
  }
  close_json(s, n == 0);
  return s;
}

namespace {

std::string values_text(const std::vector<DecodedValue>& values) {
  std::string s;
  for (const DecodedValue& v : values) {
    if (!s.empty()) s += ", ";
    s += v.name;
    s += ' ';
    s += v.text;
  }
  return s;
}

std::string kind_name(Byte genere) {
  const CellKindInfo* k = cell_kind(genere);
  return k == nullptr ? "kind " + integer(genere) : std::string(k->name);
}

}  // namespace

std::string readable_route_table(const std::vector<cella>& percorso,
                                 const std::array<oggetto, kItemCount>* oggetti,
                                 const CellFilter& filter) {
  Table t({{"cella", true},
           {"km", true},
           {"kind", false},
           {"speed", true},
           {"gradient", true},
           {"aderenza", true},
           {"values", false}});
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    if (!filter.keeps(percorso, i)) continue;
    const cella& c = percorso[i];
    t.add(integer(i));
    t.add(kilometre_text(cell_metre(c, i)));
    t.add(kind_name(c.genere));
    t.add(integer(speed_limit_kmh(c)) + " km/h");
    t.add(integer(gradient_per_mille(c)) + " \u2030");
    t.add(integer(c.aderenza));
    t.add(values_text(element_values(c, oggetti)));
  }
  return t.text();
}

std::string readable_route_json(const std::vector<cella>& percorso,
                                const std::array<oggetto, kItemCount>* oggetti,
                                const CellFilter& filter) {
  std::string s;
  open_json(s, "route");
  std::size_t n = 0;
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    if (!filter.keeps(percorso, i)) continue;
    const cella& c = percorso[i];
    separate_record(s, n++);
    s += "{\"cella\": ";
    put_integer(s, i);
    visit_fields(c, [&](std::string_view name, auto v) {
      put_key(s, name);
      put_integer(s, v);
    });
    const double metre = cell_metre(c, i);
    put_key(s, "metre");
    put_json_double(s, metre);
    put_key(s, "km");
    put_json_text(s, kilometre_text(metre));
    put_key(s, "kind_name");
    put_json_text(s, kind_name(c.genere));
    put_key(s, "speed_kmh");
    put_integer(s, speed_limit_kmh(c));
    put_key(s, "gradient_per_mille");
    put_integer(s, gradient_per_mille(c));
    s += ", \"values\": {";
    const char* separator = "";
    for (const DecodedValue& v : element_values(c, oggetti)) {
      s += separator;
      separator = ", ";
      put_json_utf8(s, v.name);
      s += ": ";
      if (v.is_text) {
        put_json_utf8(s, v.json_text);
      } else {
        put_json_double(s, v.number);
      }
    }
    s += "}}";
  }
  close_json(s, n == 0);
  return s;
}

bool decode_route_file(std::string_view bytes, std::vector<cella>* out, FormatError* err) {
  if (bytes.empty()) {
    if (err != nullptr) *err = FormatError{0, 0, "the file is empty; a compiled route has cells"};
    return false;
  }
  return decode_route(bytes, out, err);
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
