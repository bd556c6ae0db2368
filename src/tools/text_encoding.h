// Texts of the scenario are bytes of the Western (Windows-1252) code page;
// JSON and SVG output want UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// The Windows-1252 form of a UTF-8 text, such as an editor's buffer. Each
// byte of the result is one UTF-16 unit of the text, so that a column counts
// the same in both: a character that Windows-1252 lacks becomes one '?' per
// UTF-16 unit (two for a character beyond U+FFFF), and so does each byte of
// a malformed sequence. `unmapped`, when given, receives the byte offset of
// each such '?' run in the result.
std::string cp1252_from_utf8(std::string_view text, std::vector<std::size_t>* unmapped = nullptr);

}  // namespace sb
