// The two character tests of the sources' grammar: blanks before a field, and
// the case-insensitive keyword tests, which fold the ASCII letters only.
#pragma once

#include <string>
#include <string_view>

namespace sb {

constexpr bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

constexpr char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string ascii_lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

}  // namespace sb
