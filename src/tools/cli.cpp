#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <string>

#include "tools/commands.h"
#include "tools/completion.h"

#ifndef SCENARIO_BUILDER_VERSION
#define SCENARIO_BUILDER_VERSION "0.0.0"
#endif

// "scenario-builder 0.1.0", with "(commit 1a2b3c4)" after it when the
// program was built from a git checkout.
#ifdef SCENARIO_BUILDER_COMMIT
#define SCENARIO_BUILDER_VERSION_TEXT \
  "scenario-builder " SCENARIO_BUILDER_VERSION " (commit " SCENARIO_BUILDER_COMMIT ")"
#else
#define SCENARIO_BUILDER_VERSION_TEXT "scenario-builder " SCENARIO_BUILDER_VERSION
#endif

namespace sb {

int run_tool(int argc, const char* const* argv, Environment& a) {
  CLI::App app{
      "Builds a scenario for the train-driving simulator.\n"
      "With no arguments: the one-shot run, which writes the built-in scenario next to the "
      "program.",
      "scenario-builder"};
  app.set_version_flag("--version", SCENARIO_BUILDER_VERSION_TEXT,
                       "Print the version and the commit the program was built from, and exit");
  app.set_help_all_flag("--help-all", "Print the help of every subcommand and exit");
  app.require_subcommand(1);

  SourcesOptions sources;
  auto* cmd_sources = app.add_subcommand(
      "sources", "Write the built-in line and train sources, as a starting point for authors");
  cmd_sources->add_option("-o,--output", sources.directory, "Directory to write into")
      ->capture_default_str();
  cmd_sources->add_flag("--force", sources.force, "Overwrite sources that are already there");

  // The options of check and compile: the two sources, their identity, the
  // report and the warnings.
  bool json = false;
  const std::map<std::string, ReportFormat> formats = {{"text", ReportFormat::kText},
                                                       {"json", ReportFormat::kJson},
                                                       {"sarif", ReportFormat::kSarif}};
  const auto add_source_options = [&](CLI::App* cmd, SourceOptions& o) {
    cmd->add_option("LINE", o.line_source, "The line source (ID_linea.txt)")->required();
    cmd->add_option("TRAIN", o.train_source, "The train source (ID_NUM-.txt)")->required();
    cmd->add_option("--scenario", o.scenario,
                    "Scenario identifier (default: from the line source's name)");
    cmd->add_option("--train", o.train_number,
                    "Train number (default: from the train source's name)");
    cmd->add_option("--format", o.format,
                    "How to report: text (on standard error), json or sarif (on standard output)")
        ->transform(CLI::CheckedTransformer(formats, CLI::ignore_case));
    cmd->add_flag("--json", json, "The same as --format json");
    cmd->add_option("-W", o.warning_flags,
                    "-Wno-NAME silences the warning NAME (see docs/error-codes.md)")
        ->allow_extra_args(false);
    cmd->add_flag("--werror", o.werror, "Count warnings as errors");
  };

  CheckOptions check;
  auto* cmd_check = app.add_subcommand(
      "check",
      "Report every error and warning of a line source and a train source; writes nothing");
  add_source_options(cmd_check, check);

  CompileOptions compile;
  auto* cmd_compile = app.add_subcommand(
      "compile", "Compile a line source and a train source into the three compiled files");
  add_source_options(cmd_compile, compile);
  cmd_compile->add_option("-o,--output", compile.directory, "Directory to write into")
      ->capture_default_str();
  cmd_compile->add_flag("--no-track-plan", compile.no_track_plan,
                        "Do not build or write the track plan (ID_linea.dat)");
  cmd_compile->add_flag("--write-on-error", compile.write_on_error,
                        "Write the compiled files even when the sources have errors, as the "
                        "rules make them");

  DumpOptions dump;
  auto* cmd_dump = app.add_subcommand(
      "dump", "Decode a compiled file (route .dat, item .sim or track plan _linea.dat)");
  cmd_dump->add_option("FILE", dump.file, "The compiled file")->required();
  cmd_dump->add_flag("--json", dump.json, "Print JSON instead of a table");
  cmd_dump->add_flag("--raw", dump.raw,
                     "A route file as its bare records, without kilometres, kinds and units");
  cmd_dump->add_option("--kind", dump.kind,
                       "Only the cells of this kind (its name, as \"signal\", or its number)");
  cmd_dump->add_option("--from", dump.from_km, "Only the cells from this kilometre on");
  cmd_dump->add_option("--to", dump.to_km, "Only the cells up to this kilometre");
  cmd_dump->add_flag("--changes", dump.changes, "Only the cells where something starts or changes");

  DiffOptions diff;
  auto* cmd_diff = app.add_subcommand(
      "diff",
      "Say what changed between two compiled scenarios (exit status 0 same, 1 different, 2 or "
      "more on trouble)");
  cmd_diff->add_option("A", diff.a, "The first scenario: its folder or its route file");
  cmd_diff->add_option("B", diff.b, "The second scenario: its folder or its route file");
  cmd_diff
      ->add_option("--sources", diff.sources,
                   "Compile two pairs of sources in memory instead: LINE_A TRAIN_A LINE_B "
                   "TRAIN_B")
      ->expected(4);
  cmd_diff->add_flag("--json", diff.json, "Print one JSON object instead of lines of text");

  DecompileOptions decompile;
  auto* cmd_decompile = app.add_subcommand(
      "decompile",
      "Write the line and train sources of a compiled scenario, and check that they compile to "
      "the same bytes (exit status 0 same, 1 different, 2 or more on trouble)");
  cmd_decompile
      ->add_option("INPUT", decompile.input,
                   "The compiled scenario: its folder or its route file (ID_NUM.dat)")
      ->required();
  cmd_decompile->add_option("-o,--output", decompile.directory, "Directory to write into")
      ->capture_default_str();
  cmd_decompile->add_flag("--force", decompile.force, "Overwrite sources that are already there");
  cmd_decompile->add_flag("--check", decompile.check,
                          "Only compile the sources in memory and compare; write nothing");

  PlotOptions plot;
  auto* cmd_plot = app.add_subcommand("plot",
                                      "Draw a compiled scenario: the plan of the line, its profile "
                                      "and the time-distance graph, as SVG");
  cmd_plot->add_option("ROUTE", plot.route_file, "The compiled route file (ID_NUM.dat)")
      ->required();
  cmd_plot->add_option("-o,--output", plot.output, "The SVG file to write; - for standard output")
      ->required();
  cmd_plot->add_option("--from", plot.from_km, "Draw the line from this kilometre on");
  cmd_plot->add_option("--to", plot.to_km, "Draw the line up to this kilometre");

  ViewOptions view;
  auto* cmd_view = app.add_subcommand(
      "view",
      "Write a compiled scenario as one self-contained HTML page: plan, profile and timetable "
      "graph, with zoom, tooltips and a station search");
  cmd_view->add_option("SCENARIO", view.scenario, "The scenario: its folder or its route file")
      ->required();
  cmd_view->add_option("-o,--output", view.output, "The HTML file to write; - for standard output")
      ->required();

  std::string completion_shell;
  auto* cmd_completion = app.add_subcommand(
      "completion", "Print the shell completion script for scenario-builder (bash)");
  cmd_completion->add_option("SHELL", completion_shell, "The shell")
      ->required()
      ->check(CLI::IsMember({"bash"}));

  auto* cmd_lsp = app.add_subcommand(
      "lsp", "Serve the Language Server Protocol on standard input and output, for editors");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    a.out << app.help();
    return exit_status::kOk;
  } catch (const CLI::CallForAllHelp&) {
    a.out << app.help("", CLI::AppFormatMode::All);
    return exit_status::kOk;
  } catch (const CLI::CallForVersion&) {
    a.out << app.version() << "\n";
    return exit_status::kOk;
  } catch (const CLI::ParseError& e) {
    a.err << "scenario-builder: " << e.what() << "\n";
    const CLI::App* sub = nullptr;
    for (const CLI::App* s : app.get_subcommands()) sub = s;
    a.err << (sub != nullptr ? sub->help() : app.help());
    return exit_status::kUsage;
  }

  if (json) check.format = compile.format = ReportFormat::kJson;
  if (cmd_sources->parsed()) return sources_command(sources, a);
  if (cmd_check->parsed()) return check_command(check, a);
  if (cmd_compile->parsed()) return compile_command(compile, a);
  if (cmd_dump->parsed()) return dump_command(dump, a);
  if (cmd_lsp->parsed()) return lsp_command(std::cin, a);
  if (cmd_diff->parsed()) return diff_command(diff, a);
  if (cmd_decompile->parsed()) return decompile_command(decompile, a);
  if (cmd_view->parsed()) return view_command(view, a);
  if (cmd_completion->parsed()) {
    a.out << bash_completion(app);
    return exit_status::kOk;
  }
  return plot_command(plot, a);
}

}  // namespace sb
