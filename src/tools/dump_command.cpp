// scenario-builder dump FILE [--json]: prints every record of a compiled file;
// a route file for people, with its filters, unless --raw.
#include <optional>
#include <ostream>
#include <string>

#include "compiler/cell_kinds.h"
#include "platform/file_system.h"
#include "tools/commands.h"
#include "tools/dump.h"

namespace sb {

namespace {

constexpr const char* kPrefix = "scenario-builder dump: ";

bool read_bytes(const std::string& path, Environment& a, std::string* bytes) {
  try {
    *bytes = a.files.read(path);
    return true;
  } catch (const FileError& e) {
    a.err << kPrefix << "cannot read " << e.path() << ": " << e.reason() << "\n";
    return false;
  }
}

// The readable route: the cells cut by the filters, the texts of signs and
// stations from the item file beside the route file when it is there.
int dump_route(const DumpOptions& o, const std::string& bytes, Environment& a) {
  CellFilter filter;
  if (o.kind) {
    filter.kind = kind_named(*o.kind);
    if (!filter.kind) {
      a.err << kPrefix << "--kind " << *o.kind << ": no such kind; the kinds are";
      for (const CellKindInfo& k : cell_kind_table()) a.err << " \"" << k.name << "\"";
      a.err << ", or a number\n";
      return exit_status::kUsage;
    }
  }
  if (o.from_km) filter.from = *o.from_km * 1000;
  if (o.to_km) filter.to = *o.to_km * 1000;
  filter.changes = o.changes;

  std::vector<cella> percorso;
  FormatError error;
  if (!decode_route_file(bytes, &percorso, &error)) {
    a.err << kPrefix << refusal_message(o.file, CompiledFileKind::kRoute, error) << "\n";
    return exit_status::kScenarioErrors;
  }
  std::array<oggetto, kItemCount> oggetti{};
  bool have_items = false;
  const std::optional<CompanionFiles> companions = companion_files(o.file);
  if (companions && a.files.exists(companions->item_file)) {
    std::string item_bytes;
    if (!read_bytes(companions->item_file, a, &item_bytes)) return exit_status::kScenarioErrors;
    if (!decode_items(item_bytes, &oggetti, &error)) {
      a.err << kPrefix << refusal_message(companions->item_file, CompiledFileKind::kItems, error)
            << "\n";
      return exit_status::kScenarioErrors;
    }
    have_items = true;
  }
  const std::array<oggetto, kItemCount>* items = have_items ? &oggetti : nullptr;
  const std::string text = o.json ? readable_route_json(percorso, items, filter)
                                  : readable_route_table(percorso, items, filter);
  a.out.write(text.data(), static_cast<std::streamsize>(text.size()));
  a.out.flush();
  return exit_status::kOk;
}

}  // namespace

int dump_command(const DumpOptions& o, Environment& a) {
  const std::optional<CompiledFileKind> kind = compiled_file_kind(o.file);
  if (!kind) {
    a.err << kPrefix << o.file
          << ": not the name of a compiled file\n"
             "The kind of file is told by its name: ID_linea.dat (track plan), ID_NUM.sim "
             "(item file), ID_NUM.dat (route file).\n"
             "Usage: scenario-builder dump FILE [--json]\n";
    return exit_status::kUsage;
  }
  const bool filtered = o.kind || o.from_km || o.to_km || o.changes;
  if (filtered && (*kind != CompiledFileKind::kRoute || o.raw)) {
    a.err << kPrefix
          << "--kind, --from, --to and --changes select cells of a route file read for people; "
             "they do not apply to "
          << (o.raw ? "--raw" : describe_kind(*kind)) << "\n";
    return exit_status::kUsage;
  }
  std::string bytes;
  if (!read_bytes(o.file, a, &bytes)) return exit_status::kScenarioErrors;
  if (*kind == CompiledFileKind::kRoute && !o.raw) return dump_route(o, bytes, a);
  std::string text;
  FormatError error;
  std::vector<cella> unused;
  if (*kind == CompiledFileKind::kRoute && bytes.empty() &&
      !decode_route_file(bytes, &unused, &error)) {
    a.err << kPrefix << refusal_message(o.file, *kind, error) << "\n";
    return exit_status::kScenarioErrors;
  }
  if (!describe_file(*kind, bytes, o.json, &text, &error)) {
    a.err << kPrefix << refusal_message(o.file, *kind, error) << "\n";
    return exit_status::kScenarioErrors;
  }
  a.out.write(text.data(), static_cast<std::streamsize>(text.size()));
  a.out.flush();
  return exit_status::kOk;
}

}  // namespace sb
