#include "tools/analysis.h"

#include "compiler/memory_sources.h"

namespace sb {

namespace {

struct Run {
  std::unique_ptr<RouteModel> model = std::make_unique<RouteModel>();
  CompileOutcome outcome;
  CompileReport report;
};

Run compile(const ScenarioSources& s, TrackPlanOutput track_plan, ReadMode mode) {
  Run r;
  r.model->scenario = s.scenario;
  r.model->treno = s.treno;
  InMemorySources sources(s.line_text, s.train_text);
  r.outcome = memorizza_percorso(*r.model, sources, track_plan, &r.report, mode);
  return r;
}

}  // namespace

Analysis analyse(const ScenarioSources& s, TrackPlanOutput track_plan,
                 const WarningOptions& warnings, AnalysisDepth depth) {
  Analysis a;
  Run rules;
  if (depth == AnalysisDepth::kRules) {
    rules = compile(s, track_plan, ReadMode::kRules);
  }
  // By the rules the reading stops at its first code, and what follows is
  // never read: read again past every refused row.
  const bool stopped = depth == AnalysisDepth::kCheck || !rules.report.reading.codes.empty() ||
                       rules.outcome.kind != CompileOutcome::Kind::kComplete;
  if (stopped) {
    // The checking reading needs no track plan to judge the curves.
    Run checked = compile(s, track_plan, ReadMode::kCheck);
    a.diagnostics = collect_diagnostics(*checked.model, checked.report, checked.outcome,
                                        s.line_file, s.train_file);
    if (depth == AnalysisDepth::kCheck) rules = std::move(checked);
  } else {
    a.diagnostics =
        collect_diagnostics(*rules.model, rules.report, rules.outcome, s.line_file, s.train_file);
  }
  apply_warning_options(&a.diagnostics, warnings);
  a.model = std::move(rules.model);
  a.outcome = rules.outcome;
  a.report = std::move(rules.report);
  return a;
}

}  // namespace sb
