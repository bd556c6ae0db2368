// route_changes_table: the route table cut to the cells that change.

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "compiler/route_model.h"
#include "tools/dump.h"

namespace sb {
namespace {

using Row = std::vector<std::string>;

// The table as rows of whitespace-separated words, header first.
std::vector<Row> rows_of(const std::string& table) {
  std::vector<Row> rows;
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    Row row;
    for (std::string w; words >> w;) row.push_back(w);
    rows.push_back(row);
  }
  return rows;
}

// The cell a data row shows (the words after the index).
cella cell_of(const Row& row) {
  cella c;
  std::size_t k = 1;
  visit_fields(c, [&](std::string_view, auto& v) {
    v = static_cast<std::remove_reference_t<decltype(v)>>(std::stol(row.at(k++)));
  });
  return c;
}

cella cell(Byte genere, Integer dato1, Byte velocita) {
  cella c;
  c.genere = genere;
  c.dato1 = dato1;
  c.velocita = velocita;
  c.pendenza = 100;
  return c;
}

TEST(RouteChangesTable, RowsForCellZeroAndEveryCellUnlikeTheOneBefore) {
  const cella a = cell(kFree, 0, 24);
  const cella b = cell(kSignal, 5121, 24);
  // Cell 5 is like cell 0 again: it is compared with cell 4, not with the
  // last row but one.
  const std::vector<cella> percorso = {a, a, a, b, b, a, a};
  const std::vector<Row> rows = rows_of(route_changes_table(percorso));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1][0], "0");
  EXPECT_EQ(rows[2][0], "3");
  EXPECT_EQ(rows[3][0], "5");
  EXPECT_EQ(cell_of(rows[1]), a);
  EXPECT_EQ(cell_of(rows[2]), b);
  EXPECT_EQ(cell_of(rows[3]), a);
}

TEST(RouteChangesTable, HasTheColumnsOfTheRouteTable) {
  const std::vector<cella> percorso = {cell(kSign, 80, 24)};
  const std::vector<Row> changes = rows_of(route_changes_table(percorso));
  const std::vector<Row> full = rows_of(route_table(percorso));
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes, full);
  EXPECT_EQ(changes[0].size(), 1u + kCellaFieldCount);
}

TEST(RouteChangesTable, EmptyRouteIsJustTheHeader) {
  EXPECT_EQ(route_changes_table({}), route_table({}));
}

// A cell that differs from the one before it in a single field, whichever
// field it is, gets a row of its own.
TEST(RouteChangesTable, EveryFieldCounts) {
  for (int field = 0; field < kCellaFieldCount; ++field) {
    const cella before = cell(kFree, 0, 24);
    cella after = before;
    int k = 0;
    visit_fields(after, [&](std::string_view, auto& v) {
      if (k++ == field) v = static_cast<std::remove_reference_t<decltype(v)>>(v + 1);
    });
    const std::vector<Row> rows = rows_of(route_changes_table({before, before, after}));
    ASSERT_EQ(rows.size(), 3u) << "field " << field;
    EXPECT_EQ(rows[2][0], "2") << "field " << field;
    EXPECT_EQ(cell_of(rows[2]), after) << "field " << field;
  }
}

// The table loses nothing but the length of the route, and holds no row it
// does not need: each row's cell, repeated up to the next row, gives back
// every cell.
TEST(RouteChangesTable, RepeatingEachRowUpToTheNextGivesBackTheRoute) {
  std::uint32_t state = 12345;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  std::vector<cella> percorso;
  for (int i = 0; i < 500; ++i) {
    cella c = percorso.empty() ? cella{} : percorso.back();
    if (next() % 3 == 0) {
      visit_fields(c, [&](std::string_view, auto& v) {
        if (next() % 4 == 0) v = static_cast<std::remove_reference_t<decltype(v)>>(next());
      });
    }
    percorso.push_back(c);
  }

  const std::vector<Row> rows = rows_of(route_changes_table(percorso));
  ASSERT_GE(rows.size(), 2u);
  std::vector<cella> rebuilt;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const std::size_t from = std::stoul(rows[r][0]);
    const std::size_t to = r + 1 < rows.size() ? std::stoul(rows[r + 1][0]) : percorso.size();
    ASSERT_EQ(from, rebuilt.size());
    ASSERT_LT(from, to);
    if (r > 1) {
      EXPECT_NE(cell_of(rows[r]), cell_of(rows[r - 1])) << "row " << r;
    }
    rebuilt.insert(rebuilt.end(), to - from, cell_of(rows[r]));
  }
  EXPECT_EQ(rebuilt, percorso);
}

}  // namespace
}  // namespace sb
