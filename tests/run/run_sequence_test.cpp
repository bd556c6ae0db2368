#include "run/run_sequence.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/exit_status.h"
#include "platform/file_system.h"
#include "run/errore.h"
#include "support/fake_platform.h"
#include "support/memory_file_system.h"

namespace sb {
namespace {

using testing::FailureReported;
using testing::FakePlatform;
using testing::MemoryFileSystem;
using testing::ProgramEnded;

const std::vector<std::string> kSixFiles = {"/opt/sim/BORGOLUCE_5127.dat",
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
  EXPECT_EQ(names(fs), kSixFiles);
  EXPECT_EQ(fs.files.at("/opt/sim/BORGOLUCE_5127.dat").size(), 50715u);
  EXPECT_EQ(fs.files.at("/opt/sim/BORGOLUCE_linea.dat").size(), 3379964u);
}

TEST(RunSequence, WritesInTheFixedOrderAndReadsTheSourcesBack) {
  FakePlatform platform;
  MemoryFileSystem fs;
  run_sequence(platform, fs);
  std::vector<std::string> operations;
  for (const std::string& e : fs.log)
    if (e.rfind("write ", 0) == 0 || e.rfind("remove ", 0) == 0 || e.rfind("read ", 0) == 0)
      operations.push_back(e);
  const std::vector<std::string> expected = {
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
  EXPECT_EQ(operations, expected);
}

TEST(RunSequence, TwoRunsGiveTheSameBytesAndReplaceOlderFiles) {
  FakePlatform platform;
  MemoryFileSystem first, second;
  run_sequence(platform, first);
  second.files["/opt/sim/BORGOLUCE_5127.dat"] = std::string(100000, 'x');
  run_sequence(platform, second);
  EXPECT_EQ(first.files, second.files);
  run_sequence(platform, second);
  EXPECT_EQ(first.files, second.files);
}

// Every file operation of a run can fail: each failure is reported with the
// file and the reason, and nothing after it runs.
TEST(RunSequence, EveryFailingFileOperationIsReported) {
  FakePlatform platform;
  MemoryFileSystem clean;
  run_sequence(platform, clean);
  const int operation_count = static_cast<int>(clean.log.size());
  ASSERT_GT(operation_count, 10);
  for (bool from_then_on : {false, true}) {
    for (int n = 1; n <= operation_count; ++n) {
      MemoryFileSystem fs;
      fs.fail_at = n;
      fs.fail_from_then_on = from_then_on;
      const std::string operation = clean.log[static_cast<std::size_t>(n - 1)];
      if (operation.rfind("exists ", 0) == 0) continue;  // a look-up cannot fail
      try {
        run_sequence(platform, fs);
        ADD_FAILURE() << "no report when operation " << n << " (" << operation << ") fails";
      } catch (const FailureReported& e) {
        const std::string path = operation.substr(operation.find(' ') + 1);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Input/output error"), std::string::npos) << e.what();
      }
      // Nothing is written after the failing operation.
      EXPECT_EQ(fs.log.size(), static_cast<std::size_t>(n)) << operation;
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

// `errore` shows " Errore n. " and the code in one message, then ends the
// program with the fatal status; nothing of the caller runs after it.
TEST(Errore, ShowsTheCodeAndEndsTheProgramWithTheFatalStatus) {
  for (const char* code : {"1250", "1251"}) {
    FakePlatform platform;
    bool returned = false;
    try {
      errore(platform, code);
      returned = true;
    } catch (const ProgramEnded& e) {
      EXPECT_EQ(e.status, exit_status::kFatal) << code;
      EXPECT_EQ(std::string(e.what()), std::string(" Errore n. ") + code);
    }
    EXPECT_FALSE(returned) << code;
    EXPECT_EQ(platform.messages.size(), 1u) << "one message, before the end";
  }
}

}  // namespace
}  // namespace sb
