#include "documents/slowdown_form.h"

namespace sb {

namespace {

// The table is six cells between bars, 82 characters a line; the rule closes
// the heading and the table.
constexpr const char* kRule =
    " |___|____________________________|____________|__________|_________|____________|";
constexpr const char* kEmptyRow =
    " |   |                            |            |          |         |            |";
constexpr int kEmptyRows = 20;

}  // namespace

Righe dati_rallentamenti() {
  Righe r;
  r << ""
    << "                               Modulo M. 3"
    << "                           ORDINE DI RALLENTAMENTO"
    << " " + std::string(80, '_') << "  Linea  BORGOLUCE - CASTELROSSINO"
    << ""
    << "  Si ordina al macchinista del treno 5127 di effettura i seguenti rallentamenti"
    << "  " + std::string(79, '_')
    << " |   |                            |Inizio dopo |          |         |            |"
    << " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|"
    << " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |" << kRule
    << " |   |    NESSUN RALLENTAMENTO    |            |          |         |   ---      |";
  for (int k = 0; k < kEmptyRows; ++k) r << kEmptyRow;
  r << kRule << ""
    << "              Prescrizioni specifiche"
    << " A - Da rispettare con tutto il treno (per i treni viaggiatori)"
    << " B - Interessa anche la stazione di......."
    << " D - Rallentamneto N. ... e N. ...  sono contigui"
    << " C - Da rispettare dalle ore ....  alle ore ..... di tutti"
    << "     i giorni esclusi i seguenti:.........";
  r.close();
  return r;
}

}  // namespace sb
