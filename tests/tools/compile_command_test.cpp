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

constexpr char kLine[] = "/src/PROVA_linea.txt";
constexpr char kBuiltinTrain[] = "/src/PROVA_12-.txt";

const std::string kLineHead = "[generale]\r\nlunghezza percorso,    40000\r\n[cartelli]\r\n";
const std::string kTestaTreno = "[generale]\r\nvelocita,   0,    80\r\n";

struct Compilazione {
  MemoryFileSystem fs;
  std::ostringstream out, err;
  int stato = -1;

  int esegui(const std::string& linea, const std::string& treno, CompileOptions o = {}) {
    fs.files[kLine] = linea;
    fs.files[kBuiltinTrain] = treno;
    if (o.line_source.empty()) o.line_source = kLine;
    if (o.train_source.empty()) o.train_source = kBuiltinTrain;
    if (o.directory == ".") o.directory = "/out";
    Environment a{fs, out, err};
    stato = compile_command(o, a);
    return stato;
  }
};

TEST(CompileCommand, CleanSourcesWriteTheThreeFilesAndExitZero) {
  Compilazione c;
  EXPECT_EQ(c.esegui(kLineHead + "[fine]\r\n", kTestaTreno + "[fine]\r\n"), exit_status::kOk);
  EXPECT_EQ(c.err.str(), "");
  EXPECT_EQ(c.out.str(),
            "wrote /out/PROVA_linea.dat\nwrote /out/PROVA_12.sim\nwrote /out/PROVA_12.dat\n");
  EXPECT_EQ(c.fs.files.at("/out/PROVA_12.dat").size(), 15u * 941);
}

TEST(CompileCommand, TheAuthorsFilesAreOnlyRead) {
  Compilazione c;
  const std::string linea =
      kLineHead + "cartello_indicatore, 25, (A)\r\ncartello_indicatore, 75, (B)\r\n";
  c.esegui(linea, kTestaTreno);
  EXPECT_EQ(c.fs.files.at(kLine), linea);
  EXPECT_EQ(c.fs.files.at(kBuiltinTrain), kTestaTreno);
  for (const std::string& entry : c.fs.log) {
    EXPECT_EQ(entry.rfind("remove", 0), std::string::npos) << entry;
    EXPECT_FALSE(entry.rfind("write /src", 0) == 0) << entry;
  }
}

TEST(CompileCommand, ARecordedCodeIsShownAtItsFieldAndTheFilesAreStillWritten) {
  Compilazione c;
  c.esegui(kLineHead +
               "cartello_indicatore,  27725,   (A)\r\n"
               "cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)\r\n[fine]\r\n",
           kTestaTreno + "[fine]\r\n");
  EXPECT_EQ(c.stato, exit_status::kScenarioErrors);
  EXPECT_EQ(c.err.str(),
            "/src/PROVA_linea.txt:5:23: error 6: sign on a cell that is already taken, at 27750 m "
            "(cell 556)\n"
            "cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)\n"
            "                      ^\n");
  EXPECT_TRUE(c.fs.files.count("/out/PROVA_12.dat"));
}

TEST(CompileCommand, CodesOfTheTrainSourcePointIntoIt) {
  Compilazione c;
  c.esegui(
      kLineHead + "[fine]\r\n",
      kTestaTreno + "stazione,  1325, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\r\n");
  EXPECT_EQ(c.stato, exit_status::kScenarioErrors);
  EXPECT_NE(c.err.str().find("/src/PROVA_12-.txt:3:12: error 8: station position not a multiple "
                             "of 50, at 1325 m\n"),
            std::string::npos)
      << c.err.str();
}

TEST(CompileCommand, EveryCodeOfThePassIsReported) {
  Compilazione c;
  // Two slowdowns whose marks before the start find no free cell: signals fill the cells.
  std::string segnali;
  for (int p : {4650, 4700, 4750, 4350, 4400, 4450, 4000, 4050, 4100})
    segnali += "segnale, " + std::to_string(p) + ", 1, 1, 0, 0, 0, 0, 0, 0, 0, 0\r\n";
  c.esegui(kLineHead + "[fine]\r\n",
           kTestaTreno + segnali + "rallentamento, 5000, 130, 100, 0, 0, 0\r\n");
  EXPECT_EQ(c.stato, exit_status::kScenarioErrors);
  const std::string err = c.err.str();
  const std::string atteso =
      "/src/PROVA_12-.txt:12:16: error 12: no room for a mark before a slowdown, at 5050 m (cell "
      "101)\n";
  std::size_t volte = 0;
  for (auto i = err.find(atteso); i != std::string::npos; i = err.find(atteso, i + 1)) ++volte;
  EXPECT_EQ(volte, 3u) << err;
}

TEST(CompileCommand, WarningsChangeNothingInTheOutput) {
  Compilazione c;
  c.esegui(kLineHead + "[fine]\r\n",
           kTestaTreno +
               "velocita, 5000, 90\r\nvelocita, 4000, 70\r\n"
               "stazione,  8000, 300,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\r\n");
  EXPECT_EQ(c.stato, exit_status::kOk);
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
  Compilazione c;
  c.esegui(
      kLineHead + "cartello_indicatore, 8050, (S)\r\n[fine]\r\n",
      kTestaTreno + "stazione,  8000, 12,  300,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, A\r\n");
  EXPECT_EQ(c.stato, exit_status::kOk);
  EXPECT_NE(c.err.str().find("warning: the end mark of station A overwrites a sign in cell 162"),
            std::string::npos)
      << c.err.str();
}

TEST(CompileCommand, GuardsWriteNothingAndExitThree) {
  Compilazione c;
  c.esegui(kLineHead + "[fine]\r\n",
           kTestaTreno + "segnale, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0\r\n");
  EXPECT_EQ(c.stato, exit_status::kFatal);
  EXPECT_NE(c.err.str().find("error 1250"), std::string::npos) << c.err.str();
  EXPECT_EQ(c.fs.files.count("/out/PROVA_12.dat"), 0u);
}

TEST(CompileCommand, NoLineLengthWritesNothing) {
  Compilazione c;
  c.esegui("[generale]\r\nsfondo uno, 1\r\n[x]\r\n[fine]\r\n", kTestaTreno);
  EXPECT_EQ(c.stato, exit_status::kScenarioErrors);
  EXPECT_NE(c.err.str().find("error 25"), std::string::npos) << c.err.str();
  EXPECT_EQ(c.fs.files.size(), 2u);
}

TEST(CompileCommand, IdentityFromNamesOrOptions) {
  Compilazione senza;
  CompileOptions o;
  o.line_source = "/src/linea.txt";
  o.train_source = kBuiltinTrain;
  senza.fs.files["/src/linea.txt"] = kLineHead;
  Environment a{senza.fs, senza.out, senza.err};
  EXPECT_EQ(compile_command(o, a), exit_status::kUsage);
  EXPECT_NE(senza.err.str().find("--scenario"), std::string::npos);

  Compilazione con;
  CompileOptions o2;
  o2.scenario = "ALTRO";
  o2.train_number = "7";
  EXPECT_EQ(con.esegui(kLineHead, kTestaTreno, o2), exit_status::kOk);
  EXPECT_TRUE(con.fs.files.count("/out/ALTRO_7.sim"));
}

TEST(CompileCommand, MissingSourceIsReportedByName) {
  Compilazione c;
  CompileOptions o;
  o.line_source = "/nowhere/X_linea.txt";
  o.train_source = kBuiltinTrain;
  c.fs.files[kBuiltinTrain] = kTestaTreno;
  Environment a{c.fs, c.out, c.err};
  EXPECT_EQ(compile_command(o, a), exit_status::kScenarioErrors);
  EXPECT_NE(c.err.str().find("/nowhere/X_linea.txt"), std::string::npos);
}

TEST(CompileCommand, JsonCarriesTheOutcome) {
  Compilazione c;
  CompileOptions o;
  o.json = true;
  o.no_track_plan = true;
  c.esegui(kLineHead + "pendenza, 50000, 3\r\n[fine]\r\n", kTestaTreno, o);
  EXPECT_EQ(c.stato, exit_status::kScenarioErrors);
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
  Environment a{fs, out, err};
  ASSERT_EQ(sources_command(SourcesOptions{"/authors"}, a), exit_status::kOk);
  CompileOptions o;
  o.line_source = "/authors/BORGOLUCE_linea.txt";
  o.train_source = "/authors/BORGOLUCE_5127-.txt";
  o.directory = "/out";
  ASSERT_EQ(compile_command(o, a), exit_status::kOk) << err.str();
  for (const char* nome : {"BORGOLUCE_linea.dat", "BORGOLUCE_5127.sim", "BORGOLUCE_5127.dat"})
    EXPECT_EQ(fs.files.at(std::string("/out/") + nome),
              run.files.at(std::string("/opt/sim/") + nome))
        << nome;
}

// Every file operation of `compile` can fail: the failure is reported by
// name, the exit status is 1, and the author's sources are untouched.
TEST(CompileCommandFaults, EveryFailingOperationIsReportedAndTheSourcesSurvive) {
  auto prepara = [](MemoryFileSystem& fs) {
    fs.files[kLine] = kLineHead + "[fine]\r\n";
    fs.files[kBuiltinTrain] = kTestaTreno + "[fine]\r\n";
  };
  CompileOptions o;
  o.line_source = kLine;
  o.train_source = kBuiltinTrain;
  o.directory = "/out";
  MemoryFileSystem pulito;
  prepara(pulito);
  {
    std::ostringstream out, err;
    Environment a{pulito, out, err};
    ASSERT_EQ(compile_command(o, a), exit_status::kOk);
  }
  const int operazioni = static_cast<int>(pulito.log.size());
  for (int n = 1; n <= operazioni; ++n) {
    const std::string operazione = pulito.log[static_cast<std::size_t>(n - 1)];
    if (operazione.rfind("exists ", 0) == 0 || operazione.rfind("mkdir ", 0) == 0) continue;
    MemoryFileSystem fs;
    prepara(fs);
    fs.fail_at = n;
    std::ostringstream out, err;
    Environment a{fs, out, err};
    EXPECT_EQ(compile_command(o, a), exit_status::kScenarioErrors) << operazione;
    const std::string path = operazione.substr(operazione.find(' ') + 1);
    EXPECT_NE(err.str().find(path), std::string::npos) << err.str();
    EXPECT_EQ(fs.files.at(kLine), kLineHead + "[fine]\r\n");
    EXPECT_EQ(fs.files.at(kBuiltinTrain), kTestaTreno + "[fine]\r\n");
  }
}

// On disk: the built-in sources written into a directory of the test's own,
// removed afterwards whatever the outcome.
class CompileCommandOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir_);
    ASSERT_EQ(sources_command(SourcesOptions{dir_.string()}, a_), exit_status::kOk) << err_.str();
  }
  void TearDown() override { fs::remove_all(dir_); }

  const fs::path dir_ = fs::temp_directory_path() / ("sb_compile_" + std::to_string(::getpid()));
  DiskFileSystem disk_;
  std::ostringstream out_, err_;
  Environment a_{disk_, out_, err_};
};

// The sources keep their bytes and their time stamps.
TEST_F(CompileCommandOnDisk, SourcesKeepTheirBytesAndTimeStamps) {
  const fs::path linea = dir_ / "BORGOLUCE_linea.txt";
  const fs::path treno = dir_ / "BORGOLUCE_5127-.txt";
  const auto t_linea = fs::last_write_time(linea);
  const auto t_treno = fs::last_write_time(treno);
  const std::string b_linea = disk_.read(linea.string());
  CompileOptions o;
  o.line_source = linea.string();
  o.train_source = treno.string();
  o.directory = dir_.string();  // the compiled files beside the sources
  EXPECT_EQ(compile_command(o, a_), exit_status::kOk) << err_.str();
  EXPECT_EQ(fs::last_write_time(linea), t_linea);
  EXPECT_EQ(fs::last_write_time(treno), t_treno);
  EXPECT_EQ(disk_.read(linea.string()), b_linea);
  EXPECT_TRUE(fs::exists(dir_ / "BORGOLUCE_5127.dat"));
}

// An output that is a source under another name is refused before anything is
// read or written: here the line source is named like the track plan.
TEST_F(CompileCommandOnDisk, AnOutputThatIsASourceIsRefused) {
  const fs::path linea = dir_ / "BORGOLUCE_linea.dat";
  fs::rename(dir_ / "BORGOLUCE_linea.txt", linea);
  const std::string bytes = disk_.read(linea.string());
  CompileOptions o;
  o.line_source = linea.string();
  o.train_source = (dir_ / "BORGOLUCE_5127-.txt").string();
  o.scenario = "BORGOLUCE";
  o.directory = (dir_ / "." / ".." / dir_.filename()).string();
  EXPECT_EQ(compile_command(o, a_), exit_status::kUsage);
  EXPECT_NE(err_.str().find("would replace a source"), std::string::npos) << err_.str();
  EXPECT_EQ(disk_.read(linea.string()), bytes);
  EXPECT_FALSE(fs::exists(dir_ / "BORGOLUCE_5127.dat"));
}

}  // namespace
}  // namespace sb
