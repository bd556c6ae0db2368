#include "compiler/check_codes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace sb {
namespace {

struct Codici {
  Long og, st;
  bool operator==(const Codici&) const = default;
};

Codici codici(const std::string& treno, const std::string& scenario) {
  RouteModel m;
  m.oggetti[86].testo = treno;
  m.oggetti[85].testo = scenario;
  return {codice_gara_og(m), codice_gara_st(m)};
}

void PrintTo(const Codici& c, std::ostream* os) {
  *os << "{" << c.og << ", " << c.st << "}";
}

TEST(CheckCodes, KnownIdentities) {
  const struct {
    std::string treno;
    std::string scenario;
    Codici atteso;
  } casi[] = {
      {"5127", "BORGOLUCE", {2401, 33306}},
      {"", "", {2702, 36190}},  // the filler alone: "ccddffgghhllmmnnpprrssttv"
      {"", "abcdefghijklmnopqrstuvwxy", {2725, 36725}},
      {"BORGOLUCE", "5127", {2401, 31321}},          // same letters, other weights
      {"", std::string(25, '\xFF'), {6375, 82875}},  // the largest codes
  };
  for (const auto& caso : casi) {
    EXPECT_EQ(codici(caso.treno, caso.scenario), caso.atteso) << caso.treno << caso.scenario;
  }
}

TEST(CheckCodes, OnlyTheFirstTwentyFiveCharactersCount) {
  const std::string venticinque = "abcdefghijklmnopqrstuvwxy";
  EXPECT_EQ(codici("", venticinque + "z"), codici("", venticinque));
  EXPECT_EQ(codici("abcde", "fghijklmnopqrstuvwxy_PLUS"), codici("", venticinque));
}

TEST(CheckCodes, CapitalsCountAsSmallLetters) {
  EXPECT_EQ(codici("5127", "BORGOLUCE"), codici("5127", "borgoluce"));
  EXPECT_EQ(codici("5127", "BorgoLuce_2"), codici("5127", "borgoluce_2"));
  // Western code page capitals.
  EXPECT_EQ(codici("", "\xC0\xC9\xDE\x8A\x8C\x8E\x9F"), codici("", "\xE0\xE9\xFE\x9A\x9C\x9E\xFF"));
  // The multiplication and division signs are not letters.
  EXPECT_NE(codici("", "\xD7"), codici("", "\xF7"));
  // Other symbols stay as they are, counted as unsigned bytes.
  EXPECT_EQ(codici("", "\xDF").og - codici("", "c").og, 0xDF - 'c');
  EXPECT_EQ(codici("", "@[").og - codici("", "cc").og, '@' + '[' - 2 * 'c');
}

}  // namespace
}  // namespace sb
