// The lines of a written text document, split at CR LF as a reader of the
// file would see them. A last line without CR LF, or a lone CR or LF inside a
// line, fails the calling test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources/righe.h"

namespace sb::testing {

// The lines of a text, each ended by CR LF.
inline std::vector<std::string> text_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << "a stray line break";
  }
  EXPECT_EQ(start, text.size()) << "the last line ends in CR LF";
  return lines;
}

inline std::vector<std::string> written_lines(const Righe& r) {
  return text_lines(document_text(r));
}

}  // namespace sb::testing
