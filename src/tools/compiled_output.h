// Writes a compiled scenario: the three compiled files, in their fixed order,
// one after another or as one set.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "compiler/route_model.h"
#include "platform/file_system.h"
#include "sources/file_names.h"

namespace sb {

// Writes the track plan (only when the model asked for it), the item file and
// the route file, each replacing any older file of its name. `path_of` turns
// a file name into its full path. Returns the names written, in order.
// Throws FileError.
std::vector<std::string> write_compiled_files(
    const RouteModel& m, const FileNames& names,
    const std::function<std::string(const std::string&)>& path_of, FileSystem& files);

// The same files, written as one set (FileSystem::write_set): none of them
// is replaced before all of them are complete, so that a failure or a stop
// never leaves a new track plan beside an older item file. Returns the names
// written, in order. Throws FileError.
std::vector<std::string> write_compiled_set(
    const RouteModel& m, const FileNames& names,
    const std::function<std::string(const std::string&)>& path_of, FileSystem& files);

}  // namespace sb
