// Every input that ever broke a property of fuzz/invariants.h, run through the
// same check as the fuzzer: flag byte, line source, NUL, train source.
#include <gtest/gtest.h>

#include <string>

#include "fuzz/invariants.h"

namespace sb {
namespace {

std::string ripeti(int volte, const std::string& testa, int da, int passo, const char* coda) {
  std::string righe;
  for (int i = 0; i < volte; ++i) righe += testa + std::to_string(da + passo * i) + coda;
  return righe;
}

TEST(FuzzRegressions, InputsThatOnceBrokeAnInvariant) {
  const struct {
    const char* nome;
    std::string ingresso;
  } casi[] = {
      // The 81st sign takes item 0 and stood in cell 1, whose dato1 then got
      // the constant 5121: a sign pointing past the item table.
      {"81st sign in the reserved cell",
       fuzz::componi(0,
                     "[generale]\nlunghezza percorso, 162000\n[x]\n" +
                         ripeti(80, "cartello_indicatore, ", 1000, 100, ", (S)\n") +
                         "cartello_indicatore, 0, (S)\n",
                     "[generale]\n")},
  };
  for (const auto& caso : casi) {
    EXPECT_EQ(fuzz::verifica_compilazione(caso.ingresso), "") << caso.nome;
  }
}

}  // namespace
}  // namespace sb
