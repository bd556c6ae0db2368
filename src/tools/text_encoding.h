// Texts of the scenario are bytes of the Western (Windows-1252) code page;
// JSON output wants UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace sb {

std::string da_1252_a_utf8(std::string_view testo);

}  // namespace sb
