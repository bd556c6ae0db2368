// The compiled files written as one set: the same files and bytes as when
// they are written one after another, handed over in one set so that a
// failure in the middle changes none of them.
#include "tools/compiled_output.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/scenario_generator.h"
#include "compiler/compile_step.h"
#include "support/memory_file_system.h"
#include "support/memory_sources.h"

namespace sb {
namespace {

using testing::MemoryFileSystem;

std::unique_ptr<RouteModel> compiled(TrackPlanOutput track_plan) {
  const GeneratedSources s = generate_sources(kShortestGeneratedLine);
  auto m = std::make_unique<RouteModel>();
  m->scenario = "GEN10";
  m->treno = "9000";
  testing::MemorySources sources(s.line, s.train);
  EXPECT_EQ(memorizza_percorso(*m, sources, track_plan).kind, CompileOutcome::Kind::kComplete);
  return m;
}

std::string in_out(const std::string& name) {
  return "/out/" + name;
}

TEST(CompiledSet, TheFilesOfTheModelInTheirOrderAsOneSet) {
  struct Case {
    TrackPlanOutput track_plan;
    std::vector<std::string> names;
  };
  for (const Case& c :
       {Case{TrackPlanOutput::kWrite, {"GEN10_linea.dat", "GEN10_9000.sim", "GEN10_9000.dat"}},
        Case{TrackPlanOutput::kOmit, {"GEN10_9000.sim", "GEN10_9000.dat"}}}) {
    const std::unique_ptr<RouteModel> m = compiled(c.track_plan);
    const FileNames names{m->scenario, m->treno};
    MemoryFileSystem one_by_one, as_a_set;
    EXPECT_EQ(write_compiled_files(*m, names, in_out, one_by_one), c.names);
    EXPECT_EQ(write_compiled_set(*m, names, in_out, as_a_set), c.names);
    EXPECT_EQ(as_a_set.files, one_by_one.files);
    std::vector<std::string> steps;
    for (const char* step : {"write ", "rename "})
      for (const std::string& name : c.names) steps.push_back(step + in_out(name));
    EXPECT_EQ(as_a_set.log, steps);
  }
}

// The last step of the set fails: the older files are all still there.
TEST(CompiledSet, AFailureAtTheLastStepLeavesTheOlderFiles) {
  const std::unique_ptr<RouteModel> m = compiled(TrackPlanOutput::kWrite);
  MemoryFileSystem files;
  files.files = {{"/out/GEN10_linea.dat", "old plan"},
                 {"/out/GEN10_9000.sim", "old items"},
                 {"/out/GEN10_9000.dat", "old route"}};
  const auto older = files.files;
  files.fail_at = 6;
  EXPECT_THROW(write_compiled_set(*m, FileNames{m->scenario, m->treno}, in_out, files), FileError);
  EXPECT_EQ(files.files, older);
}

}  // namespace
}  // namespace sb
