#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/file_system.h"
#include "run/run_sequence.h"
#include "support/fake_platform.h"
#include "support/memory_file_system.h"
#include "tools/commands.h"

namespace sb {
namespace {

using testing::MemoryFileSystem;

constexpr char kLineSource[] = "/src/PROVA_linea.txt";
constexpr char kTrainSource[] = "/src/PROVA_12-.txt";

const std::string kLineHead = "[generale]\r\nlunghezza percorso,    40000\r\n[cartelli]\r\n";
const std::string kTrainHead = "[generale]\r\nvelocita,   0,    80\r\n";

struct Compilation {
  MemoryFileSystem fs;
  std::ostringstream out, err;
  int status = -1;

  int run(const std::string& line, const std::string& train, CompileOptions o = {}) {
    fs.files[kLineSource] = line;
    fs.files[kTrainSource] = train;
    if (o.line_source.empty()) o.line_source = kLineSource;
    if (o.train_source.empty()) o.train_source = kTrainSource;
    if (o.directory == ".") o.directory = "/out";
    Environment env{fs, out, err};
    status = compile_command(o, env);
    return status;
  }
};

TEST(CompileCommand, CleanSourcesWriteTheThreeFilesAndExitZero) {
  Compilation c;
  EXPECT_EQ(c.run(kLineHead + "[fine]\r\n", kTrainHead + "[fine]\r\n"), exit_status::kOk);
  EXPECT_EQ(c.err.str(), "no error, no warning\n");
  EXPECT_EQ(c.out.str(),
            "wrote /out/PROVA_linea.dat\nwrote /out/PROVA_12.sim\nwrote /out/PROVA_12.dat\n");
  EXPECT_EQ(c.fs.files.at("/out/PROVA_12.dat").size(), 15u * 941);
}

TEST(CompileCommand, TheAuthorsFilesAreOnlyRead) {
  Compilation c;
  const std::string line =
      kLineHead + "cartello_indicatore, 25, (A)\r\ncartello_indicatore, 75, (B)\r\n";
  c.run(line, kTrainHead);
  EXPECT_EQ(c.fs.files.at(kLineSource), line);
  EXPECT_EQ(c.fs.files.at(kTrainSource), kTrainHead);
  for (const std::string& entry : c.fs.log) {
    EXPECT_EQ(entry.rfind("remove", 0), std::string::npos) << entry;
    EXPECT_FALSE(entry.rfind("write /src", 0) == 0) << entry;
  }
}

// An error writes no file, and leaves an older compiled set as it was; the
// files the rules make are written only when asked for.
TEST(CompileCommand, ARecordedCodeIsShownAtItsFieldAndNothingIsWritten) {
  const std::string line = kLineHead +
                           "cartello_indicatore,  27725,   (A)\r\n"
                           "cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)\r\n[fine]\r\n";
  Compilation c;
  c.fs.files["/out/PROVA_12.dat"] = "the last good build";
  c.run(line, kTrainHead + "[fine]\r\n");
  EXPECT_EQ(c.status, exit_status::kScenarioErrors);
  EXPECT_EQ(c.err.str(),
            "/src/PROVA_linea.txt:5:23: error 6: sign on a cell that is already taken, at 27750 m "
            "(cell 556); move the sign to a cell of its own\n"
            "cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)\n"
            "                      ^\n"
            "1 error, no warning\n"
            "scenario-builder compile: no compiled file was written, and any older ones were "
            "left as they are; correct the errors, or give --write-on-error for the files the "
            "rules make of these sources\n");
  EXPECT_EQ(c.fs.files.at("/out/PROVA_12.dat"), "the last good build");
  EXPECT_FALSE(c.fs.files.count("/out/PROVA_12.sim"));

  Compilation asked;
  CompileOptions o;
  o.write_on_error = true;
  asked.run(line, kTrainHead + "[fine]\r\n", o);
  EXPECT_EQ(asked.status, exit_status::kScenarioErrors);
  EXPECT_TRUE(asked.fs.files.count("/out/PROVA_12.dat"));
}

TEST(CompileCommand, CodesOfTheTrainSourcePointIntoIt) {
  Compilation c;
  c.run(kLineHead + "[fine]\r\n",
        kTrainHead + "stazione,  1325, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\r\n");
  EXPECT_EQ(c.status, exit_status::kScenarioErrors);
  EXPECT_NE(c.err.str().find("/src/PROVA_12-.txt:3:12: error 8: station position not a multiple "
                             "of 50, at 1325 m; round the position to a multiple of 50\n"),
            std::string::npos)
      << c.err.str();
}

TEST(CompileCommand, EveryCodeOfThePassIsReported) {
  Compilation c;
  // Two slowdowns whose marks before the start find no free cell: signals fill the cells.
  std::string signals;
  for (int p : {4650, 4700, 4750, 4350, 4400, 4450, 4000, 4050, 4100})
    signals += "segnale, " + std::to_string(p) + ", 1, 1, 0, 0, 0, 0, 0, 0, 0, 0\r\n";
  c.run(kLineHead + "[fine]\r\n",
        kTrainHead + signals + "rallentamento, 5000, 130, 100, 0, 0, 0\r\n");
  EXPECT_EQ(c.status, exit_status::kScenarioErrors);
  const std::string err = c.err.str();
  const std::string expected =
      "/src/PROVA_12-.txt:12:16: error 12: no room for a mark before a slowdown, at 5050 m (cell "
      "101); clear one cell in each of the stretches 250 to 350, 550 to 650 and 900 to 1000 m "
      "before the slowdown\n";
  std::size_t times = 0;
  for (auto i = err.find(expected); i != std::string::npos; i = err.find(expected, i + 1)) ++times;
  EXPECT_EQ(times, 3u) << err;
}

TEST(CompileCommand, WarningsChangeNothingInTheOutput) {
  Compilation c;
  c.run(kLineHead + "[fine]\r\n",
        kTrainHead +
            "velocita, 5000, 90\r\nvelocita, 4000, 70\r\n"
            "stazione,  8000, 300,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\r\n");
  EXPECT_EQ(c.status, exit_status::kOk);
  const std::string err = c.err.str();
  EXPECT_NE(
      err.find("PROVA_12-.txt:4:11: warning: speed row at 4000 m comes after a row at 5000 m"),
      std::string::npos)
      << err;
  EXPECT_NE(
      err.find("PROVA_12-.txt:5:18: warning: the value 300 does not fit its 8-bit field and is "
               "stored as 44"),
      std::string::npos)
      << err;
}

TEST(CompileCommand, AStationEndMarkOverAnElementIsAWarning) {
  Compilation c;
  c.run(kLineHead + "cartello_indicatore, 8050, (S)\r\n[fine]\r\n",
        kTrainHead + "stazione,  8000, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\r\n");
  EXPECT_EQ(c.status, exit_status::kOk);
  EXPECT_NE(c.err.str().find("warning: the end mark of station A overwrites a sign in cell 162"),
            std::string::npos)
      << c.err.str();
}

TEST(CompileCommand, GuardsWriteNothingAndExitThree) {
  Compilation c;
  c.run(kLineHead + "[fine]\r\n", kTrainHead + "segnale, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0\r\n");
  EXPECT_EQ(c.status, exit_status::kFatal);
  EXPECT_NE(c.err.str().find("error 1250"), std::string::npos) << c.err.str();
  EXPECT_EQ(c.fs.files.count("/out/PROVA_12.dat"), 0u);
}

TEST(CompileCommand, NoLineLengthWritesNothing) {
  Compilation c;
  c.run("[generale]\r\nsfondo uno, 1\r\n[x]\r\n[fine]\r\n", kTrainHead);
  EXPECT_EQ(c.status, exit_status::kScenarioErrors);
  EXPECT_NE(c.err.str().find("error 25"), std::string::npos) << c.err.str();
  EXPECT_EQ(c.fs.files.size(), 2u);
}

TEST(CompileCommand, IdentityFromNamesOrOptions) {
  Compilation without;
  CompileOptions o;
  o.line_source = "/src/linea.txt";
  o.train_source = kTrainSource;
  without.fs.files["/src/linea.txt"] = kLineHead;
  Environment env{without.fs, without.out, without.err};
  EXPECT_EQ(compile_command(o, env), exit_status::kUsage);
  EXPECT_NE(without.err.str().find("--scenario"), std::string::npos);

  Compilation with;
  CompileOptions o2;
  o2.scenario = "ALTRO";
  o2.train_number = "7";
  EXPECT_EQ(with.run(kLineHead, kTrainHead, o2), exit_status::kOk);
  EXPECT_TRUE(with.fs.files.count("/out/ALTRO_7.sim"));
}

TEST(CompileCommand, MissingSourceIsReportedByName) {
  Compilation c;
  CompileOptions o;
  o.line_source = "/nowhere/X_linea.txt";
  o.train_source = kTrainSource;
  c.fs.files[kTrainSource] = kTrainHead;
  Environment env{c.fs, c.out, c.err};
  EXPECT_EQ(compile_command(o, env), exit_status::kFileFailure);
  EXPECT_NE(c.err.str().find("/nowhere/X_linea.txt"), std::string::npos);
}

TEST(CompileCommand, JsonCarriesTheOutcome) {
  Compilation c;
  CompileOptions o;
  o.format = ReportFormat::kJson;
  o.no_track_plan = true;
  o.write_on_error = true;
  c.run(kLineHead + "pendenza, 50000, 3\r\n[fine]\r\n", kTrainHead, o);
  EXPECT_EQ(c.status, exit_status::kScenarioErrors);
  EXPECT_EQ(c.err.str(), "");
  const auto j = nlohmann::json::parse(c.out.str());
  EXPECT_EQ(j["code"], 15);
  EXPECT_EQ(j["position"], 50000);
  EXPECT_TRUE(j["fatal"].is_null());
  EXPECT_EQ(j["files"], nlohmann::json({"/out/PROVA_12.sim", "/out/PROVA_12.dat"}));
  ASSERT_EQ(j["diagnostics"].size(), 1u);
  EXPECT_EQ(j["diagnostics"][0]["line"], 4);
  EXPECT_EQ(j["diagnostics"][0]["column"], 11);
  EXPECT_EQ(j["diagnostics"][0]["severity"], "error");
  EXPECT_EQ(j["diagnostics"][0]["code"], 15);
  EXPECT_TRUE(j["diagnostics"][0]["name"].is_null());
  EXPECT_EQ(j["summary"], "1 error, no warning");
}

}  // namespace
}  // namespace sb

namespace sb {
namespace {

namespace fs = std::filesystem;

// The built-in sources through `compile` give the bytes of the one-shot run.
TEST(CompileCommandBuiltIn, SameBytesAsTheOneShotRun) {
  testing::FakePlatform platform;
  MemoryFileSystem run;
  run_sequence(platform, run);

  MemoryFileSystem fs;
  std::ostringstream out, err;
  Environment env{fs, out, err};
  ASSERT_EQ(sources_command(SourcesOptions{"/authors"}, env), exit_status::kOk);
  CompileOptions o;
  o.line_source = "/authors/BORGOLUCE_linea.txt";
  o.train_source = "/authors/BORGOLUCE_5127-.txt";
  o.directory = "/out";
  ASSERT_EQ(compile_command(o, env), exit_status::kOk) << err.str();
  for (const char* name : {"BORGOLUCE_linea.dat", "BORGOLUCE_5127.sim", "BORGOLUCE_5127.dat"})
    EXPECT_EQ(fs.files.at(std::string("/out/") + name),
              run.files.at(std::string("/opt/sim/") + name))
        << name;
}

// Every file operation of `compile` can fail: the failure is reported by
// name, the exit status is 4 (not 1, which is a mistake in the scenario),
// and the author's sources are untouched.
TEST(CompileCommandFaults, EveryFailingOperationIsReportedAndTheSourcesSurvive) {
  auto prepare = [](MemoryFileSystem& fs) {
    fs.files[kLineSource] = kLineHead + "[fine]\r\n";
    fs.files[kTrainSource] = kTrainHead + "[fine]\r\n";
  };
  CompileOptions o;
  o.line_source = kLineSource;
  o.train_source = kTrainSource;
  o.directory = "/out";
  MemoryFileSystem clean;
  prepare(clean);
  {
    std::ostringstream out, err;
    Environment env{clean, out, err};
    ASSERT_EQ(compile_command(o, env), exit_status::kOk);
  }
  const int operation_count = static_cast<int>(clean.log.size());
  for (int n = 1; n <= operation_count; ++n) {
    const std::string operation = clean.log[static_cast<std::size_t>(n - 1)];
    if (operation.rfind("exists ", 0) == 0 || operation.rfind("mkdir ", 0) == 0) continue;
    MemoryFileSystem fs;
    prepare(fs);
    fs.fail_at = n;
    std::ostringstream out, err;
    Environment env{fs, out, err};
    EXPECT_EQ(compile_command(o, env), exit_status::kFileFailure) << operation;
    const std::string path = operation.substr(operation.find(' ') + 1);
    EXPECT_NE(err.str().find(path), std::string::npos) << err.str();
    EXPECT_EQ(fs.files.at(kLineSource), kLineHead + "[fine]\r\n");
    EXPECT_EQ(fs.files.at(kTrainSource), kTrainHead + "[fine]\r\n");
  }
}

// On disk: the built-in sources written into a directory of the test's own,
// removed afterwards whatever the outcome.
class CompileCommandOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir_);
    ASSERT_EQ(sources_command(SourcesOptions{dir_.string()}, env_), exit_status::kOk) << err_.str();
  }
  void TearDown() override { fs::remove_all(dir_); }

  const fs::path dir_ = fs::temp_directory_path() / ("sb_compile_" + std::to_string(::getpid()));
  DiskFileSystem disk_;
  std::ostringstream out_, err_;
  Environment env_{disk_, out_, err_};
};

// The sources keep their bytes and their time stamps.
TEST_F(CompileCommandOnDisk, SourcesKeepTheirBytesAndTimeStamps) {
  const fs::path line = dir_ / "BORGOLUCE_linea.txt";
  const fs::path train = dir_ / "BORGOLUCE_5127-.txt";
  const auto line_time = fs::last_write_time(line);
  const auto train_time = fs::last_write_time(train);
  const std::string line_bytes = disk_.read(line.string());
  CompileOptions o;
  o.line_source = line.string();
  o.train_source = train.string();
  o.directory = dir_.string();  // the compiled files beside the sources
  EXPECT_EQ(compile_command(o, env_), exit_status::kOk) << err_.str();
  EXPECT_EQ(fs::last_write_time(line), line_time);
  EXPECT_EQ(fs::last_write_time(train), train_time);
  EXPECT_EQ(disk_.read(line.string()), line_bytes);
  EXPECT_TRUE(fs::exists(dir_ / "BORGOLUCE_5127.dat"));
}

// An output that is a source under another name is refused before anything is
// read or written: here the line source is named like the track plan.
TEST_F(CompileCommandOnDisk, AnOutputThatIsASourceIsRefused) {
  const fs::path line = dir_ / "BORGOLUCE_linea.dat";
  fs::rename(dir_ / "BORGOLUCE_linea.txt", line);
  const std::string bytes = disk_.read(line.string());
  CompileOptions o;
  o.line_source = line.string();
  o.train_source = (dir_ / "BORGOLUCE_5127-.txt").string();
  o.scenario = "BORGOLUCE";
  o.directory = (dir_ / "." / ".." / dir_.filename()).string();
  EXPECT_EQ(compile_command(o, env_), exit_status::kUsage);
  EXPECT_NE(err_.str().find("would replace a source"), std::string::npos) << err_.str();
  EXPECT_EQ(disk_.read(line.string()), bytes);
  EXPECT_FALSE(fs::exists(dir_ / "BORGOLUCE_5127.dat"));
}

}  // namespace
}  // namespace sb
