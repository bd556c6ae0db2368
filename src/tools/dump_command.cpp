// scenario-builder dump FILE [--json]: prints every record of a compiled file.
#include <optional>
#include <ostream>
#include <string>

#include "platform/file_system.h"
#include "tools/commands.h"
#include "tools/dump.h"

namespace sb {

int dump_command(const DumpOptions& o, Environment& a) {
  const std::optional<CompiledFileKind> kind = compiled_file_kind(o.file);
  if (!kind) {
    a.err << "scenario-builder dump: " << o.file
          << ": not the name of a compiled file\n"
             "The kind of file is told by its name: ID_linea.dat (track plan), ID_NUM.sim "
             "(item file), ID_NUM.dat (route file).\n"
             "Usage: scenario-builder dump FILE [--json]\n";
    return exit_status::kUsage;
  }
  std::string bytes;
  try {
    bytes = a.files.read(o.file);
  } catch (const FileError& e) {
    a.err << "scenario-builder dump: cannot read " << e.path() << ": " << e.reason() << "\n";
    return exit_status::kScenarioErrors;
  }
  std::string text;
  FormatError error;
  if (!describe_file(*kind, bytes, o.json, &text, &error)) {
    a.err << "scenario-builder dump: " << refusal_message(o.file, *kind, error) << "\n";
    return exit_status::kScenarioErrors;
  }
  a.out.write(text.data(), static_cast<std::streamsize>(text.size()));
  a.out.flush();
  return exit_status::kOk;
}

}  // namespace sb
