#include "compiler/compile_step.h"

#include "compiler/check_codes.h"
#include "compiler/error_codes.h"

namespace sb {

CompileOutcome memorizza_percorso(RouteModel& m, SourceFiles& sources, TrackPlanOutput j,
                                  CompileReport* report, ReadMode mode) {
  m.scrivi_linea = static_cast<Long>(j);
  m.codice_errore = 0;
  for (oggetto& o : m.oggetti) o = oggetto{};
  // A model left over from an earlier compilation must not survive it.
  m.percorso.clear();
  m.tracciato = TrackPlan{};

  memorizza_dati(m, sources, report != nullptr ? &report->reading : nullptr, mode);
  // Without a line length there are no cells: no pass, no guards on cell 1,
  // and nothing sound to write.
  if (!m.has_cells()) return {CompileOutcome::Kind::kNoCells, 0};

  run_post_processing(m, report != nullptr ? &report->pass : nullptr);

  oggetto& fixed = m.oggetti[85];
  cella& reserved = m.percorso[1];
  // A sign's dato1 is an item index, even when it is item 0 (the 81st sign):
  // the constant would turn it into an index past the item table.
  if (fixed.parametro1 != 0 || reserved.dato1 != 0 || reserved.genere == kSign)
    return {CompileOutcome::Kind::kFatal, kReservedSlotSet};
  fixed.parametro1 = kItemConstant;
  reserved.dato1 = kRouteConstant;
  if (fixed.valore_d != 0 || reserved.dato2 != 0)
    return {CompileOutcome::Kind::kFatal, kCheckCodeSlotSet};
  fixed.valore_d = codice_gara_st(m);
  reserved.dato2 = low16(codice_gara_og(m));
  return {};
}

}  // namespace sb
