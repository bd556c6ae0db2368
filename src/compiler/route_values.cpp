#include "compiler/route_values.h"

#include <algorithm>
#include <cstdlib>

#include "compiler/cell_kinds.h"

namespace sb {

namespace {

// Division that rounds down, with a remainder from 0 to d - 1, so that a
// negative stored value still splits into digits that add up to it.
struct Split {
  int quotient;
  int remainder;
};
Split split(int v, int d) {
  int q = v / d;
  int r = v % d;
  if (r < 0) {
    r += d;
    --q;
  }
  return {q, r};
}

void put_two_digits(std::string& s, std::uint64_t v) {
  s.push_back(static_cast<char>('0' + v / 10));
  s.push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

SignalFields signal_fields(const cella& c) {
  const Split a = split(c.dato1, 10);
  const Split b = split(c.dato2, 10);
  const Split k = split(c.dato3, 10);
  const Split d = split(c.dato4, 10);
  const Split approach = split(d.remainder, 3);
  return {approach.quotient,  a.quotient,  b.quotient,  k.quotient,  d.quotient,
          approach.remainder, a.remainder, b.remainder, k.remainder, int{c.tempo_segnale}};
}

BoardSpeeds board_speeds(Integer dato) {
  const Split s = split(dato, 20);
  return {s.quotient, s.remainder * 5};
}

std::vector<Slowdown> slowdowns_of(const std::vector<cella>& percorso) {
  const auto at = [](std::size_t c) {
    return metre_of(Placement::kPoint, static_cast<std::int64_t>(c));
  };
  std::vector<Slowdown> found;
  // The start cell of a slowdown not yet ended, when `pending`.
  bool pending = false;
  std::size_t open = 0;
  const auto close = [&](std::size_t start, std::size_t end) {
    const double last = end == start ? at(start) + kCellLength : at(end);
    found.push_back({start, end, at(start), last, int{percorso[start].dato1}});
  };
  for (std::size_t c = 0; c < percorso.size(); ++c) {
    if (percorso[c].genere == kSlowdownStart) {
      if (pending) close(open, open);
      open = c;
      pending = true;
    } else if (percorso[c].genere == kSlowdownEnd && pending) {
      close(open, c);
      pending = false;
    }
  }
  if (pending) close(open, open);
  return found;
}

std::vector<std::string> sign_text_lines(std::string_view testo) {
  std::vector<std::string> lines;
  const auto keep = [&](std::string_view line) {
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) return;
    lines.emplace_back(line.substr(first, line.find_last_not_of(' ') - first + 1));
  };
  std::size_t i = 0;
  while (i < testo.size()) {
    if (testo[i] == '(') {
      const std::size_t close = testo.find(')', i + 1);
      const std::size_t end = close == std::string_view::npos ? testo.size() : close;
      keep(testo.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      const std::size_t open = testo.find('(', i);
      const std::size_t end = open == std::string_view::npos ? testo.size() : open;
      keep(testo.substr(i, end - i));
      i = end;
    }
  }
  return lines;
}

std::optional<std::size_t> named_item(const cella& c) {
  if (c.genere != kSign && c.genere != kStationEnd) return std::nullopt;
  if (c.dato1 < 0 || c.dato1 >= kItemCount) return std::nullopt;
  return static_cast<std::size_t>(c.dato1);
}

std::optional<double> fastest_run_seconds(const std::vector<cella>& percorso, double from,
                                          double to) {
  if (!(from <= to) || from < 0) return std::nullopt;
  const double route_end = static_cast<double>(percorso.size()) * kCellLength;
  if (to > route_end) return std::nullopt;
  double seconds = 0;
  const auto first = static_cast<std::size_t>(from / kCellLength);
  for (std::size_t c = first; c < percorso.size(); ++c) {
    const double start = static_cast<double>(c) * kCellLength;
    if (start >= to) break;
    const double metres = std::min(to, start + kCellLength) - std::max(from, start);
    if (metres <= 0) continue;
    const int kmh = speed_limit_kmh(percorso[c]);
    if (kmh == 0) return std::nullopt;
    seconds += metres * 3.6 / kmh;
  }
  return seconds;
}

std::string kilometre_text(double metres) {
  const std::int64_t m = arrotonda(metres);
  const std::uint64_t a = static_cast<std::uint64_t>(m < 0 ? -m : m);
  std::string s = m < 0 ? "-" : "";
  s += std::to_string(a / 1000);
  s += '+';
  const std::uint64_t rest = a % 1000;
  s.push_back(static_cast<char>('0' + rest / 100));
  s.push_back(static_cast<char>('0' + rest / 10 % 10));
  s.push_back(static_cast<char>('0' + rest % 10));
  return s;
}

std::string clock_text(std::int64_t seconds) {
  std::string s = seconds < 0 ? "-" : "";
  const std::uint64_t a = seconds < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(seconds)
                                      : static_cast<std::uint64_t>(seconds);
  const std::uint64_t hours = a / 3600;
  if (hours < 100) {
    put_two_digits(s, hours);
  } else {
    s += std::to_string(hours);
  }
  s += ':';
  put_two_digits(s, a / 60 % 60);
  s += ':';
  put_two_digits(s, a % 60);
  return s;
}

std::vector<Station> stations_of(const std::array<oggetto, kItemCount>& oggetti) {
  std::vector<Station> stations;
  for (std::size_t i = kFirstStationItem; i <= kLastSignItem; ++i) {
    const oggetto& o = oggetti[i];
    if (o.genere == 0) continue;
    const std::size_t first = o.testo.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    const std::size_t last = o.testo.find_last_not_of(' ');
    stations.push_back({i, o.testo.substr(first, last - first + 1), o.valore_c, o.valore_d});
  }
  return stations;
}

}  // namespace sb
