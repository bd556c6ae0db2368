#include "tools/compiled_output.h"

#include "compiler/compiled_files.h"

namespace sb {

namespace {

// The compiled files of `m`, in their order: the track plan only when the
// model asked for it, then the item file and the route file. The producers
// refer to `m`, which must outlive them.
struct CompiledSet {
  std::vector<std::string> names;
  std::vector<FileSystem::PendingFile> files;
};

CompiledSet compiled_set(const RouteModel& m, const FileNames& names,
                         const std::function<std::string(const std::string&)>& path_of) {
  CompiledSet set;
  auto add = [&](const std::string& name, std::uint64_t size, FileSystem::Pieces pieces) {
    set.files.push_back(FileSystem::PendingFile{path_of(name), size, std::move(pieces)});
    set.names.push_back(name);
  };
  // The track plan and the route grow with the line: they are written piece
  // by piece as they are produced, never held whole, into room set aside for
  // their known size.
  if (m.scrivi_linea != 0) {
    add(names.track_plan_file(), track_plan_size(m.tracciato),
        [&m](const PieceSink& piece) { serialize_track_plan(m.tracciato, piece); });
  }
  add(names.item_file(), 0, [&m](const PieceSink& piece) { piece(0, serialize_items(m.oggetti)); });
  add(names.route_file(), m.percorso.size() * kCellRecordBytes,
      [&m](const PieceSink& piece) { serialize_route(m.percorso, piece); });
  return set;
}

}  // namespace

std::vector<std::string> write_compiled_files(
    const RouteModel& m, const FileNames& names,
    const std::function<std::string(const std::string&)>& path_of, FileSystem& files) {
  const CompiledSet set = compiled_set(m, names, path_of);
  std::vector<std::string> written;
  for (std::size_t i = 0; i < set.files.size(); ++i) {
    files.write_pieces(set.files[i].path, set.files[i].size, set.files[i].pieces);
    written.push_back(set.names[i]);
  }
  return written;
}

std::vector<std::string> write_compiled_set(
    const RouteModel& m, const FileNames& names,
    const std::function<std::string(const std::string&)>& path_of, FileSystem& files) {
  CompiledSet set = compiled_set(m, names, path_of);
  files.write_set(set.files);
  return std::move(set.names);
}

}  // namespace sb
