// `scenario-builder sources`: the built-in line and train sources, written
// for authors to start from.
#include <filesystem>

#include "platform/file_system.h"
#include "sources/file_names.h"
#include "sources/line_source.h"
#include "sources/train_source.h"
#include "tools/commands.h"

namespace sb {

int sources_command(const SourcesOptions& o, Environment& env) {
  const FileNames names{kBuiltinScenario, kBuiltinTrain};
  // An author may have edited sources of these names: they are never
  // overwritten unless asked.
  if (!o.force) {
    for (const std::string& name : {names.line_source(), names.train_source()}) {
      const std::string path = (std::filesystem::path(o.directory) / name).string();
      if (env.files.exists(path)) {
        env.err << "scenario-builder sources: " << path
                << " is already there and is left as it is; give --force to overwrite it, or "
                   "choose another directory with -o\n";
        return exit_status::kFileFailure;
      }
    }
  }
  try {
    env.files.create_directories(o.directory);
    for (const auto& [name, righe] : {std::pair{names.line_source(), dati_linea()},
                                      std::pair{names.train_source(), dati_treno()}}) {
      const std::string path = (std::filesystem::path(o.directory) / name).string();
      scrivi_righe(righe, path, env.files);
      env.out << "wrote " << path << "\n";
    }
  } catch (const FileError& e) {
    env.err << "scenario-builder sources: " << e.what() << "\n";
    return exit_status::kFileFailure;
  }
  return exit_status::kOk;
}

}  // namespace sb
