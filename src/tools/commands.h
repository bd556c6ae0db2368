// The authors' tools: subcommands of scenario-builder that work on an
// author's own files through the same compiler as the one-shot run. Their
// exit statuses are those of platform/exit_status.h.
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/exit_status.h"

namespace sb {

class FileSystem;

// What a subcommand works with: the file layer and the two output streams.
struct Environment {
  FileSystem& files;
  std::ostream& out;
  std::ostream& err;
};

struct SourcesOptions {
  std::string directory = ".";
  bool force = false;  // overwrite sources that are already there
};

// How the diagnostics are given: plain text on standard error for people and
// problem matchers, or one JSON object or SARIF 2.1.0 log on standard output.
enum class ReportFormat { kText, kJson, kSarif };

// The options that `check` and `compile` share.
struct SourceOptions {
  std::string line_source;
  std::string train_source;
  std::optional<std::string> scenario;
  std::optional<std::string> train_number;
  ReportFormat format = ReportFormat::kText;
  std::vector<std::string> warning_flags;  // "no-unknown-keyword" for -Wno-unknown-keyword
  bool werror = false;                     // warnings count as errors
};

struct CheckOptions : SourceOptions {};

struct CompileOptions : SourceOptions {
  std::string directory = ".";
  bool no_track_plan = false;
  bool write_on_error = false;  // write the files the rules produce even with errors
};

struct DumpOptions {
  std::string file;
  bool json = false;
  // A route file is shown for people (kilometres, kinds, values in the
  // author's units), with the texts from the item file beside it; `raw`
  // gives the bare records instead. The filters apply to the route only.
  bool raw = false;
  std::optional<std::string> kind{};  // a kind's name or number
  std::optional<double> from_km{};
  std::optional<double> to_km{};
  bool changes = false;  // only the cells where something starts or changes
};

struct DiffOptions {
  std::string a;  // a folder or a route file
  std::string b;
  // With `sources`: LINE_A TRAIN_A LINE_B TRAIN_B, compiled in memory.
  std::vector<std::string> sources;
  bool json = false;
};

struct DecompileOptions {
  std::string input;            // a folder or a route file
  std::string directory = ".";  // where the sources go
  bool force = false;           // overwrite sources that are already there
  bool check = false;           // only the round trip: write nothing
};

struct PlotOptions {
  std::string route_file;           // the route file ID_NUM.dat
  std::string output;               // the SVG file to write
  std::optional<double> from_km{};  // the stretch to draw; the whole line without
  std::optional<double> to_km{};
};

struct ViewOptions {
  std::string scenario;  // a folder or a route file
  std::string output;    // the HTML file to write; "-" for standard output
};

int sources_command(const SourcesOptions& o, Environment& env);
int check_command(const CheckOptions& o, Environment& env);
int compile_command(const CompileOptions& o, Environment& env);
int dump_command(const DumpOptions& o, Environment& env);
int plot_command(const PlotOptions& o, Environment& env);
// The language server: LSP messages from `in`, answers on env.out.
int lsp_command(std::istream& in, Environment& env);
int diff_command(const DiffOptions& o, Environment& env);
int decompile_command(const DecompileOptions& o, Environment& env);
int view_command(const ViewOptions& o, Environment& env);

// Parses the command line and runs the subcommand it names; returns the exit
// status. Called only with at least one argument: with none, the program
// performs the one-shot run.
int run_tool(int argc, const char* const* argv, Environment& env);

}  // namespace sb
