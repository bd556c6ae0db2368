// Texts of the scenario are bytes of the Western (Windows-1252) code page;
// JSON and SVG output want UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace sb {

// The code point of one Windows-1252 byte. 0x80-0x9F follow the code page's
// table; its five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their
// own value as a C1 control, so that every byte stays distinct. 0xA0-0xFF are
// U+00A0-U+00FF, and ASCII is itself.
char32_t cp1252_code_point(unsigned char b);

// Appends the UTF-8 form of a code point below U+10000.
void append_utf8(std::string& s, char32_t c);

// The UTF-8 form of a Windows-1252 text.
std::string utf8_from_cp1252(std::string_view text);

}  // namespace sb
