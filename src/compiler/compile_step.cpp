#include "compiler/compile_step.h"

#include "compiler/check_codes.h"

namespace sb {

EsitoCompilazione memorizza_percorso(RouteModel& m, SourceFiles& sorgenti, Long j,
                                     Resoconto* resoconto) {
  m.scrivi_linea = j;
  m.codice_errore = 0;
  for (oggetto& o : m.oggetti) o = oggetto{};
  // A model left over from an earlier compilation must not survive it.
  m.percorso.clear();
  m.tracciato = Tracciato{};

  memorizza_dati(m, sorgenti, resoconto != nullptr ? &resoconto->lettura : nullptr);
  // Without a line length there are no cells: no pass, no guards on cell 1,
  // and nothing sound to write.
  if (!m.ha_percorso()) return EsitoCompilazione::kSenzaPercorso;

  post_elabora(m, resoconto != nullptr ? &resoconto->passata : nullptr);

  oggetto& fisso = m.oggetti[85];
  cella& riservata = m.percorso[1];
  // A sign's dato1 is an item index, even when it is item 0 (the 81st sign):
  // the constant would turn it into an index past the item table.
  if (fisso.parametro1 != 0 || riservata.dato1 != 0 || riservata.genere == kCartello)
    return EsitoCompilazione::kGuardia1250;
  fisso.parametro1 = kCostanteOggetti;
  riservata.dato1 = kCostantePercorso;
  if (fisso.valore_d != 0 || riservata.dato2 != 0) return EsitoCompilazione::kGuardia1251;
  fisso.valore_d = codice_gara_st(m);
  riservata.dato2 = low16(codice_gara_og(m));
  return EsitoCompilazione::kCompleto;
}

}  // namespace sb
