// The post-processing pass walks the cells 1 to N - 2 once, in order. A
// warning point (kind 4) triggers rule A, a slowdown start (kind 3) rule B;
// marks placed for one trigger are seen by the later ones. Every cursor is
// local to the rule that moves it, every cell touched lies within 0 to N, and
// an error is recorded and the pass goes on.
#include "compiler/post_processing.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "compiler/error_codes.h"
#include "compiler/minimo.h"

namespace sb {

namespace {

constexpr Integer kMarkValue = 180;
constexpr int kSignalWindow = 20;            // rule A: cells looked at before a warning point
constexpr std::int64_t kLowestSignal = 3;    // rule A: lowest signal cell with two cells before it
constexpr Integer kSpeedWithoutMarks = 110;  // rule B4: slowdowns this fast get no inner marks
constexpr int kMarkSpacing = 8;              // rule B4: spacing of the inner marks
constexpr std::int64_t kLookAhead = 12;      // rule B5: cells looked at after the slowdown end

class Pass {
 public:
  Pass(RouteModel& m, std::vector<PassCode>* log) : m_(m), log_(log), last_(m.last_cell()) {}

  void run() {
    for (std::int64_t c = 1; c <= last_ - 2; ++c) {
      const Byte genere = cell(c).genere;
      if (genere == kSlowdownWarning) {
        rule_a(c);
      } else if (genere == kSlowdownStart) {
        rule_b(c);
      }
    }
  }

 private:
  cella& cell(std::int64_t c) { return m_.percorso.at(static_cast<std::size_t>(c)); }
  bool free(std::int64_t c) { return m_.cell_exists(c) && cella_libera(cell(c)); }

  void place_mark(std::int64_t c) {
    cella& z = cell(c);
    z.genere = kMark;
    z.dato1 = kMarkValue;
  }

  // Lowers the value of an existing mark to 180 when it is higher.
  void merge_mark(std::int64_t c) {
    cella& z = cell(c);
    z.dato1 = static_cast<Integer>(minimo(kMarkValue, z.dato1));
  }

  void record(Long codice, std::int64_t c) {
    m_.codice_errore = codice;
    m_.progressiva_errore = low32(c * kCellLength);
    if (log_ != nullptr) log_->push_back({codice, m_.progressiva_errore});
  }

  // Rule A: every signal among the 20 cells before a warning point gets a
  // mark right before it, two cells before it, or shares an existing one.
  void rule_a(std::int64_t c) {
    for (int k = 1; k <= kSignalWindow; ++k) {
      const std::int64_t s = c - k;
      if (s < kLowestSignal) return;
      if (cell(s).genere != kSignal) continue;
      if (free(s - 1)) {
        place_mark(s - 1);
      } else if (free(s - 2)) {
        place_mark(s - 2);
      } else if (cell(s - 1).genere == kMark) {
        merge_mark(s - 1);
      } else if (cell(s - 2).genere == kMark) {
        merge_mark(s - 2);
      } else {
        record(kNoRoomBeforeSignal, s);
      }
    }
  }

  void rule_b(std::int64_t c) {
    before_slowdown(c, 5);
    before_slowdown(c, 11);
    before_slowdown(c, 18);
    std::optional<std::int64_t> end;
    if (cell(c).dato1 < kSpeedWithoutMarks) {
      end = walk(c);
    } else {
      end = slowdown_end(c);
    }
    if (end) after_slowdown(*end);
  }

  // B1 to B3: a mark at the first free cell of c - d, c - d - 1, c - d - 2,
  // when all three exist after cell 0. An existing mark is simply taken.
  void before_slowdown(std::int64_t c, std::int64_t d) {
    if (c <= d + 2) return;
    for (std::int64_t p = c - d; p >= c - d - 2; --p) {
      if (free(p)) {
        place_mark(p);
        return;
      }
    }
    record(kNoRoomBeforeSlowdown, c);
  }

  // B4: walks from the start to the slowdown end, a mark every 8 cells. The
  // counter restarts from the cell that got the mark; when no cell near the
  // eighth is free, the counter runs past 8 and no further mark is placed.
  // The walk stops at the last cell when the slowdown has no end cell of its
  // own. Returns the cell where it stopped.
  std::int64_t walk(std::int64_t c) {
    int counter = 0;
    std::int64_t i = c;
    for (;;) {
      ++i;
      ++counter;
      if (counter == kMarkSpacing) {
        const std::int64_t t = i;
        if (free(t)) {
          place_mark(t);
          counter = 0;
        } else if (free(t - 1)) {
          place_mark(t - 1);
          counter = 1;
        } else if (t + 1 <= last_ && free(t + 1)) {
          place_mark(t + 1);
          counter = -1;
        } else {
          record(kNoRoomInSlowdown, t);
        }
      }
      if (cell(i).genere == kSlowdownEnd || i >= last_) return i;
    }
  }

  // The end cell of the slowdown that starts at c, when it has one.
  std::optional<std::int64_t> slowdown_end(std::int64_t c) {
    for (std::int64_t i = c + 1; i <= last_; ++i) {
      if (cell(i).genere == kSlowdownEnd) return i;
    }
    return std::nullopt;
  }

  // B5: the first signal among the 13 cells from t on gets a mark right
  // before it, or one cell further back.
  void after_slowdown(std::int64_t t) {
    std::int64_t p = 0;
    const std::int64_t end = std::min(t + kLookAhead, last_);
    for (std::int64_t i = t; i <= end; ++i) {
      if (cell(i).genere == kSignal) {
        p = i - 1;
        break;
      }
    }
    if (p <= 0) return;
    if (free(p)) {
      place_mark(p);
    } else if (free(p - 1)) {
      place_mark(p - 1);
    } else {
      record(kNoRoomInSlowdown, t);
    }
  }

  RouteModel& m_;
  std::vector<PassCode>* log_;
  const std::int64_t last_;
};

}  // namespace

void run_post_processing(RouteModel& m, std::vector<PassCode>* log) {
  if (!m.has_cells()) return;
  Pass(m, log).run();
}

}  // namespace sb
