// The authors' tools: subcommands of scenario-builder that work on an
// author's own files through the same compiler as the one-shot run.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace sb {

class FileSystem;

// Exit statuses of the subcommands.
inline constexpr int kEsitoOk = 0;
inline constexpr int kEsitoErrori = 1;  // a recorded error code, or a file refused
inline constexpr int kEsitoUso = 2;     // the command line is wrong
inline constexpr int kEsitoFatale = 3;  // the compile step's guards 1250 and 1251

// What a subcommand works with: the file layer and the two output streams.
struct Ambiente {
  FileSystem& files;
  std::ostream& out;
  std::ostream& err;
};

struct OpzioniSources {
  std::string cartella = ".";
};

struct OpzioniCompile {
  std::string linea;
  std::string treno;
  std::string cartella = ".";
  std::optional<std::string> scenario;
  std::optional<std::string> numero_treno;
  bool senza_tracciato = false;
  bool json = false;
};

struct OpzioniDump {
  std::string file;
  bool json = false;
};

struct OpzioniPlot {
  std::string percorso;  // the route file ID_NUM.dat
  std::string uscita;    // the SVG file to write
};

int comando_sources(const OpzioniSources& o, Ambiente& a);
int comando_compile(const OpzioniCompile& o, Ambiente& a);
int comando_dump(const OpzioniDump& o, Ambiente& a);
int comando_plot(const OpzioniPlot& o, Ambiente& a);

// Parses the command line and runs the subcommand it names; returns the exit
// status. Called only with at least one argument: with none, the program
// performs the one-shot run.
int esegui_comandi(int argc, const char* const* argv, Ambiente& a);

}  // namespace sb
