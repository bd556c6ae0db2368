// Writes a compiled scenario: the three compiled files, in their fixed order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "compiler/route_model.h"
#include "run/file_system.h"
#include "sources/file_names.h"

namespace sb {

// Writes the track plan (only when the model asked for it), the item file and
// the route file, each replacing any older file of its name. `percorso_di`
// turns a file name into its full path. Returns the names written, in order.
// Throws FileError.
std::vector<std::string> scrivi_compilati(
    const RouteModel& m, const NomiFile& nomi,
    const std::function<std::string(const std::string&)>& percorso_di, FileSystem& files);

}  // namespace sb
