#include "compiler/check_codes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace sb {
namespace {

struct CodePair {
  Long og, st;
  bool operator==(const CodePair&) const = default;
};

CodePair codes_of(const std::string& train, const std::string& scenario) {
  RouteModel m;
  m.oggetti[86].testo = train;
  m.oggetti[85].testo = scenario;
  return {codice_gara_og(m), codice_gara_st(m)};
}

void PrintTo(const CodePair& c, std::ostream* os) {
  *os << "{" << c.og << ", " << c.st << "}";
}

TEST(CheckCodes, KnownIdentities) {
  const struct {
    std::string train;
    std::string scenario;
    CodePair expected;
  } cases[] = {
      {"5127", "BORGOLUCE", {2401, 33306}},
      {"", "", {2702, 36190}},  // the filler alone: "ccddffgghhllmmnnpprrssttv"
      {"", "abcdefghijklmnopqrstuvwxy", {2725, 36725}},
      {"BORGOLUCE", "5127", {2401, 31321}},          // same letters, other weights
      {"", std::string(25, '\xFF'), {6375, 82875}},  // the largest codes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(codes_of(c.train, c.scenario), c.expected) << c.train << c.scenario;
  }
}

TEST(CheckCodes, OnlyTheFirstTwentyFiveCharactersCount) {
  const std::string twenty_five = "abcdefghijklmnopqrstuvwxy";
  EXPECT_EQ(codes_of("", twenty_five + "z"), codes_of("", twenty_five));
  EXPECT_EQ(codes_of("abcde", "fghijklmnopqrstuvwxy_PLUS"), codes_of("", twenty_five));
}

TEST(CheckCodes, CapitalsCountAsSmallLetters) {
  EXPECT_EQ(codes_of("5127", "BORGOLUCE"), codes_of("5127", "borgoluce"));
  EXPECT_EQ(codes_of("5127", "BorgoLuce_2"), codes_of("5127", "borgoluce_2"));
  // Western code page capitals.
  EXPECT_EQ(codes_of("", "\xC0\xC9\xDE\x8A\x8C\x8E\x9F"),
            codes_of("", "\xE0\xE9\xFE\x9A\x9C\x9E\xFF"));
  // The multiplication and division signs are not letters.
  EXPECT_NE(codes_of("", "\xD7"), codes_of("", "\xF7"));
  // Other symbols stay as they are, counted as unsigned bytes.
  EXPECT_EQ(codes_of("", "\xDF").og - codes_of("", "c").og, 0xDF - 'c');
  EXPECT_EQ(codes_of("", "@[").og - codes_of("", "cc").og, '@' + '[' - 2 * 'c');
}

}  // namespace
}  // namespace sb
