// `check` and the engine behind it: every mistake of an author reported at
// its own row, in one run, with the right severity and name, and nothing
// written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/warnings.h"
#include "sources/file_names.h"
#include "sources/line_source.h"
#include "sources/train_source.h"
#include "support/memory_file_system.h"
#include "tools/analysis.h"
#include "tools/commands.h"

namespace sb {
namespace {

using testing::MemoryFileSystem;

constexpr char kLine[] = "T_linea.txt";
constexpr char kTrain[] = "T_1-.txt";
const std::string kLineHead = "[generale]\r\nlunghezza percorso, 40000\r\n[cartelli]\r\n";
const std::string kTrainHead = "[generale]\r\nvelocita, 0, 80\r\n";

std::vector<Diagnostic> check(const std::string& line, const std::string& train,
                              const WarningOptions& w = {}) {
  const ScenarioSources s{"T", "1", kLine, kTrain, &line, &train};
  return analyse(s, TrackPlanOutput::kWrite, w, AnalysisDepth::kCheck).diagnostics;
}

std::string describe(const std::vector<Diagnostic>& ds) {
  std::string s;
  for (const Diagnostic& d : ds)
    s += d.file + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + " " +
         (d.is_error ? "error " : "warning ") + std::to_string(d.code) + " " + d.message + "\n";
  return s;
}

// One mistake an author makes, where it is reported, and how.
struct Mistake {
  const char* what;
  std::string line_rows;   // after kLineHead
  std::string train_rows;  // after kTrainHead (or the whole train source when not starting with [)
  const char* file;
  int line, column;
  bool error;
  Long code;            // for an error
  const char* name;     // for a warning
  const char* excerpt;  // a piece of the message
};

const Mistake kMistakes[] = {
    {"misspelt line keyword", "pendnza, 1100, 7\r\n", "", kLine, 4, 1, false, 0, "unknown-keyword",
     "did you mean `pendenza`?"},
    {"misspelt train keyword", "", "velocta, 800, 95\r\n", kTrain, 3, 1, false, 0,
     "unknown-keyword", "did you mean `velocita`?"},
    {"natural plural", "", "stazioni, 1000, 12, 300, 0,0,0, 0,0,0, 0,0,0, 0, 7,0,0, A\r\n", kTrain,
     3, 1, false, 0, "unknown-keyword", "did you mean `stazione`?"},
    {"capital letter", "", "", kLine, 0, 0, false, 0, "keyword-case", "lower case"},
    {"row in the wrong section", "lunghezza percorso, 9000\r\n", "", kLine, 4, 1, false, 0,
     "wrong-section", "[generale]"},
    {"line keyword in the train source", "", "pendenza, 100, 3\r\n", kTrain, 3, 1, false, 0,
     "wrong-section", "line source"},
    {"unknown section", "[segnaletica]\r\n", "", kLine, 4, 1, false, 0, "unknown-section",
     "[segnaletica]"},
    {"train source without [generale]", "", "[treno]\r\nvelocita, 0, 80\r\n", kTrain, 1, 1, false,
     0, "no-generale", "nothing of it is read"},
    {"UTF-8 text", "cartello_indicatore, 5000, (CITT\xC3\x80)\r\n", "", kLine, 4, 22, false, 0,
     "not-windows-1252", "UTF-8"},
    {"element in the run-out", "cartello_indicatore, 41000, (A)\r\n", "", kLine, 4, 22, false, 0,
     "beyond-line-end", "in the run-out"},
    {"overlapping curves", "curvad2, 1000, 800\r\ncurvas3, 1500, 300\r\n", "", kLine, 5, 10, false,
     0, "overlapping-curves", "before the curve above it ends at 1800 m"},
    {"board against the speed limit", "indicatori_vmax, 900, 90, 95, 100, 0, 0, 0, 0, 0\r\n", "",
     kLine, 4, 18, false, 0, "board-speed", "speed limit of the train source there is 80"},
    {"times backwards", "",
     "stazione, 1000, 12, 300, 0,0,0, 0,0,0, 0,0,0, 0, 8,10,0, A\r\n"
     "stazione, 3000, 12, 300, 0,0,0, 0,0,0, 0,0,0, 0, 8, 5,0, B\r\n",
     kTrain, 4, 11, false, 0, "time-backwards", "before A"},
    {"timetable faster than the speed limits", "",
     "stazione, 1000, 12, 300, 0,0,0, 0,0,0, 0,0,0, 0, 8,10,0, A\r\n"
     "stazione, 3000, 12, 300, 0,0,0, 0,0,0, 0,0,0, 0, 8,11,0, B\r\n",
     kTrain, 4, 11, false, 0, "timetable-faster-than-limits",
     "gives 1 min 0 s from A (1+000, 08:10:00) to B (3+000, 08:11:00), but the speed limits need "
     "at least 1 min 30 s"},
    {"a number missing", "",
     "segnale, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1\r\nsegnale, 9000, 2, 2, 3, 0, 0, 0, 0, 0, 0, 0\r\n",
     kTrain, 3, 1, true, 25, nullptr,
     "`segnale` needs 11 numbers; this row has 10, and the next line's `segnale` was "
     "read as the 11th"},
    {"a comma missing", "", "segnale 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0\r\nvelocita, 9000, 60\r\n",
     kTrain, 3, 1, true, 25, nullptr, "a comma is missing after the keyword"},
    {"a keyword in a header", "", "velocita, 800, 70\r\n[velocita]\r\nvelocita, 900, 60\r\n",
     kTrain, 4, 1, true, 25, nullptr, "the header `[velocita]` holds a keyword"},
    {"a text left out", "cartello_indicatore, 5000\r\ncartello_indicatore, 6000, (B)\r\n", "",
     kLine, 4, 1, false, 0, "row-continues", "the next line's `cartello_indicatore`"},
    {"a sign in the reserved cell", "cartello_indicatore, 0, (A)\r\n", "", kLine, 4, 22, true, 1250,
     nullptr, "a sign at 0 m falls into cell 1, which the compiler reserves"},
};

TEST(Check, EachMistakeIsReportedAtItsRowInTheAuthorsWords) {
  for (const Mistake& m : kMistakes) {
    std::string line = kLineHead + m.line_rows + "[fine]\r\n";
    if (std::string(m.what) == "capital letter")
      line = "[generale]\r\nlunghezza percorso, 40000\r\nSfondo uno, 1\r\n[cartelli]\r\n[fine]\r\n";
    const std::string train = !m.train_rows.empty() && m.train_rows[0] == '['
                                  ? m.train_rows + "[fine]\r\n"
                                  : kTrainHead + m.train_rows + "[fine]\r\n";
    const std::vector<Diagnostic> ds = check(line, train);
    ASSERT_EQ(ds.size(), 1u) << m.what << "\n" << describe(ds);
    const Diagnostic& d = ds[0];
    EXPECT_EQ(d.file, m.file) << m.what;
    if (std::string(m.what) == "capital letter") {
      EXPECT_EQ(d.line, 3) << m.what;
    } else {
      EXPECT_EQ(d.line, m.line) << m.what;
      EXPECT_EQ(d.column, m.column) << m.what;
    }
    EXPECT_EQ(d.is_error, m.error) << m.what;
    if (m.error) {
      EXPECT_EQ(d.code, m.code) << m.what;
    }
    if (m.name != nullptr) {
      ASSERT_TRUE(d.warning) << m.what;
      EXPECT_EQ(warning_info(*d.warning).name, m.name) << m.what;
    }
    EXPECT_NE(d.message.find(m.excerpt), std::string::npos) << m.what << ": " << d.message;
  }
}

// Five independent mistakes in one source: all five, each at its own row, and
// no error that only follows from an earlier one.
TEST(Check, EveryErrorInOneRun) {
  const std::string line = kLineHead +
                           "cartello_indicatore, 1000, (A)\r\n"
                           "cartello_indicatore, 1000, (B)\r\n"                    // 6: cell taken
                           "indicatori_vmax, 2000, x, 95, 100, 0, 0, 0, 0, 0\r\n"  // 25
                           "cartello_indicatore, 3000, (C)\r\n"
                           "pendenza, 99000, 3\r\n"  // 15
                           "cartello_indicatore, 5000, (D)\r\n[fine]\r\n";
  const std::string train = kTrainHead +
                            "stazione, 1325, 12, 300, 0,0,0, 0,0,0, 0,0,0, 0, 7,0,0, A\r\n"  // 8
                            "segnale, 8000, 2, 2, 3, 0, 0, 0, 0, 0, 0, 0\r\n"
                            "segnale, 8000, 2, 2, 3, 0, 0, 0, 0, 0, 0, 0\r\n"  // 16
                            "[fine]\r\n";
  const std::vector<Diagnostic> ds = check(line, train);
  struct Expected {
    const char* file;
    int line;
    Long code;
  } const expected[] = {
      {kLine, 5, 6}, {kLine, 6, 25}, {kLine, 8, 15}, {kTrain, 3, 8}, {kTrain, 5, 16}};
  ASSERT_EQ(ds.size(), std::size(expected)) << describe(ds);
  for (std::size_t i = 0; i < ds.size(); ++i) {
    EXPECT_EQ(ds[i].file, expected[i].file) << i;
    EXPECT_EQ(ds[i].line, expected[i].line) << i;
    EXPECT_EQ(ds[i].code, expected[i].code) << i;
    EXPECT_TRUE(ds[i].is_error) << i;
  }
  // The rows after each refused one were read: the last sign is stored.
}

TEST(Check, TheBuiltInSourcesHaveNoErrorAndNoWarning) {
  const std::string line = document_text(dati_linea());
  const std::string train = document_text(dati_treno());
  const ScenarioSources s{kBuiltinScenario, kBuiltinTrain, "L", "T", &line, &train};
  EXPECT_EQ(describe(analyse(s, TrackPlanOutput::kWrite, {}, AnalysisDepth::kCheck).diagnostics),
            "");
  EXPECT_EQ(describe(analyse(s, TrackPlanOutput::kWrite, {}).diagnostics), "");
}

// compile gives the same list as check: by the rules the reading stops at the
// first code, and the engine reads again past every refused row.
TEST(Check, CompileReportsTheSameList) {
  const std::string line = kLineHead +
                           "cartello_indicatore, 1000, (A)\r\ncartello_indicatore, 1000, (B)\r\n"
                           "pendnza, 3000, 3\r\n[fine]\r\n";
  const std::string train = kTrainHead +
                            "segnale, 8000, 2, 2, 3, 0, 0, 0, 0, 0, 0, 0\r\n"
                            "segnale, 8000, 2, 2, 3, 0, 0, 0, 0, 0, 0, 0\r\n[fine]\r\n";
  const ScenarioSources s{"T", "1", kLine, kTrain, &line, &train};
  const Analysis rules = analyse(s, TrackPlanOutput::kWrite, {});
  const Analysis checked = analyse(s, TrackPlanOutput::kWrite, {}, AnalysisDepth::kCheck);
  EXPECT_EQ(describe(rules.diagnostics), describe(checked.diagnostics));
  EXPECT_EQ(rules.diagnostics.size(), 3u) << describe(rules.diagnostics);
  // The model of the rules stopped at the first code.
  EXPECT_EQ(rules.model->codice_errore, 6);
}

struct CommandRun {
  MemoryFileSystem fs;
  std::ostringstream out, err;
  int status = -1;

  int run(const std::string& line, const std::string& train, CheckOptions o = {}) {
    fs.files["/s/T_linea.txt"] = line;
    fs.files["/s/T_1-.txt"] = train;
    if (o.line_source.empty()) o.line_source = "/s/T_linea.txt";
    if (o.train_source.empty()) o.train_source = "/s/T_1-.txt";
    Environment env{fs, out, err};
    status = check_command(o, env);
    return status;
  }
};

TEST(CheckCommand, ExitStatusesWarningOptionsAndSummary) {
  const std::string clean = kLineHead + "[fine]\r\n";
  const std::string warned = kLineHead + "pendnza, 100, 3\r\n[fine]\r\n";
  const std::string wrong = kLineHead + "pendenza, 99000, 3\r\n[fine]\r\n";
  const std::string train = kTrainHead + "[fine]\r\n";
  {
    CommandRun c;
    EXPECT_EQ(c.run(clean, train), exit_status::kOk);
    EXPECT_EQ(c.err.str(), "no error, no warning\n");
  }
  {
    CommandRun c;
    EXPECT_EQ(c.run(warned, train), exit_status::kOk);
    EXPECT_NE(c.err.str().find("[-Wunknown-keyword]\n"), std::string::npos) << c.err.str();
    EXPECT_NE(c.err.str().find("no error, 1 warning\n"), std::string::npos);
  }
  {
    CommandRun c;
    CheckOptions o;
    o.warning_flags = {"no-unknown-keyword"};
    EXPECT_EQ(c.run(warned, train, o), exit_status::kOk);
    EXPECT_EQ(c.err.str(), "no error, no warning\n");
  }
  {
    CommandRun c;
    CheckOptions o;
    o.werror = true;
    EXPECT_EQ(c.run(warned, train, o), exit_status::kScenarioErrors);
    EXPECT_NE(c.err.str().find(": error: unknown keyword `pendnza`"), std::string::npos)
        << c.err.str();
    EXPECT_NE(c.err.str().find("[-Werror=unknown-keyword]"), std::string::npos);
  }
  {
    CommandRun c;
    EXPECT_EQ(c.run(wrong, train), exit_status::kScenarioErrors);
    EXPECT_NE(c.err.str().find("1 error, no warning\n"), std::string::npos);
  }
  {
    CommandRun c;
    CheckOptions o;
    o.warning_flags = {"no-such-warning"};
    EXPECT_EQ(c.run(clean, train, o), exit_status::kUsage);
    EXPECT_NE(c.err.str().find("unknown-keyword"), std::string::npos);  // the list of names
  }
  {
    CommandRun c;
    CheckOptions o;
    o.line_source = "/nowhere/T_linea.txt";
    EXPECT_EQ(c.run(clean, train, o), exit_status::kFileFailure);
  }
  {
    CommandRun c;
    c.run(wrong, train);
    for (const std::string& entry : c.fs.log) {
      EXPECT_TRUE(entry.rfind("read ", 0) == 0) << "check only reads: " << entry;
    }
  }
}

TEST(CheckCommand, JsonCarriesEveryDiagnosticWithItsName) {
  CommandRun c;
  CheckOptions o;
  o.format = ReportFormat::kJson;
  c.run(kLineHead + "pendnza, 100, 3\r\npendenza, 99000, 3\r\n[fine]\r\n", kTrainHead, o);
  EXPECT_EQ(c.status, exit_status::kScenarioErrors);
  EXPECT_EQ(c.err.str(), "");
  const auto j = nlohmann::json::parse(c.out.str());
  ASSERT_EQ(j["diagnostics"].size(), 2u);
  EXPECT_EQ(j["diagnostics"][0]["severity"], "warning");
  EXPECT_EQ(j["diagnostics"][0]["name"], "unknown-keyword");
  EXPECT_TRUE(j["diagnostics"][0]["code"].is_null());
  EXPECT_EQ(j["diagnostics"][1]["code"], 15);
  EXPECT_EQ(j["summary"], "1 error, 1 warning");
}

TEST(SourcesCommand, AnAuthorsSourcesAreNeverOverwrittenUnlessAsked) {
  MemoryFileSystem fs;
  fs.files["/w/BORGOLUCE_linea.txt"] = "my own line";
  std::ostringstream out, err;
  Environment env{fs, out, err};
  EXPECT_EQ(sources_command(SourcesOptions{"/w", false}, env), exit_status::kFileFailure);
  EXPECT_EQ(fs.files.at("/w/BORGOLUCE_linea.txt"), "my own line");
  EXPECT_FALSE(fs.files.count("/w/BORGOLUCE_5127-.txt"));
  EXPECT_NE(err.str().find("--force"), std::string::npos);
  EXPECT_EQ(sources_command(SourcesOptions{"/w", true}, env), exit_status::kOk);
  EXPECT_EQ(fs.files.at("/w/BORGOLUCE_linea.txt"), document_text(dati_linea()));
}

}  // namespace
}  // namespace sb
