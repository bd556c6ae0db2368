// The real program, killed at any moment of a compile: every compiled file is
// whole afterwards, the older one or the new one, and what the killed run left
// never stands in the way of the next compile. Linux only: the program is
// started with fork and exec and stopped with a signal.
#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/scenario_generator.h"
#include "platform/file_system.h"

namespace sb {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kProgram[] = SCENARIO_BUILDER_PROGRAM;
const std::array<std::string, 3> kCompiled = {"GEN1000_linea.dat", "GEN1000_9000.sim",
                                              "GEN1000_9000.dat"};

using FileSet = std::map<std::string, std::string>;  // name -> bytes

// How one run of the program ended (waitpid's status) and how long it took
// from its start to its end.
struct ProgramRun {
  int status = 0;
  Clock::duration took{};
};

// Runs `scenario-builder compile LINE TRAIN -o OUT [extra]`, its output
// thrown away, to its end or, with `kill_after`, until SIGKILL that long
// after its start. With `file_size_limit`, the child may write no file
// larger than that: a write beyond ends it with SIGXFSZ, in the middle of
// the file.
ProgramRun run_compile(const fs::path& sources, const fs::path& out,
                       std::optional<Clock::duration> kill_after = std::nullopt,
                       const char* extra = nullptr, rlim_t file_size_limit = 0) {
  const std::string line = (sources / "GEN1000_linea.txt").string();
  const std::string train = (sources / "GEN1000_9000-.txt").string();
  const std::string dir = out.string();
  std::vector<const char*> argv = {kProgram,      "compile", line.c_str(),
                                   train.c_str(), "-o",      dir.c_str()};
  if (extra != nullptr) argv.push_back(extra);
  argv.push_back(nullptr);

  ProgramRun r;
  const Clock::time_point start = Clock::now();
  timespec wake{};
  ::clock_gettime(CLOCK_MONOTONIC, &wake);
  const pid_t child = ::fork();
  if (child < 0) {
    ADD_FAILURE() << "fork failed";
    return r;
  }
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    if (file_size_limit != 0) {
      const rlimit size{file_size_limit, file_size_limit};
      const rlimit no_core{0, 0};
      ::setrlimit(RLIMIT_FSIZE, &size);
      ::setrlimit(RLIMIT_CORE, &no_core);
      ::signal(SIGXFSZ, SIG_DFL);
    }
    ::execv(kProgram, const_cast<char* const*>(argv.data()));
    ::_exit(127);
  }
  if (kill_after) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*kill_after).count();
    wake.tv_sec += static_cast<time_t>(ns / 1000000000);
    wake.tv_nsec += static_cast<long>(ns % 1000000000);
    if (wake.tv_nsec >= 1000000000) {
      wake.tv_nsec -= 1000000000;
      ++wake.tv_sec;
    }
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
    ::kill(child, SIGKILL);
  }
  while (::waitpid(child, &r.status, 0) < 0 && errno == EINTR) {
  }
  r.took = Clock::now() - start;
  return r;
}

bool exited_cleanly(const ProgramRun& r) {
  return WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0;
}

class InterruptedCompile : public ::testing::Test {
 protected:
  // The older set from the 500 km line and the new one from the 1000 km
  // line, both under the names of the 1000 km scenario: all three files
  // differ, and the run that is killed is the longer one.
  static void SetUpTestSuite() {
    fs::remove_all(root());
    for (const auto& [dir, length] : {std::pair{"older", 500000}, std::pair{"new", 1000000}}) {
      const GeneratedSources s = generate_sources(length);
      disk().create_directories((root() / "sources" / dir).string());
      disk().write((root() / "sources" / dir / "GEN1000_linea.txt").string(), s.line);
      disk().write((root() / "sources" / dir / "GEN1000_9000-.txt").string(), s.train);
      ASSERT_TRUE(exited_cleanly(run_compile(root() / "sources" / dir, root() / "sets" / dir)));
    }
    older_set() = read_set(root() / "sets" / "older");
    new_set() = read_set(root() / "sets" / "new");
  }
  static void TearDownTestSuite() { fs::remove_all(root()); }

  static fs::path root() {
    return fs::temp_directory_path() / ("sb_interruption_" + std::to_string(::getpid()));
  }
  static DiskFileSystem& disk() {
    static DiskFileSystem files;
    return files;
  }
  static FileSet& older_set() {
    static FileSet set;
    return set;
  }
  static FileSet& new_set() {
    static FileSet set;
    return set;
  }
  static FileSet read_set(const fs::path& dir) {
    FileSet set;
    for (const std::string& name : kCompiled)
      if (fs::exists(dir / name)) set[name] = disk().read((dir / name).string());
    return set;
  }
  // The names in a directory.
  static std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // A fresh output directory holding the older set.
  static fs::path output_with_older_set() {
    const fs::path out = root() / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    for (const std::string& name : kCompiled)
      fs::copy_file(root() / "sets" / "older" / name, out / name);
    return out;
  }
  // After whatever a killed run left, a compile of its own succeeds and
  // leaves the new set and nothing else. Returns how long it took.
  static Clock::duration expect_a_clean_compile_after(const fs::path& out) {
    const ProgramRun r = run_compile(root() / "sources" / "new", out);
    EXPECT_TRUE(exited_cleanly(r)) << "status " << r.status;
    EXPECT_TRUE(read_set(out) == new_set());
    std::vector<std::string> expected(kCompiled.begin(), kCompiled.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names_in(out), expected);
    return r.took;
  }
};

TEST_F(InterruptedCompile, TheOlderAndTheNewSetDifferInEveryFile) {
  for (const std::string& name : kCompiled) {
    ASSERT_EQ(older_set().count(name), 1u) << name;
    ASSERT_EQ(new_set().count(name), 1u) << name;
    EXPECT_NE(older_set().at(name), new_set().at(name)) << name;
  }
}

// Killed at points spread from the start to beyond the end of a normal
// compile: each file is the older or the new one, whole, and the set is
// mixed only when the kill fell between two renames.
TEST_F(InterruptedCompile, AKillAtAnyMomentLeavesEveryFileWhole) {
  // A normal compile's duration: the median of the compiles so far, five to
  // begin with and then the one after each kill, which runs amid the same
  // writing as the killed ones and takes longer than a compile alone.
  std::vector<Clock::duration> took;
  for (int i = 0; i < 5; ++i) {
    const ProgramRun r = run_compile(root() / "sources" / "new", output_with_older_set());
    ASSERT_TRUE(exited_cleanly(r));
    took.push_back(r.took);
  }
  auto normal = [&took] {
    std::vector<Clock::duration> sorted = took;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    return sorted[sorted.size() / 2];
  };
  // The kill points, from the start to half as long again as a normal
  // compile: on a busy machine some runs take that long.
  constexpr int kPoints = 60;
  auto last = [&normal] { return normal() * 3 / 2; };
  int all_older = 0, all_new = 0, mixed = 0, finished = 0;
  for (int i = 0; i < kPoints; ++i) {
    const Clock::duration delay = last() * i / (kPoints - 1);
    SCOPED_TRACE("killed " + std::to_string(delay / std::chrono::microseconds(1)) +
                 " us after the start");
    const fs::path out = output_with_older_set();
    const ProgramRun r = run_compile(root() / "sources" / "new", out, delay);
    if (exited_cleanly(r)) ++finished;
    int older = 0, fresh = 0;
    for (const std::string& name : kCompiled) {
      const std::string path = (out / name).string();
      ASSERT_TRUE(fs::is_regular_file(path)) << name;
      const std::string bytes = disk().read(path);
      if (bytes == older_set().at(name))
        ++older;
      else if (bytes == new_set().at(name))
        ++fresh;
      else
        ADD_FAILURE() << name << " is neither the older file nor the new one (" << bytes.size()
                      << " bytes)";
    }
    all_older += older == 3;
    all_new += fresh == 3;
    mixed += older != 0 && fresh != 0;
    took.push_back(expect_a_clean_compile_after(out));
  }
  std::printf(
      "[          ] normal compile %lld us; %d kill points up to %lld us: %d older set, %d new "
      "set, %d mixed, %d runs finished before the kill\n",
      static_cast<long long>(normal() / std::chrono::microseconds(1)), kPoints,
      static_cast<long long>(last() / std::chrono::microseconds(1)), all_older, all_new, mixed,
      finished);
  RecordProperty("older", all_older);
  RecordProperty("new", all_new);
  RecordProperty("mixed", mixed);
}

// A stop at a chosen moment: the child may write no file larger than the
// item file, so that it dies in the middle of the route file, after the item
// file is complete. Neither file is replaced.
TEST_F(InterruptedCompile, StoppedInTheLastFileTheSetKeepsItsOlderFiles) {
  const std::string& items = new_set().at(kCompiled[1]);
  const std::string& route = new_set().at(kCompiled[2]);
  ASSERT_LT(items.size() * 2, route.size());
  const fs::path out = output_with_older_set();
  const ProgramRun r = run_compile(root() / "sources" / "new", out, std::nullopt, "--no-track-plan",
                                   static_cast<rlim_t>(items.size() * 2));
  ASSERT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGXFSZ) << r.status;
  EXPECT_TRUE(read_set(out) == older_set());
  expect_a_clean_compile_after(out);
}

}  // namespace
}  // namespace sb

#endif  // _WIN32
