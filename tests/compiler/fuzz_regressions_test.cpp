// Every input that ever broke a property of fuzz/invariants.h, run through the
// same check as the fuzzer: flag byte, line source, NUL, train source.
#include <gtest/gtest.h>

#include <string>

#include "fuzz/invariants.h"

namespace sb {
namespace {

std::string repeat(int times, const std::string& head, int from, int step, const char* tail) {
  std::string rows;
  for (int i = 0; i < times; ++i) rows += head + std::to_string(from + step * i) + tail;
  return rows;
}

TEST(FuzzRegressions, InputsThatOnceBrokeAnInvariant) {
  const struct {
    const char* name;
    std::string input;
  } cases[] = {
      // The 81st sign takes item 0 and stood in cell 1, whose dato1 then got
      // the constant 5121: a sign pointing past the item table.
      {"81st sign in the reserved cell",
       fuzz::join_input(0,
                        "[generale]\nlunghezza percorso, 162000\n[x]\n" +
                            repeat(80, "cartello_indicatore, ", 1000, 100, ", (S)\n") +
                            "cartello_indicatore, 0, (S)\n",
                        "[generale]\n")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fuzz::check_compilation(c.input), "") << c.name;
  }
}

}  // namespace
}  // namespace sb
