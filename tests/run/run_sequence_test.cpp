#include "run/run_sequence.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"
#include "support/memory_file_system.h"

namespace sb {
namespace {

using testing::FailureReported;
using testing::FakePlatform;
using testing::MemoryFileSystem;

TEST(RunSequence, WritesNextToTheExecutableAndEnds) {
  FakePlatform platform;
  MemoryFileSystem fs;
  EXPECT_EQ(esegui_run(platform, fs), 0);
  EXPECT_EQ(platform.windows_shown, 1);
  EXPECT_EQ(platform.windows_closed, 1);
  for (const auto& [path, bytes] : fs.files) EXPECT_EQ(path.rfind("/opt/sim/BORGOLUCE_", 0), 0u) << path;
}

TEST(RunSequence, AFileThatCannotBeWrittenIsReportedWithItsName) {
  FakePlatform platform;
  MemoryFileSystem fs;
  fs.fail_at = 1;
  fs.fail_from_then_on = true;
  try {
    esegui_run(platform, fs);
    FAIL() << "the failure was not reported";
  } catch (const FailureReported& e) {
    EXPECT_NE(std::string(e.what()).find("/opt/sim/BORGOLUCE_linea.txt"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Input/output error"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace sb
