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

struct Misura {
  double ms = 0;
  long picco_kib = 0;  // ru_maxrss: KiB on Linux
};

[[noreturn]] void fallisce(const std::string& testo) {
  std::fprintf(stderr, "bench_timer: %s\n", testo.c_str());
  std::exit(1);
}

std::vector<std::string> keywords(const std::string& comando) {
  std::istringstream in(comando);
  std::vector<std::string> v;
  for (std::string w; in >> w;) v.push_back(w);
  return v;
}

void prepara(const std::string& comando) {
  if (comando.empty()) return;
  const int stato = std::system(comando.c_str());
  if (stato != 0) fallisce("the preparation \"" + comando + "\" failed");
}

Misura esegui(const std::vector<std::string>& argomenti, const std::string& testo) {
  std::vector<char*> argv;
  for (const std::string& a : argomenti) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const auto inizio = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) fallisce(std::string("fork: ") + std::strerror(errno));
  if (pid == 0) {
    const int nulla = ::open("/dev/null", O_WRONLY);
    if (nulla >= 0) ::dup2(nulla, STDOUT_FILENO);
    ::execvp(argv[0], argv.data());
    std::_Exit(127);
  }
  int stato = 0;
  rusage uso{};
  if (::wait4(pid, &stato, 0, &uso) != pid) fallisce(std::string("wait4: ") + std::strerror(errno));
  const auto fine = std::chrono::steady_clock::now();
  if (!WIFEXITED(stato) || WEXITSTATUS(stato) != 0) fallisce("\"" + testo + "\" failed");
  return {std::chrono::duration<double, std::milli>(fine - inizio).count(), uso.ru_maxrss};
}

double mediana(std::vector<double> v) {
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
  const int volte = std::atoi(argv[1]);
  if (volte < 1) fallisce("RUNS must be a positive number");
  const std::string prepara_a = argv[2], comando_a = argv[3];
  const std::string prepara_b = argv[4], comando_b = argv[5];
  const std::vector<std::string> a = keywords(comando_a), b = keywords(comando_b);
  if (a.empty() || b.empty()) fallisce("empty command");

  prepara(prepara_a);
  esegui(a, comando_a);
  prepara(prepara_b);
  esegui(b, comando_b);

  std::vector<double> tempi_a, tempi_b, rapporti;
  long picco_a = 0, picco_b = 0;
  for (int i = 0; i < volte; ++i) {
    prepara(prepara_a);
    const Misura ma = esegui(a, comando_a);
    prepara(prepara_b);
    const Misura mb = esegui(b, comando_b);
    tempi_a.push_back(ma.ms);
    tempi_b.push_back(mb.ms);
    rapporti.push_back(ma.ms / mb.ms);
    picco_a = std::max(picco_a, ma.picco_kib);
    picco_b = std::max(picco_b, mb.picco_kib);
  }
  std::printf("A: median %8.3f ms, peak memory %7ld KiB\n", mediana(tempi_a), picco_a);
  std::printf("B: median %8.3f ms, peak memory %7ld KiB\n", mediana(tempi_b), picco_b);
  std::printf("A / B: median ratio %.3f over %d pairs\n", mediana(rapporti), volte);
  return 0;
}
