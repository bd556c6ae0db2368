// What changed between two compiled scenarios, in an author's words:
// stations moved, added or removed, speed limits and gradients over a
// stretch, elements added, removed or changed, the track plan, the check
// codes. Works on decoded files in memory; `diff` finds, reads or compiles
// them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"
#include "tools/scenario_files.h"

namespace sb {

struct Difference {
  // "station", "speed", "gradient", "adhesion", "element", "track_plan",
  // "check_codes", "route", "item"
  std::string topic;
  std::string text;             // UTF-8, in an author's words
  std::optional<double> metre;  // where it starts, when it has a place
};

// Every difference of b from a, in the order of the topics above and along
// the line within each. Empty when the scenarios are the same. Throws
// nothing for any content: a track plan that does not decode is reported as
// a difference of its own.
std::vector<Difference> compare_scenarios(const CompiledScenario& a, const CompiledScenario& b);

// The differences as lines of text, or as one JSON object
// {"same": bool, "differences": [{"topic", "text", "metre"}...]}.
std::string differences_text(const std::vector<Difference>& d);
std::string differences_json(const std::vector<Difference>& d);

}  // namespace sb
