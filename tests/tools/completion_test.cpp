// The bash completion and --version, both made from the command line: every
// subcommand and every option that `--help` lists is in the completion, under
// its own subcommand, and the version names the release and the commit.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/memory_file_system.h"
#include "tools/commands.h"

namespace sb {
namespace {

using testing::MemoryFileSystem;

struct Output {
  int status;
  std::string out;
  std::string err;
};

Output run(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "scenario-builder");
  MemoryFileSystem files;
  std::ostringstream out;
  std::ostringstream err;
  Environment env{files, out, err};
  const int status = run_tool(static_cast<int>(arguments.size()), arguments.data(), env);
  return {status, out.str(), err.str()};
}

// The lines of a help text under a heading ("Options:", "Subcommands:"), up
// to the next blank line.
std::vector<std::string> section(const std::string& help, const std::string& heading) {
  std::vector<std::string> lines;
  std::istringstream in(help);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line == heading) {
      inside = true;
    } else if (inside && line.find_first_not_of(' ') == std::string::npos) {
      inside = false;
    } else if (inside) {
      lines.push_back(line);
    }
  }
  return lines;
}

std::vector<std::string> subcommands() {
  std::vector<std::string> names;
  for (const std::string& line : section(run({"--help"}).out, "Subcommands:")) {
    std::istringstream words(line);
    std::string name;
    words >> name;
    names.push_back(name);
  }
  return names;
}

// The option names of a help text: "-o,--output TEXT=. ..." gives -o and --output.
std::vector<std::string> options(const std::string& help) {
  std::vector<std::string> names;
  const std::regex name("^\\s+(-[^ ]+)");
  for (const std::string& line : section(help, "Options:")) {
    std::smatch m;
    if (!std::regex_search(line, m, name)) continue;
    std::istringstream items(m[1].str());
    std::string item;
    while (std::getline(items, item, ',')) names.push_back(item);
  }
  return names;
}

// The words that the script offers in the case arm of `command`: "*" is the
// arm before any subcommand.
std::set<std::string> offered(const std::string& script, const std::string& command) {
  const std::string head = "\n    " + command + ")\n";
  const auto begin = script.find(head);
  if (begin == std::string::npos) return {};
  const auto end = script.find("\n      ;;\n", begin);
  const std::string arm = script.substr(begin, end - begin);
  std::set<std::string> words;
  const std::regex list("compgen -W \"([^\"]*)\"");
  for (auto it = std::sregex_iterator(arm.begin(), arm.end(), list); it != std::sregex_iterator();
       ++it) {
    std::istringstream in((*it)[1].str());
    std::string w;
    while (in >> w) words.insert(w);
  }
  return words;
}

TEST(BashCompletion, OffersEverySubcommandAfterTheProgramName) {
  const Output script = run({"completion", "bash"});
  ASSERT_EQ(script.status, exit_status::kOk) << script.err;
  const std::vector<std::string> names = subcommands();
  ASSERT_FALSE(names.empty());
  const std::set<std::string> words = offered(script.out, "*");
  for (const std::string& name : names) EXPECT_TRUE(words.count(name)) << "subcommand " << name;
  for (const std::string& option : options(run({"--help"}).out))
    EXPECT_TRUE(words.count(option)) << "program option " << option;
}

TEST(BashCompletion, OffersEveryOptionOfEachSubcommand) {
  const std::string script = run({"completion", "bash"}).out;
  for (const std::string& name : subcommands()) {
    const Output help = run({name.c_str(), "--help"});
    ASSERT_EQ(help.status, exit_status::kOk) << name;
    const std::vector<std::string> names = options(help.out);
    EXPECT_FALSE(names.empty()) << name;
    const std::set<std::string> words = offered(script, name);
    for (const std::string& option : names)
      EXPECT_TRUE(words.count(option)) << "`" << name << " " << option << "` is not completed";
  }
}

TEST(BashCompletion, OffersTheValuesOfAnOptionThatTakesOneOfASet) {
  const std::string script = run({"completion", "bash"}).out;
  for (const char* command : {"check", "compile"}) {
    const std::set<std::string> words = offered(script, command);
    for (const char* format : {"text", "json", "sarif"})
      EXPECT_TRUE(words.count(format)) << command << " --format " << format;
  }
}

TEST(BashCompletion, RegistersTheFunctionForTheProgram) {
  const std::string script = run({"completion", "bash"}).out;
  EXPECT_NE(script.find("\ncomplete -o filenames -F _scenario_builder scenario-builder\n"),
            std::string::npos);
}

TEST(BashCompletion, KnowsOnlyBash) {
  const Output o = run({"completion", "tcsh"});
  EXPECT_EQ(o.status, exit_status::kUsage);
  EXPECT_TRUE(o.out.empty());
}

TEST(Version, NamesTheReleaseAndTheCommit) {
  const Output o = run({"--version"});
  EXPECT_EQ(o.status, exit_status::kOk);
  std::string expected = std::string("scenario-builder ") + SCENARIO_BUILDER_EXPECTED_VERSION;
  if (std::string(SCENARIO_BUILDER_EXPECTED_COMMIT).empty()) {
    expected += "\n";
  } else {
    expected += std::string(" (commit ") + SCENARIO_BUILDER_EXPECTED_COMMIT + ")\n";
  }
  EXPECT_EQ(o.out, expected);
  EXPECT_TRUE(std::regex_match(o.out, std::regex("scenario-builder [0-9]+\\.[0-9]+\\.[0-9]+"
                                                 "( \\(commit [0-9a-f]{4,40}\\))?\n")))
      << o.out;
}

// The man page is made from --help-all: it must hold every subcommand's options.
TEST(Help, AllListsTheOptionsOfEverySubcommand) {
  const Output all = run({"--help-all"});
  EXPECT_EQ(all.status, exit_status::kOk);
  for (const std::string& name : subcommands()) {
    for (const std::string& option : options(run({name.c_str(), "--help"}).out))
      EXPECT_NE(all.out.find(option), std::string::npos) << name << " " << option;
  }
}

}  // namespace
}  // namespace sb
