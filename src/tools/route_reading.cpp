#include "tools/route_reading.h"

#include <charconv>

#include "compiler/cell_kinds.h"
#include "compiler/route_values.h"
#include "tools/text_encoding.h"

namespace sb {

namespace {

DecodedValue number(std::string name, double v, std::string_view unit = "") {
  DecodedValue d;
  d.name = std::move(name);
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  d.text.assign(buf, r.ptr);
  if (!unit.empty()) {
    d.text += ' ';
    d.text += unit;
  }
  d.number = v;
  return d;
}

DecodedValue text(std::string name, std::string shown, std::string json) {
  DecodedValue d;
  d.name = std::move(name);
  d.text = std::move(shown);
  d.json_text = std::move(json);
  d.is_text = true;
  return d;
}

// A text of the item table, trimmed of its padding, in UTF-8.
std::string item_text(const std::string& testo) {
  const std::size_t first = testo.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return utf8_from_cp1252(
      std::string_view(testo).substr(first, testo.find_last_not_of(' ') - first + 1));
}

void add_named_item(std::vector<DecodedValue>& v, const cella& c,
                    const std::array<oggetto, kItemCount>* oggetti, const char* what) {
  const std::optional<std::size_t> item = named_item(c);
  if (!item) {
    v.push_back(number("item", c.dato1));
    v.back().text += " (no such item)";
    return;
  }
  v.push_back(number("item", static_cast<double>(*item)));
  if (oggetti == nullptr) return;
  const oggetto& o = (*oggetti)[*item];
  const std::string t = item_text(o.testo);
  v.push_back(text(what, "\"" + t + "\"", t));
  if (c.genere == kStationEnd)
    v.push_back(text("time", clock_text(o.valore_d), clock_text(o.valore_d)));
}

}  // namespace

std::vector<DecodedValue> element_values(const cella& c,
                                         const std::array<oggetto, kItemCount>* oggetti) {
  std::vector<DecodedValue> v;
  switch (c.genere) {
    case kSignal: {
      const SignalFields s = signal_fields(c);
      const std::pair<const char*, int> fields[] = {
          {"sx", s.sx}, {"s1", s.s1}, {"s2", s.s2}, {"s3", s.s3}, {"rapp", s.rapp},
          {"dx", s.dx}, {"d1", s.d1}, {"d2", s.d2}, {"d3", s.d3}, {"tempo", s.tempo}};
      for (const auto& [name, value] : fields) v.push_back(number(name, value));
      break;
    }
    case kSlowdownEnd:
    case kSlowdownStart:
    case kSlowdownWarning:
      v.push_back(number("v", c.dato1, "km/h"));
      if (c.dato2 != 0) v.push_back(number("d_v", c.dato2));
      if (c.genere != kSlowdownWarning) v.push_back(number("f_tt", c.dato3));
      break;
    case kBeforeWarning:
      v.push_back(number("cell_before_warning", c.dato1));
      break;
    case kSpeedBoards: {
      const Integer dati[] = {c.dato1, c.dato2, c.dato3};
      const char* names[][2] = {{"vas", "vad"}, {"vbs", "vbd"}, {"vcs", "vcd"}};
      for (int i = 0; i < 3; ++i)
        v.push_back(number(names[i][0], board_speeds(dati[i]).set_s, "km/h"));
      v.push_back(number("strisces", stripes_s(c)));
      for (int i = 0; i < 3; ++i) {
        if (board_speeds(dati[i]).set_d != 0) {
          v.push_back(number(names[i][1], board_speeds(dati[i]).set_d, "km/h"));
        }
      }
      v.push_back(number("strisced", stripes_d(c)));
      break;
    }
    case kStationEnd:
      add_named_item(v, c, oggetti, "station");
      break;
    case kMark:
      v.push_back(number("value", c.dato1));
      break;
    case kSign:
      add_named_item(v, c, oggetti, "text");
      break;
    default:
      break;
  }
  if (c.avviso != 0) v.push_back(number("avviso", c.avviso));
  if (c.montagna != 0) v.push_back(number("montagna", c.montagna));
  return v;
}

double cell_metre(const cella& c, std::size_t index) {
  const CellKindInfo* kind = cell_kind(c.genere);
  const Placement p = kind == nullptr ? Placement::kCellStart : kind->placement;
  return metre_of(p, static_cast<std::int64_t>(index));
}

bool CellFilter::keeps(const std::vector<cella>& percorso, std::size_t i) const {
  const cella& c = percorso[i];
  if (kind && c.genere != *kind) return false;
  if (changes && i > 0 && c == percorso[i - 1]) return false;
  if (from || to) {
    const double m = cell_metre(c, i);
    if (from && m < *from) return false;
    if (to && m > *to) return false;
  }
  return true;
}

std::optional<Byte> kind_named(const std::string& name) {
  for (const CellKindInfo& k : cell_kind_table()) {
    if (k.name == name) return k.genere;
  }
  int n = 0;
  const auto r = std::from_chars(name.data(), name.data() + name.size(), n);
  if (r.ec == std::errc{} && r.ptr == name.data() + name.size() && n >= 0 && n <= 255) {
    return static_cast<Byte>(n);
  }
  return std::nullopt;
}

}  // namespace sb
