#include "run/errore.h"

#include <cstdlib>

#include "platform/exit_status.h"
#include "platform/platform.h"

namespace sb {

std::string testo_errore(const std::string& a) {
  return " Errore n. " + a;
}

void errore(Platform& platform, const std::string& a) {
  platform.show_message(testo_errore(a));
  platform.end_program(exit_status::kFatal);
  std::abort();  // end_program never returns
}

}  // namespace sb
