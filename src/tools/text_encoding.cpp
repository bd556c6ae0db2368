#include "tools/text_encoding.h"

#include <array>
#include <optional>

namespace sb {

namespace {

// The 1252 table for 0x80-0x9F; the unassigned bytes keep their own value.
constexpr std::array<char16_t, 32> kFrom80To9F = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

void append_utf8(std::string& s, char32_t c) {
  if (c < 0x80) {
    s.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    s.push_back(static_cast<char>(0xC0 | (c >> 6)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    s.push_back(static_cast<char>(0xE0 | (c >> 12)));
    s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

char32_t cp1252_code_point(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) return kFrom80To9F.at(b - 0x80u);
  return b;
}

std::string utf8_from_cp1252(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (const char ch : text) append_utf8(s, cp1252_code_point(static_cast<unsigned char>(ch)));
  return s;
}

namespace {

// The Windows-1252 byte of a code point; empty when the code page lacks it.
std::optional<unsigned char> cp1252_byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < kFrom80To9F.size(); ++i) {
    if (kFrom80To9F[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

std::string cp1252_from_utf8(std::string_view text, std::vector<std::size_t>* unmapped) {
  std::string s;
  s.reserve(text.size());
  std::size_t i = 0;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const auto mark = [&](int units) {
    if (unmapped != nullptr) unmapped->push_back(s.size());
    s.append(static_cast<std::size_t>(units), '?');
  };
  while (i < text.size()) {
    const unsigned char b = byte(i);
    if (b < 0x80) {  // a run of ASCII, copied at once
      std::size_t j = i + 1;
      while (j < text.size() && byte(j) < 0x80) ++j;
      s.append(text.substr(i, j - i));
      i = j;
      continue;
    }
    const int length = b >= 0xF0 && b < 0xF8 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
    char32_t c = length == 2 ? (b & 0x1Fu) : length == 3 ? (b & 0x0Fu) : (b & 0x07u);
    for (int k = 1; valid && k < length; ++k) {
      const unsigned char cont = byte(i + static_cast<std::size_t>(k));
      valid = (cont & 0xC0u) == 0x80u;
      c = (c << 6) | (cont & 0x3Fu);
    }
    if (!valid) {  // a stray byte: one unit of its own
      mark(1);
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(length);
    const std::optional<unsigned char> out = cp1252_byte(c);
    if (out) {
      s.push_back(static_cast<char>(*out));
    } else {
      mark(c > 0xFFFF ? 2 : 1);
    }
  }
  return s;
}

}  // namespace sb
