// The naming rule of every file of a scenario, both ways: the names formed
// from the scenario identifier and the train number, and the identifier, the
// number and the kind of file read back from a name.
//
//   ID_linea.txt   line source        ID_NUM-.txt              train source
//   ID_linea.dat   track plan         ID_NUM.sim               item file
//   ID_NUM.dat     route file         ID_NUM_note.txt, ID_NUM_rallentamenti.txt,
//                                     ID_NUM_scheda_treno.txt  crew documents
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sb {

// The identity of the built-in scenario.
inline constexpr char kBuiltinScenario[] = "BORGOLUCE";
inline constexpr char kBuiltinTrain[] = "5127";

struct FileNames {
  std::string scenario;
  std::string treno;

  std::string line_source() const { return scenario + "_linea.txt"; }
  std::string train_source() const { return scenario + "_" + treno + "-.txt"; }
  std::string notes() const { return scenario + "_" + treno + "_note.txt"; }
  std::string slowdown_form() const { return scenario + "_" + treno + "_rallentamenti.txt"; }
  std::string train_card() const { return scenario + "_" + treno + "_scheda_treno.txt"; }
  std::string track_plan_file() const { return scenario + "_linea.dat"; }
  std::string item_file() const { return scenario + "_" + treno + ".sim"; }
  std::string route_file() const { return scenario + "_" + treno + ".dat"; }
};

// ID from a path ending in "ID_linea.txt"; empty for any other name.
std::optional<std::string> scenario_from_line_source(std::string_view path);
// NUM from a path ending in "ID_NUM-.txt"; empty for any other name.
std::optional<std::string> train_from_train_source(std::string_view path);

enum class CompiledFileKind { kRoute, kItems, kTrackPlan };

// The kind of compiled file that a path names: ID_linea.dat is a track plan,
// *.sim an item file, any other *.dat a route file. Only the last component
// of the path counts, and the suffixes match in any letter case (the files
// come from Windows too). Empty for any other name.
std::optional<CompiledFileKind> compiled_file_kind(std::string_view path);

// The files that go with a route file DIR/ID_NUM.dat: DIR/ID_NUM.sim and
// DIR/ID_linea.dat, ID being everything before the last "_". Empty when the
// name is not that of a route file.
struct CompanionFiles {
  std::string item_file;
  std::string track_plan_file;
};
std::optional<CompanionFiles> companion_files(std::string_view route_path);

}  // namespace sb
