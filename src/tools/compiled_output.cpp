#include "tools/compiled_output.h"

#include "compiler/compiled_files.h"

namespace sb {

std::vector<std::string> write_compiled_files(
    const RouteModel& m, const FileNames& names,
    const std::function<std::string(const std::string&)>& path_of, FileSystem& files) {
  std::vector<std::string> written;
  auto write = [&](const std::string& name, std::uint64_t size, const FileSystem::Pieces& pieces) {
    files.write_pieces(path_of(name), size, pieces);
    written.push_back(name);
  };
  // The track plan and the route grow with the line: they are written piece
  // by piece as they are produced, never held whole, into room set aside for
  // their known size.
  if (m.scrivi_linea != 0) {
    write(names.track_plan_file(), track_plan_size(m.tracciato),
          [&](const PieceSink& piece) { serialize_track_plan(m.tracciato, piece); });
  }
  write(names.item_file(), 0,
        [&](const PieceSink& piece) { piece(0, serialize_items(m.oggetti)); });
  write(names.route_file(), m.percorso.size() * kCellRecordBytes,
        [&](const PieceSink& piece) { serialize_route(m.percorso, piece); });
  return written;
}

}  // namespace sb
