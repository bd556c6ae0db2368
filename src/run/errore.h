// `errore`: the fatal report of the run. Shows " Errore n. " followed by `a`
// in a message box and ends the program; control never comes back.
#pragma once

#include <string>

namespace sb {

class Platform;

// The text of the fatal report for `a`: " Errore n. 1250" for "1250".
std::string testo_errore(const std::string& a);

[[noreturn]] void errore(Platform& platform, const std::string& a);

}  // namespace sb
