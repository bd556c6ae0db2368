// Where an author's compiled scenario is: a route file named as such, or a
// folder that holds exactly one. `diff` and `decompile` take either.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace sb {

struct RouteFileLookup {
  std::string path;     // the route file, when found
  std::string problem;  // otherwise why not, for the error stream
};

// The route file that `given` names: itself when it is a route file that is
// there, or the one route file (ID_NUM.dat) of the folder it names.
RouteFileLookup find_route_file(const std::string& given, FileSystem& files);

}  // namespace sb
