#include "tools/compiled_input.h"

#include <vector>

#include "sources/file_names.h"

namespace sb {

RouteFileLookup find_route_file(const std::string& given, FileSystem& files) {
  if (companion_files(given) && files.exists(given)) return {given, {}};
  std::string folder = given;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::vector<std::string> routes;
  for (const std::string& name : files.list_files(folder)) {
    if (compiled_file_kind(name) == CompiledFileKind::kRoute) routes.push_back(name);
  }
  if (routes.size() == 1) return {folder + "/" + routes[0], {}};
  if (routes.empty())
    return {{}, given + ": neither a route file (ID_NUM.dat) nor a folder that holds one"};
  std::string problem = given + ": the folder holds " + std::to_string(routes.size()) +
                        " route files; name the one to use (";
  for (std::size_t i = 0; i < routes.size(); ++i) problem += (i ? ", " : "") + routes[i];
  return {{}, problem + ")"};
}

}  // namespace sb
