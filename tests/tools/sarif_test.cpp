#include "tools/sarif.h"

#include <gtest/gtest.h>

#include <cctype>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "compiler/error_codes.h"
#include "compiler/warnings.h"

namespace sb {
namespace {

using nlohmann::json;

Diagnostic error_at(Long code, std::string file, int line, int column,
                    std::optional<Long> position = std::nullopt) {
  Diagnostic d;
  d.code = code;
  d.file = std::move(file);
  d.line = line;
  d.column = column;
  d.message = error_message(code);
  d.position = position;
  return d;
}

Diagnostic warning_at(Warning w, std::string file, int line, int column) {
  Diagnostic d;
  d.is_error = false;
  d.warning = w;
  d.file = std::move(file);
  d.line = line;
  d.column = column;
  d.message = std::string(warning_info(w).summary);
  return d;
}

json sarif_of(const std::vector<Diagnostic>& diagnostics) {
  return json::parse(diagnostics_sarif(diagnostics, "1.2.3"));
}

const json& run_of(const json& log) {
  return log.at("runs").at(0);
}

const json& rules_of(const json& log) {
  return run_of(log).at("tool").at("driver").at("rules");
}

// The rule a result points at, checked to carry the result's own id.
const json& rule_of(const json& log, const json& result) {
  const json& rule = rules_of(log).at(result.at("ruleIndex").get<std::size_t>());
  EXPECT_EQ(rule.at("id"), result.at("ruleId"));
  return rule;
}

TEST(SarifLog, HeaderNamesTheFormatAndTheTool) {
  const json log = sarif_of({});
  EXPECT_EQ(log.at("version"), "2.1.0");
  EXPECT_EQ(log.at("$schema").get<std::string>().rfind("https://", 0), 0u);
  ASSERT_EQ(log.at("runs").size(), 1u);
  const json& driver = run_of(log).at("tool").at("driver");
  EXPECT_EQ(driver.at("name"), "scenario-builder");
  EXPECT_EQ(driver.at("version"), "1.2.3");
  EXPECT_FALSE(driver.contains("informationUri"));
  // A clean compilation still says that it looked: an empty list, not none.
  ASSERT_TRUE(run_of(log).at("results").is_array());
  EXPECT_TRUE(run_of(log).at("results").empty());
}

TEST(SarifLog, SameDiagnosticsGiveTheSameBytes) {
  const std::vector<Diagnostic> diagnostics = {error_at(kSignCellTaken, "a.txt", 3, 5, 27750),
                                               warning_at(Warning::kUnknownKeyword, "b.txt", 7, 1)};
  const std::string first = diagnostics_sarif(diagnostics, "1.2.3");
  EXPECT_EQ(diagnostics_sarif(diagnostics, "1.2.3"), first);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.back(), '\n');
  // The conventional head of a SARIF file, not keys sorted alphabetically.
  EXPECT_LT(first.find("\"$schema\""), first.find("\"version\""));
  EXPECT_LT(first.find("\"version\""), first.find("\"runs\""));
}

TEST(SarifRules, EveryCodeAndEveryWarningHasExactlyOneRuleInTableOrder) {
  const json log = sarif_of({});
  const json& rules = rules_of(log);
  std::vector<std::string> expected;
  for (const ErrorCodeInfo& info : error_code_table())
    if (info.code != kNoError) expected.push_back("E" + std::to_string(info.code));
  for (const WarningInfo& info : warning_table()) expected.push_back(std::string(info.name));

  std::vector<std::string> ids;
  for (const json& rule : rules) ids.push_back(rule.at("id").get<std::string>());
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
}

TEST(SarifRules, DescriptionsAndLevelsComeFromTheTables) {
  const json log = sarif_of({});
  std::size_t i = 0;
  const json& rules = rules_of(log);
  for (const ErrorCodeInfo& info : error_code_table()) {
    if (info.code == kNoError) continue;
    const json& rule = rules.at(i++);
    // The message with its limits filled in, never the raw "{}".
    EXPECT_EQ(rule.at("shortDescription").at("text"), error_message(info.code)) << info.code;
    EXPECT_EQ(rule.at("defaultConfiguration").at("level"), "error") << info.code;
    const std::string full = rule.at("fullDescription").at("text");
    EXPECT_NE(full.find(error_message(info.code)), std::string::npos) << info.code;
    EXPECT_EQ(full.find("Fatal") != std::string::npos, info.fatal) << info.code;
  }
  for (const WarningInfo& info : warning_table()) {
    const json& rule = rules.at(i++);
    EXPECT_EQ(rule.at("shortDescription").at("text"), info.summary) << info.name;
    EXPECT_EQ(rule.at("defaultConfiguration").at("level"), "warning") << info.name;
    // The example is the author's UTF-8 text, kept as written.
    EXPECT_NE(rule.at("fullDescription").at("text").get<std::string>().find(info.example),
              std::string::npos)
        << info.name;
  }
}

TEST(SarifResults, AnErrorPointsAtItsCodesRuleAndPlace) {
  const json log = sarif_of({error_at(kStationNotMultipleOf50, "work/V_2041-.txt", 61, 12, 1325)});
  const json& result = run_of(log).at("results").at(0);
  EXPECT_EQ(result.at("ruleId"), "E8");
  EXPECT_EQ(rule_of(log, result).at("shortDescription").at("text"),
            error_message(kStationNotMultipleOf50));
  EXPECT_EQ(result.at("level"), "error");
  const json& physical = result.at("locations").at(0).at("physicalLocation");
  EXPECT_EQ(physical.at("artifactLocation").at("uri"), "work/V_2041-.txt");
  EXPECT_EQ(physical.at("region"), json({{"startLine", 61}, {"startColumn", 12}}));
  EXPECT_EQ(result.at("properties"), json({{"position", 1325}}));
}

TEST(SarifResults, EachResultKeepsItsOwnRuleAmongSeveral) {
  const json log = sarif_of({error_at(kReservedSlotSet, "a.txt", 1, 1),
                             warning_at(Warning::kStationEndOverwrites, "b.txt", 2, 2),
                             error_at(kLineTooLong, "a.txt", 3, 3),
                             warning_at(Warning::kUnknownKeyword, "b.txt", 4, 4)});
  const json& results = run_of(log).at("results");
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0].at("ruleId"), "E1250");
  EXPECT_EQ(results[1].at("ruleId"), "station-end-overwrites");
  EXPECT_EQ(results[2].at("ruleId"), "E1");
  EXPECT_EQ(results[3].at("ruleId"), "unknown-keyword");
  for (const json& result : results) rule_of(log, result);
}

TEST(SarifResults, AWarningHasItsNamesRuleAndNoPosition) {
  const json log = sarif_of({warning_at(Warning::kBoardSpeed, "L.txt", 9, 3)});
  const json& result = run_of(log).at("results").at(0);
  EXPECT_EQ(result.at("ruleId"), "board-speed");
  EXPECT_EQ(rule_of(log, result).at("defaultConfiguration").at("level"), "warning");
  EXPECT_EQ(result.at("level"), "warning");
  EXPECT_FALSE(result.contains("properties"));
}

TEST(SarifResults, AWarningMadeAnErrorKeepsItsRuleButIsAnError) {
  Diagnostic d = warning_at(Warning::kValueTruncated, "T.txt", 4, 8);
  d.is_error = true;
  const json log = sarif_of({d});
  const json& result = run_of(log).at("results").at(0);
  EXPECT_EQ(result.at("ruleId"), "value-truncated");
  EXPECT_EQ(rule_of(log, result).at("defaultConfiguration").at("level"), "warning");
  EXPECT_EQ(result.at("level"), "error");
}

TEST(SarifResults, ACodeOutsideTheTableKeepsItsIdWithoutARule) {
  const json log = sarif_of({error_at(999, "a.txt", 1, 1)});
  const json& result = run_of(log).at("results").at(0);
  EXPECT_EQ(result.at("ruleId"), "E999");
  EXPECT_FALSE(result.contains("ruleIndex"));
  EXPECT_EQ(result.at("level"), "error");
}

TEST(SarifResults, UnknownLineOrColumnIsLeftOut) {
  const json log =
      sarif_of({error_at(kProgressiveNotMultiple, "L.txt", 0, 0),
                error_at(kLineTooLong, "L.txt", 5, 0), error_at(kTooManyStations, "", 0, 0)});
  const json& results = run_of(log).at("results");
  const json& file_only = results[0].at("locations").at(0).at("physicalLocation");
  EXPECT_EQ(file_only.at("artifactLocation").at("uri"), "L.txt");
  EXPECT_FALSE(file_only.contains("region"));
  EXPECT_EQ(results[1].at("locations").at(0).at("physicalLocation").at("region"),
            json({{"startLine", 5}}));
  // No file: no location at all rather than an empty URI.
  EXPECT_FALSE(results[2].contains("locations"));
  for (const json& result : results) EXPECT_FALSE(result.contains("properties"));
}

TEST(SarifResults, MessagesAreWindows1252TurnedIntoUtf8) {
  Diagnostic d = error_at(kSignCellTaken, "L.txt", 1, 1, 50);
  d.message = "cartello (CITT\xC0) \x80 5";  // À and the euro sign in Windows-1252
  Diagnostic w = warning_at(Warning::kUnknownKeyword, "L.txt", 2, 1);
  w.message = "unknown keyword \"pend\xE8nza\"";
  const json log = sarif_of({d, w});
  const json& results = run_of(log).at("results");
  EXPECT_EQ(results[0].at("message").at("text"), "cartello (CITT\xC3\x80) \xE2\x82\xAC 5");
  EXPECT_EQ(results[1].at("message").at("text"), "unknown keyword \"pend\xC3\xA8nza\"");
}

TEST(SarifUri, AwkwardFileNamesBecomeUriReferences) {
  struct Case {
    const char* file;
    const char* uri;
  };
  const Case cases[] = {
      {"work/PROVA_linea.txt", "work/PROVA_linea.txt"},
      {"my sources/PROVA 2_linea.txt", "my%20sources/PROVA%202_linea.txt"},
      {"citt\xC3\xA0/VALLE_linea.txt", "citt%C3%A0/VALLE_linea.txt"},  // UTF-8 à
      {"work\\src\\PROVA_linea.txt", "work/src/PROVA_linea.txt"},
      {"/home/me/PROVA_linea.txt", "file:///home/me/PROVA_linea.txt"},
      {"C:\\Users\\me\\Scenari\\PROVA_linea.txt", "file:///C:/Users/me/Scenari/PROVA_linea.txt"},
      {"d:/x/a b.txt", "file:///d:/x/a%20b.txt"},
      // Characters with a meaning in a URI: query, fragment, escape, scheme.
      {"100%#1?.txt", "100%25%231%3F.txt"},
      {"a:b.txt", "a%3Ab.txt"},
      {"C:drive-relative.txt", "C%3Adrive-relative.txt"},
      {"../up/./x~y.txt", "../up/./x~y.txt"},
      {"[generale](1)+x&y=z.txt", "%5Bgenerale%5D%281%29%2Bx%26y%3Dz.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(artifact_uri(c.file), c.uri) << c.file;
}

TEST(SarifUri, EveryByteOfAResultsUriIsAllowedInAUri) {
  const std::string file = "dir with space\\\"quoted\"\t<tab>\x7F\xFF|^`{}.txt";
  const json log = sarif_of({error_at(kLineTooLong, file, 1, 1)});
  const std::string uri = run_of(log)
                              .at("results")
                              .at(0)
                              .at("locations")
                              .at(0)
                              .at("physicalLocation")
                              .at("artifactLocation")
                              .at("uri");
  EXPECT_EQ(uri, artifact_uri(file));
  for (std::size_t i = 0; i < uri.size(); ++i) {
    const auto c = static_cast<unsigned char>(uri[i]);
    if (c == '%') {
      ASSERT_LT(i + 2, uri.size()) << uri;
      EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
                  std::isxdigit(static_cast<unsigned char>(uri[i + 2])))
          << uri;
      i += 2;
    } else {
      EXPECT_TRUE(std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/')
          << uri << " at " << i;
    }
  }
}

}  // namespace
}  // namespace sb
