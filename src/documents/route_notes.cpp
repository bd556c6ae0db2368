#include "documents/route_notes.h"

namespace sb {

// Six paragraphs of 1, 4, 2, 4, 4 and 2 lines between the heading and the
// closing line; a paragraph opens with " - " and goes on with three blanks.
// The accented letters are "\xE8" and "\xE0" escapes, so that this source
// stays ASCII and the bytes are the same on every platform.
Righe dati_note() {
  Righe r;
  r << "                Treno 5127 sul percorso Borgoluce - Castelrossino"
    << ""
    << " Alcune precisazioni su questo percorso:"
    << " - La linea da Borgoluce a Castelrossino \xE8 lunga 162 km e tocca 40 stazioni, dalla "
       "pianura alle valli alte."
    << " - Si tratta di una vera linea di montagna: dopo i primi chilometri quasi in piano il "
       "tracciato sale a lungo,"
    << "   con pendenze che arrivano a circa il 31 per mille. In salita bisogna dosare la trazione "
       "per non perdere"
    << "   velocit\xE0 e per non far slittare le ruote; in discesa si frena con anticipo, dato che "
       "il treno prende"
    << "   velocit\xE0 in fretta anche con il regolatore chiuso."
    << " - Le numerose gallerie sono annunciate da un cartello con il loro nome. In galleria la "
       "visuale \xE8 ridotta e"
    << "   i segnali compaiono all'ultimo momento: conviene entrarvi alla velocit\xE0 giusta."
    << " - Nei tratti esposti alla caduta di sassi si incontrano i cartelli \"CADUTA MASSI\": in "
       "quei punti bisogna"
    << "   osservare la via con attenzione. I passaggi a livello automatici sono segnalati dal "
       "cartello"
    << "   \"P.L. AUTOMATICO\"; nella simulazione le barriere sono sempre abbassate al passaggio "
       "del treno e la"
    << "   strada \xE8 sempre libera: non occorre fermarsi o rallentare davanti ai passaggi a "
       "livello."
    << " - Alcune semplificazioni: le stazioni sono rappresentate in modo schematico, sulla linea "
       "non circolano"
    << "   altri treni e i segnali si dispongono secondo l'orario del treno 5127. Non \xE8 "
       "previsto alcun"
    << "   rallentamento: il modulo M. 3 allegato riporta \"NESSUN RALLENTAMENTO\". Le velocit\xE0 "
       "massime sono"
    << "   quelle dei cartelli lungo la linea e della scheda treno."
    << " - Arrivare in anticipo in una stazione non \xE8 un errore, ma prima di ripartire si deve "
       "attendere l'ora di"
    << "   partenza indicata nella scheda treno."
    << "  Buon Divertimento !"
    << ""
    << "  scenari.borgoluce@example.org    ";
  r.close();
  return r;
}

}  // namespace sb
