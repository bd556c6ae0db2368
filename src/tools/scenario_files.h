// A compiled scenario as the tools read it from disk: given by its route file
// or by the folder that holds it, the route and the item file decoded, the
// track plan beside them when it is there. `diff` and `view` read through
// here, so that a scenario is found, read and refused the same way by both.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"
#include "sources/file_names.h"

namespace sb {

struct Environment;

// One compiled scenario: the route and the item table decoded, the track
// plan as its bytes, checked in shape (decoded by the tool that needs its
// points).
struct CompiledScenario {
  std::vector<cella> percorso;
  std::array<oggetto, kItemCount> oggetti{};
  std::optional<std::string> track_plan;  // empty: no track plan file
};

// Why a scenario could not be read, already reported on the error stream
// with the file's name; each tool gives it its own exit status.
struct ScenarioReadFailure {
  enum class Cause {
    kNotFound,    // neither a route file nor a folder with exactly one
    kUnreadable,  // a file that cannot be read
    kRefused,     // a file whose bytes are not those of its kind
  };
  Cause cause;
};

// The route file that `given` names: itself, or the one route file of the
// folder it names. Throws ScenarioReadFailure (kNotFound).
std::string route_file_of(const std::string& given, Environment& env, std::string_view prefix);

// Reads the route file and its item file, and the track plan when it stands
// beside them. Every failure is reported on env.err after `prefix` ("FILE:
// not a valid route file: record R, byte offset O: REASON") and thrown as a
// ScenarioReadFailure.
CompiledScenario read_compiled_scenario(const std::string& route_file, Environment& env,
                                        std::string_view prefix);

}  // namespace sb
