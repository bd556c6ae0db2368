#include "run/run_sequence.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/file_system.h"
#include "support/fake_platform.h"
#include "support/memory_file_system.h"

namespace sb {
namespace {

using testing::FailureReported;
using testing::FakePlatform;
using testing::MemoryFileSystem;

const std::vector<std::string> kSeiFile = {"/opt/sim/BORGOLUCE_5127.dat",
                                           "/opt/sim/BORGOLUCE_5127.sim",
                                           "/opt/sim/BORGOLUCE_5127_note.txt",
                                           "/opt/sim/BORGOLUCE_5127_rallentamenti.txt",
                                           "/opt/sim/BORGOLUCE_5127_scheda_treno.txt",
                                           "/opt/sim/BORGOLUCE_linea.dat"};

std::vector<std::string> names(const MemoryFileSystem& fs) {
  std::vector<std::string> n;
  for (const auto& [path, bytes] : fs.files) n.push_back(path);
  return n;
}

TEST(RunSequence, LeavesExactlySixFilesNextToTheExecutable) {
  FakePlatform platform;
  MemoryFileSystem fs;
  EXPECT_EQ(run_sequence(platform, fs), 0);
  EXPECT_EQ(platform.windows_shown, 1);
  EXPECT_EQ(platform.windows_closed, 1);
  EXPECT_EQ(names(fs), kSeiFile);
  EXPECT_EQ(fs.files.at("/opt/sim/BORGOLUCE_5127.dat").size(), 50715u);
  EXPECT_EQ(fs.files.at("/opt/sim/BORGOLUCE_linea.dat").size(), 3379964u);
}

TEST(RunSequence, WritesInTheFixedOrderAndReadsTheSourcesBack) {
  FakePlatform platform;
  MemoryFileSystem fs;
  run_sequence(platform, fs);
  std::vector<std::string> scritture;
  for (const std::string& e : fs.log)
    if (e.rfind("write ", 0) == 0 || e.rfind("remove ", 0) == 0 || e.rfind("read ", 0) == 0)
      scritture.push_back(e);
  const std::vector<std::string> attese = {
      "write /opt/sim/BORGOLUCE_linea.txt",
      "write /opt/sim/BORGOLUCE_5127-.txt",
      "write /opt/sim/BORGOLUCE_5127_note.txt",
      "write /opt/sim/BORGOLUCE_5127_rallentamenti.txt",
      "write /opt/sim/BORGOLUCE_5127_scheda_treno.txt",
      "read /opt/sim/BORGOLUCE_linea.txt",
      "remove /opt/sim/BORGOLUCE_linea.txt",
      "read /opt/sim/BORGOLUCE_5127-.txt",
      "remove /opt/sim/BORGOLUCE_5127-.txt",
      "write /opt/sim/BORGOLUCE_linea.dat",
      "write /opt/sim/BORGOLUCE_5127.sim",
      "write /opt/sim/BORGOLUCE_5127.dat",
  };
  EXPECT_EQ(scritture, attese);
}

TEST(RunSequence, TwoRunsGiveTheSameBytesAndReplaceOlderFiles) {
  FakePlatform platform;
  MemoryFileSystem primo, secondo;
  run_sequence(platform, primo);
  secondo.files["/opt/sim/BORGOLUCE_5127.dat"] = std::string(100000, 'x');
  run_sequence(platform, secondo);
  EXPECT_EQ(primo.files, secondo.files);
  run_sequence(platform, secondo);
  EXPECT_EQ(primo.files, secondo.files);
}

// Every file operation of a run can fail: each failure is reported with the
// file and the reason, and nothing after it runs.
TEST(RunSequence, EveryFailingFileOperationIsReported) {
  FakePlatform platform;
  MemoryFileSystem pulito;
  run_sequence(platform, pulito);
  const int operazioni = static_cast<int>(pulito.log.size());
  ASSERT_GT(operazioni, 10);
  for (bool da_allora : {false, true}) {
    for (int n = 1; n <= operazioni; ++n) {
      MemoryFileSystem fs;
      fs.fail_at = n;
      fs.fail_from_then_on = da_allora;
      const std::string operazione = pulito.log[static_cast<std::size_t>(n - 1)];
      if (operazione.rfind("exists ", 0) == 0) continue;  // a look-up cannot fail
      try {
        run_sequence(platform, fs);
        ADD_FAILURE() << "no report when operation " << n << " (" << operazione << ") fails";
      } catch (const FailureReported& e) {
        const std::string path = operazione.substr(operazione.find(' ') + 1);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Input/output error"), std::string::npos) << e.what();
      }
      // Nothing is written after the failing operation.
      EXPECT_EQ(fs.log.size(), static_cast<std::size_t>(n)) << operazione;
    }
  }
}

// Real failures on disk: a directory standing where a compiled file goes.
TEST(RunSequenceOnDisk, ADirectoryInTheWayIsReportedAndNothingIsCutShort) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("sb_run_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "BORGOLUCE_5127.sim");
  FakePlatform platform;
  platform.directory = dir.string();
  DiskFileSystem fs;
  try {
    run_sequence(platform, fs);
    ADD_FAILURE() << "no report";
  } catch (const FailureReported& e) {
    EXPECT_NE(std::string(e.what()).find("BORGOLUCE_5127.sim"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir / "BORGOLUCE_5127.sim"));
  EXPECT_EQ(std::filesystem::file_size(dir / "BORGOLUCE_linea.dat"), 3379964u);
  EXPECT_FALSE(std::filesystem::exists(dir / "BORGOLUCE_5127.dat")) << "nothing runs after";
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(entry.path().extension() == ".tmp", false) << entry.path();
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace sb
