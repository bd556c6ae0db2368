// bench_timer: times two commands against each other, run in turn.
//
//   bench_timer RUNS PREPARE_A COMMAND_A PREPARE_B COMMAND_B
//
// Each command is split at blanks and started directly, without a shell, so
// that its time is its own: from the fork to the end of the wait. PREPARE_A
// and PREPARE_B are shell commands run, untimed, before every run of their
// command (to give it a fresh directory, say); an empty string for none. The
// commands' standard output is discarded.
//
// After one untimed run of each, the pairs A, B are run RUNS times. Prints
// the median wall time and the largest peak resident memory of each command,
// and the median of the ratios A / B of the pairs. A command or a preparation
// that fails ends the program with status 1.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Measurement {
  double ms = 0;
  long peak_kib = 0;  // ru_maxrss: KiB on Linux
};

[[noreturn]] void fail(const std::string& text) {
  std::fprintf(stderr, "bench_timer: %s\n", text.c_str());
  std::exit(1);
}

std::vector<std::string> words(const std::string& command) {
  std::istringstream in(command);
  std::vector<std::string> v;
  for (std::string w; in >> w;) v.push_back(w);
  return v;
}

void prepare(const std::string& command) {
  if (command.empty()) return;
  const int status = std::system(command.c_str());
  if (status != 0) fail("the preparation \"" + command + "\" failed");
}

// Runs one timed command. A command may begin with "exit=N": it is then
// expected to end with status N (a check that finds mistakes ends with 1).
Measurement run_once(std::vector<std::string> arguments, const std::string& text) {
  int expected = 0;
  if (!arguments.empty() && arguments.front().rfind("exit=", 0) == 0) {
    expected = std::atoi(arguments.front().c_str() + 5);
    arguments.erase(arguments.begin());
  }
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) fail(std::string("fork: ") + std::strerror(errno));
  if (pid == 0) {
    const int null_device = ::open("/dev/null", O_WRONLY);
    if (null_device >= 0) {
      ::dup2(null_device, STDOUT_FILENO);
      ::dup2(null_device, STDERR_FILENO);
    }
    ::execvp(argv[0], argv.data());
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) fail(std::string("wait4: ") + std::strerror(errno));
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != expected) fail("\"" + text + "\" failed");
  return {std::chrono::duration<double, std::milli>(end - start).count(), usage.ru_maxrss};
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: bench_timer RUNS PREPARE_A COMMAND_A PREPARE_B COMMAND_B\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  if (runs < 1) fail("RUNS must be a positive number");
  const std::string prepare_a = argv[2], command_a = argv[3];
  const std::string prepare_b = argv[4], command_b = argv[5];
  const std::vector<std::string> a = words(command_a), b = words(command_b);
  if (a.empty() || b.empty()) fail("empty command");

  prepare(prepare_a);
  run_once(a, command_a);
  prepare(prepare_b);
  run_once(b, command_b);

  std::vector<double> times_a, times_b, ratios;
  long peak_a = 0, peak_b = 0;
  for (int i = 0; i < runs; ++i) {
    prepare(prepare_a);
    const Measurement ma = run_once(a, command_a);
    prepare(prepare_b);
    const Measurement mb = run_once(b, command_b);
    times_a.push_back(ma.ms);
    times_b.push_back(mb.ms);
    ratios.push_back(ma.ms / mb.ms);
    peak_a = std::max(peak_a, ma.peak_kib);
    peak_b = std::max(peak_b, mb.peak_kib);
  }
  std::printf("A: median %8.3f ms, peak memory %7ld KiB\n", median(times_a), peak_a);
  std::printf("B: median %8.3f ms, peak memory %7ld KiB\n", median(times_b), peak_b);
  std::printf("A / B: median ratio %.3f over %d pairs\n", median(ratios), runs);
  return 0;
}
