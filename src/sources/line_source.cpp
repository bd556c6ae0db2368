#include "sources/line_source.h"

namespace sb {

Righe dati_linea() {
  Righe r;
  r << "[generale]"
    << "lunghezza percorso,    162000"
    << "progressiva chilometrica uno,    0,    0,    0"
    << "progressiva chilometrica due,    0,    0,    0"
    << "progressiva chilometrica tre,    0,    0,    0"
    << "sfondo uno,    1"
    << "sfondo due,    29000"
    << "sfondo tre,    90000"
    << "ripetizione segnali 4 codici,    1000,    27000"
    << "[fine]";
  r.chiudi();
  return r;
}

}  // namespace sb
