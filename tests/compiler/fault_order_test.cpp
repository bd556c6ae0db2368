// A value that faults in the middle of a row stops the row there: what the
// rules stored before the fault stays in the model, and what comes after it
// is never stored. The compiled files are written from that model, so these
// cells and items are what an author finds in them.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "compiler/error_codes.h"
#include "compiler/route_model.h"
#include "compiler/source_reader.h"
#include "compiler/storers.h"
#include "support/memory_sources.h"

namespace sb {
namespace {

std::unique_ptr<RouteModel> read_sources(const std::string& line, const std::string& train) {
  auto m = std::make_unique<RouteModel>();
  m->scenario = "X";
  m->treno = "1";
  testing::MemorySources sources(line, train);
  memorizza_dati(*m, sources);
  return m;
}

// A speed-indicator board stores genere 6, then dato1, dato2, dato3: a second
// value beyond 16 bits leaves genere and dato1 written.
TEST(FaultOrder, BoardValueBeyond16BitsLeavesTheFieldsBeforeIt) {
  struct Case {
    const char* row;
    Integer dato1, dato2;
  } const cases[] = {
      {"indicatori_vmax, 900, 90, 2000, 100, 0, 0, 0, 0, 0\n", 1800, 0},    // dato2 faults
      {"indicatori_vmax, 900, 90, 95, 2000, 0, 0, 0, 0, 0\n", 1800, 1900},  // dato3 faults
      {"indicatori_vmax, 900, 2000, 95, 100, 0, 0, 0, 0, 0\n", 0, 0},       // dato1 faults
  };
  for (const Case& c : cases) {
    const auto m = read_sources(
        std::string("[generale]\nlunghezza percorso, 10000\n[cartelli]\n") + c.row + "[fine]\n",
        "[generale]\n[fine]\n");
    EXPECT_EQ(m->codice_errore, kReadFailure) << c.row;
    const cella& cell = m->percorso.at(19);
    EXPECT_EQ(cell.genere, kSpeedBoards) << c.row;
    EXPECT_EQ(cell.dato1, c.dato1) << c.row;
    EXPECT_EQ(cell.dato2, c.dato2) << c.row;
    EXPECT_EQ(cell.dato3, 0) << c.row;
    EXPECT_EQ(cell.dato4, 0) << c.row;
  }
}

// The kilometric progressives are put in order first, then each item whose
// third value is 1 gets 100 added to its end, item by item.
TEST(FaultOrder, ProgressiveEndBeyond32BitsLeavesTheItemsBeforeIt) {
  RouteModel m;
  const Long most = std::numeric_limits<Long>::max();
  m.oggetti[81] = oggetto{};
  m.oggetti[81].valore_a = 300;
  m.oggetti[81].valore_b = 1000;
  m.oggetti[81].valore_c = 1;
  m.oggetti[82].valore_a = 200;
  m.oggetti[82].valore_b = most;
  m.oggetti[82].valore_c = 1;
  m.oggetti[83].valore_a = 100;
  m.oggetti[83].valore_b = 500;
  m.oggetti[83].valore_c = 1;
  EXPECT_THROW(progressive_ordina(m), ReadError);
  EXPECT_EQ(m.oggetti[81].valore_b, 1100);  // done
  EXPECT_EQ(m.oggetti[82].valore_b, most);  // the fault
  EXPECT_EQ(m.oggetti[83].valore_b, 500);   // never reached
}

// A station's approach marks come before its end mark: an end mark beyond the
// last cell leaves the approach marks that fit.
TEST(FaultOrder, StationEndBeyondTheLastCellLeavesItsApproachMarks) {
  // A line of 0 m has cells 0 to 140. Kind 7 at 6200, 900 long: the area ends
  // at 7100, the end mark would go to cell 141, the approach marks to 140 down
  // to 137.
  const auto m = read_sources("[generale]\nlunghezza percorso, 0\n[curve]\n[fine]\n",
                              "[generale]\nstazione, 6200, 7, 900, 0,0,0, 0,0,0, 0,0,0, 0, 7,0,0, "
                              "CAPO\n[fine]\n");
  EXPECT_EQ(m->codice_errore, kBeyondLastCell);
  EXPECT_EQ(m->progressiva_errore, 6200);
  ASSERT_EQ(m->last_cell(), 140);
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(m->percorso.at(141 - n).avviso, 80 + n) << n;
  }
  EXPECT_EQ(m->oggetti[1].testo, "CAPO");
  EXPECT_EQ(m->oggetti[1].valore_b, 7100);
}

}  // namespace
}  // namespace sb
