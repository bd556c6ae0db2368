#include "bench/random_scenario.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : s_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number from lo to hi, both included.
  std::int64_t in(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  bool chance(int one_in) { return in(1, one_in) == 1; }
  template <typename T, std::size_t N>
  const T& pick(const T (&a)[N]) {
    return a[static_cast<std::size_t>(in(0, static_cast<std::int64_t>(N) - 1))];
  }

 private:
  std::uint64_t s_;
};

// A row of a source, waiting to be given its layout.
struct Row {
  std::string keyword;
  bool any_case = false;  // the keyword test ignores case
  std::vector<std::string> fields;
  // The rows of one list keep their order among themselves: the order of a
  // profile, of the stations, of the signs (their items) and of the spans.
  int list = 0;
};

std::string num(std::int64_t v) {
  return std::to_string(v);
}

class Scenario {
 public:
  explicit Scenario(std::uint64_t seed) : r_(seed) {}

  GeneratedSources make() {
    length_ = static_cast<Long>(r_.in(8000, 40000));
    if (!r_.chance(3)) length_ = length_ / 50 * 50;
    n_ = last_cell_for_length(length_);
    used_.assign(static_cast<std::size_t>(n_) + 1, false);
    approach_.assign(static_cast<std::size_t>(n_) + 1, false);
    for (int c = 0; c <= 2; ++c) used_[static_cast<std::size_t>(c)] = true;
    last_ = n_ - 30;
    signs_ = r_.in(0, 12);

    slowdowns();
    stations();
    signals();
    boards();
    abbattimento();

    GeneratedSources g;
    g.line = line_text();
    g.train = train_text();
    return g;
  }

 private:
  // ---- cells ----

  bool free(std::int64_t c) const {
    return c >= 0 && c <= last_ && !used_[static_cast<std::size_t>(c)];
  }
  bool approach_free(std::int64_t c) const {
    return c >= 0 && c <= n_ && !approach_[static_cast<std::size_t>(c)];
  }
  void take(std::int64_t c) {
    if (c >= 0 && c <= n_) used_[static_cast<std::size_t>(c)] = true;
  }
  void take_approach(std::int64_t c) {
    if (c >= 0 && c <= n_) approach_[static_cast<std::size_t>(c)] = true;
  }
  // A point element's position for cell c, anywhere within the cell.
  std::int64_t point(std::int64_t c) { return (c - 1) * 50 + r_.in(-20, 20); }

  // ---- train elements ----

  void signal_row(std::int64_t c) {
    take(c);
    for (int k = 1; k <= 4; ++k) take_approach(c - 2 * k);
    static constexpr std::int64_t kTimes[] = {0, 0, 0, 50, 101, 210, 255};
    train_.push_back({"segnale",
                      true,
                      {num(point(c)), num(r_.in(0, 3)), num(r_.in(0, 9)), num(r_.in(0, 9)),
                       num(r_.in(0, 9)), num(r_.in(0, 3)), num(r_.in(0, 2)), num(r_.in(0, 9)),
                       num(r_.in(0, 9)), num(r_.in(0, 9)), num(r_.pick(kTimes))},
                      0});
  }

  // Each slowdown gets a stretch of its own, where the marks of the
  // post-processing find their cells: from 30 cells before its warning point
  // to 16 after its end.
  void slowdowns() {
    const std::int64_t count = r_.in(0, 3);
    for (std::int64_t i = 0; i < count; ++i) {
      const bool early = i == 0 && r_.chance(3);
      const std::int64_t s =
          early ? r_.in(25, 31) : r_.in(60, std::max<std::int64_t>(60, last_ - 60));
      // A slowdown of length 0 has no end cell of its own; below 110 km/h its
      // inner marks would then run on to the next end cell.
      const std::int64_t v = r_.in(20, 150);
      const std::int64_t l = 50 * r_.in(v >= 110 ? 0 : 1, 16);
      const std::int64_t e = s + l / 50;
      std::int64_t x = (s - 1) * 50;
      // A start in cell 31 has a warning point when it lies after 1500 m.
      if (s == 31) x += r_.in(1, 24);
      const bool warning = x > 1500;
      const std::int64_t w = s - 24;
      const std::int64_t from = warning ? std::max<std::int64_t>(w - 30, 3) : 3;
      const std::int64_t to = e + 16;
      if (to > last_) continue;
      bool clear = true;
      for (std::int64_t c = from; c <= to; ++c) clear = clear && free(c) && approach_free(c);
      if (!clear) continue;
      for (std::int64_t c = from; c <= to; ++c) {
        take(c);
        take_approach(c);
      }
      train_.push_back({"rallentamento",
                        true,
                        {num(x), num(v), num(l), num(r_.in(0, 3)), num(r_.in(0, 1)),
                         num(r_.chance(3) ? r_.in(1, 9) : 0)},
                        0});
      if (warning && w >= 23 && r_.chance(2)) {
        // A signal within 1000 m before the warning point, which gets a mark
        // before it; now and then the cell before it holds an abbattimento
        // point above 180 and the one before that boards, so that the mark
        // lowers the point's value to 180 instead.
        const std::int64_t sa = w - r_.in(7, 18);
        signal_row(sa);
        if (r_.chance(2)) {
          train_.push_back({"abbattimento", true, {num((sa - 1) * 50), num(300)}, 0});
          board_row(sa - 2);
        }
      }
      if (r_.chance(2)) signal_row(e + r_.in(3, 10));
    }
  }

  void stations() {
    const std::int64_t most = std::min<std::int64_t>(30, 78 - signs_);
    std::int64_t P = 50 * r_.in(0, 40);
    std::optional<std::int64_t> previous_end;
    std::int64_t clock = r_.in(5, 9) * 3600;
    int count = 0;
    static constexpr std::int64_t kKinds[] = {12, 12, 12, 11, 4, 2, 24, 28, 30, 5, 6, 7, 8};
    static constexpr std::string_view kNames[] = {"BORGO",       "VALLE, STAZIONE", "S. ROCCO",
                                                  "PIAN D'ERBA", "PONTE (NORD)",    "LAGO-SCURO"};
    for (; count < most && P <= 50 * std::int64_t{n_} - 800; P += 50 * r_.in(20, 80)) {
      const std::int64_t kind = r_.pick(kKinds);
      const std::int64_t L = 100 * r_.in(3, 8);
      const std::int64_t f6 = r_.chance(3) ? 1 : 0;
      std::int64_t a = 0, b = 0;
      if (kind == 5 || kind == 6) {
        a = P - L;
        b = P + 150;
      } else if (kind == 7 || kind == 8) {
        a = P - L;
        b = P + L;
      } else {
        a = P - L / 2;
        b = P + L / 2 + (f6 != 0 ? 50 : 0);
      }
      if (previous_end && a - 350 < *previous_end + 50) continue;
      const std::int64_t end = b / 50 - 1;
      if (kind < 25) {
        if (b <= 150 || !free(end) || end > last_) continue;
        bool clear = true;
        if (kind != 5 && kind != 6)
          for (std::int64_t c = end - 4; c < end; ++c) clear = clear && approach_free(c);
        if (!clear) continue;
        take(end);
        if (kind != 5 && kind != 6)
          for (std::int64_t c = end - 4; c < end; ++c) take_approach(c);
      }
      previous_end = b;
      clock += r_.in(60, 900);
      const std::int64_t t = r_.chance(6) ? 0 : clock;
      std::string name = std::string(r_.pick(kNames)) + " " + num(count + 1);
      if (name.find(',') != std::string::npos) name = "\"" + name + "\"";
      train_.push_back({"stazione",
                        true,
                        {num(P), num(kind), num(L), num(r_.in(0, 3)), num(r_.in(0, 1)), num(f6),
                         num(r_.in(0, 400)), num(r_.in(0, 3)), num(r_.in(0, 1)), num(r_.in(0, 9)),
                         num(r_.in(0, 9)), num(r_.in(0, 9)), num(r_.in(0, 250)), num(t / 3600),
                         num(t / 60 % 60), num(t % 60), name},
                        1});
      ++count;
    }
  }

  void signals() {
    const std::int64_t count = r_.in(5, 40);
    for (std::int64_t i = 0; i < count; ++i) {
      for (int attempt = 0; attempt < 20; ++attempt) {
        // Now and then a signal whose approach codes overwrite others'.
        const bool overlap = r_.chance(4);
        const std::int64_t c = r_.in(12, last_);
        bool clear = free(c);
        for (int k = 1; k <= 4; ++k) clear = clear && (overlap || approach_free(c - 2 * k));
        if (!clear) continue;
        signal_row(c);
        break;
      }
    }
  }

  void board_row(std::int64_t c) {
    take(c);
    const auto d = [&] { return r_.chance(3) ? num(r_.in(0, 99)) : std::string(); };
    line_.push_back({"indicatori_vmax",
                     true,
                     {num(point(c)), num(r_.in(20, 160)), num(r_.in(20, 160)), num(r_.in(20, 160)),
                      num(r_.in(0, 2)), d(), d(), d(), num(r_.in(0, 2))},
                     0});
  }

  std::int64_t some_free_cell() {
    for (int attempt = 0; attempt < 50; ++attempt) {
      const std::int64_t c = r_.in(3, last_);
      if (free(c)) return c;
    }
    return -1;
  }

  void boards() {
    const std::int64_t count = r_.in(3, 30);
    for (std::int64_t i = 0; i < count; ++i)
      if (const std::int64_t c = some_free_cell(); c >= 0) board_row(c);
    static constexpr std::string_view kTexts[] = {"(CADUTA MASSI)",      "(P.L.      )(AUTOMATICO)",
                                                  "\"(PONTE, km 2)\"",   "\"  (SPAZI)  \"",
                                                  "(Galleria)(CAPRILE)", "X"};
    for (std::int64_t i = 0; i < signs_; ++i) {
      const std::int64_t c = some_free_cell();
      if (c < 0) continue;
      take(c);
      line_.push_back(
          {"cartello_indicatore", true, {num(point(c)), std::string(r_.pick(kTexts))}, 2});
    }
  }

  void abbattimento() {
    const std::int64_t count = r_.in(0, 8);
    static constexpr std::int64_t kValues[] = {0, -3, 50, 180, 250, 1000};
    for (std::int64_t i = 0; i < count; ++i) {
      const std::int64_t c = some_free_cell();
      if (c < 0) continue;
      take(c);
      train_.push_back(
          {"abbattimento", true, {num(c * 50 + r_.in(-20, 20)), num(r_.pick(kValues))}, 0});
    }
  }

  // ---- the line's own rows ----

  void running(std::vector<Row>& rows, const std::string& keyword, int list, std::int64_t lo,
               std::int64_t hi) {
    std::int64_t p = r_.chance(5) ? r_.in(30, 2000) : 0;
    while (p <= 50 * std::int64_t{n_} - 100) {
      rows.push_back({keyword, true, {num(p), num(r_.in(lo, hi))}, list});
      p += r_.in(30, 3000);
    }
  }

  void mountains() {
    std::int64_t end = r_.in(0, 3000);
    static constexpr std::int64_t kKinds[] = {1, 2, 11, 12};
    for (int count = 0; count < kMaxMountainSpans; ++count) {
      const int gap_kind = static_cast<int>(r_.in(0, 2));
      const std::int64_t gap =
          gap_kind == 0 ? r_.in(0, 150) : (gap_kind == 1 ? r_.in(151, 220) : r_.in(300, 3000));
      const std::int64_t start = end + gap;
      if (start > 50 * std::int64_t{n_} - 100) break;
      end = start + r_.in(200, 2500);
      line_.push_back({"montagna", true, {num(start), num(end), num(r_.pick(kKinds))}, 3});
    }
  }

  void curves() {
    std::int64_t end = r_.in(1, 300);
    static constexpr std::string_view kSides[] = {"d", "s", "S", "_d"};
    static constexpr std::string_view kPrefixes[] = {"curva", "CURVA", "Curva"};
    for (;;) {
      const std::int64_t start = end + (r_.chance(3) ? 0 : r_.in(1, 800));
      const std::int64_t length = r_.in(0, 600);
      if (start > 50 * std::int64_t{n_} - 100 || start + length > length_ + kRunOut) break;
      end = start + length;
      line_.push_back(
          {std::string(r_.pick(kPrefixes)) + std::string(r_.pick(kSides)) + num(r_.in(1, 6)),
           false,
           {num(start), num(length)},
           4});
    }
  }

  // ---- layout ----

  std::string separator() {
    static constexpr std::string_view kSeparators[] = {",  ", ", ", ",", ",\t", " ,  ", ",    "};
    return std::string(r_.pick(kSeparators));
  }

  std::string cased(const std::string& keyword) {
    std::string s = keyword;
    const int how = static_cast<int>(r_.in(0, 3));
    for (char& c : s) {
      if (how == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (how == 2 && &c == &s[0] && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
  }

  void render(std::string& out, const Row& row) {
    if (r_.chance(10)) out += "-- note " + num(r_.in(1, 99)) + "\r\n";
    out += row.any_case ? cased(row.keyword) : row.keyword;
    for (const std::string& f : row.fields) out += separator() + f;
    out += "\r\n";
  }

  // Rows of several lists in a random order that keeps each list's own.
  std::vector<Row> interleaved(const std::vector<Row>& rows) {
    std::vector<std::vector<Row>> lists;
    for (const Row& row : rows) {
      if (static_cast<std::size_t>(row.list) >= lists.size())
        lists.resize(static_cast<std::size_t>(row.list) + 1);
      lists[static_cast<std::size_t>(row.list)].push_back(row);
    }
    // List 0 holds rows of any order among themselves.
    if (!lists.empty()) {
      std::vector<Row>& any = lists[0];
      for (std::size_t i = any.size(); i > 1; --i)
        std::swap(any[i - 1],
                  any[static_cast<std::size_t>(r_.in(0, static_cast<std::int64_t>(i) - 1))]);
    }
    std::vector<std::size_t> next(lists.size(), 0);
    std::vector<Row> out;
    for (std::size_t left = rows.size(); left > 0; --left) {
      std::size_t l;
      do l = static_cast<std::size_t>(r_.in(0, static_cast<std::int64_t>(lists.size()) - 1));
      while (next[l] == lists[l].size());
      out.push_back(lists[l][next[l]++]);
    }
    return out;
  }

  std::string line_text() {
    std::vector<Row> generale;
    generale.push_back(
        {r_.chance(2) ? "lunghezza percorso" : "LUNGHEZZA Percorso", false, {num(length_)}, 0});
    const bool references = r_.chance(2);
    for (const char* which : {"uno", "due", "tre"}) {
      std::vector<std::string> f = {"0", "0", "0"};
      if (references) {
        f = {num(r_.chance(2) ? 0 : 50 * r_.in(0, 300)), num(50 * r_.in(0, 300)), num(r_.in(0, 2))};
      }
      generale.push_back({std::string("progressiva chilometrica ") + which, false, f, 0});
    }
    for (const char* which : {"uno", "due", "tre"})
      generale.push_back({std::string("sfondo ") + which, false, {num(r_.in(0, 100000))}, 0});
    generale.push_back(
        {r_.chance(2) ? "ripetizione segnali 4 codici" : "ripetizione segnali 9 codici",
         false,
         {num(50 * r_.in(0, 100)), num(r_.chance(4) ? 0 : 50 * r_.in(0, 600))},
         0});
    running(line_, "pendenza", 5, -30, 40);
    mountains();
    curves();

    std::string out = "[generale]\r\n";
    for (const Row& row : interleaved(generale)) render(out, row);
    out += "[elementi]\r\n";
    for (const Row& row : interleaved(line_)) render(out, row);
    out += "[fine]\r\n";
    return out;
  }

  std::string train_text() {
    std::vector<Row> rows = train_;
    rows.push_back({"numero vetture", true, {num(r_.in(1, 12))}, 0});
    rows.push_back({"percentuale massa frenata", true, {num(r_.in(50, 150))}, 0});
    rows.push_back({"sabbia", true, {num(r_.in(0, 1000))}, 0});
    rows.push_back(
        {"orologio", true, {num(r_.in(0, 23)) + "  " + num(r_.in(0, 59)), num(r_.in(0, 59))}, 0});
    running(rows, "aderenza", 6, 0, 255);
    running(rows, "velocita", 7, 0, 200);
    std::string out = "[generale]\r\n";
    for (const Row& row : interleaved(rows)) render(out, row);
    out += "[fine]\r\n";
    return out;
  }

  Random r_;
  Long length_ = 0;
  Long n_ = 0;
  std::int64_t last_ = 0;  // the last cell an element may take
  std::int64_t signs_ = 0;
  std::vector<bool> used_;
  std::vector<bool> approach_;
  std::vector<Row> line_;
  std::vector<Row> train_;
};

}  // namespace

GeneratedSources random_scenario(std::uint64_t seed) {
  return Scenario(seed).make();
}

}  // namespace sb
