#include "tools/text_encoding.h"

#include <cstdint>

namespace sb {

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 where the code page has no
// character (those bytes become U+FFFD).
constexpr char32_t kDa80a9F[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void metti_utf8(std::string& s, char32_t c) {
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string da_1252_a_utf8(std::string_view testo) {
  std::string s;
  s.reserve(testo.size());
  for (char ch : testo) {
    const auto b = static_cast<std::uint8_t>(ch);
    char32_t c = b;
    if (b >= 0x80 && b <= 0x9F) c = kDa80a9F[b - 0x80] != 0 ? kDa80a9F[b - 0x80] : 0xFFFD;
    metti_utf8(s, c);
  }
  return s;
}

}  // namespace sb
