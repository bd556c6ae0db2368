// The lines of a written text document, split at CR LF as a reader of the
// file would see them. A last line without CR LF, or a lone CR or LF inside a
// line, fails the calling test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources/righe.h"

namespace sb::testing {

inline std::vector<std::string> written_lines(const Righe& r) {
  const std::string testo = document_text(r);
  std::vector<std::string> righe;
  std::size_t inizio = 0;
  for (std::size_t fine; (fine = testo.find("\r\n", inizio)) != std::string::npos;
       inizio = fine + 2) {
    righe.push_back(testo.substr(inizio, fine - inizio));
    EXPECT_EQ(righe.back().find_first_of("\r\n"), std::string::npos) << "a stray line break";
  }
  EXPECT_EQ(inizio, testo.size()) << "the last line ends in CR LF";
  return righe;
}

}  // namespace sb::testing
