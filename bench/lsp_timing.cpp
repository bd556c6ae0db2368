// Times the language server from the client's side: after an edit of the
// generated 1000 km line source, how long until its diagnostics arrive,
// against an in-memory check of the same sources, the two measured
// alternately in one run. Prints the medians and their ratio.
//
//   lsp_timing PROGRAM [ROUNDS]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench/scenario_generator.h"
#include "tools/analysis.h"
#include "tools/lsp_server.h"
#include "tools/text_encoding.h"

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// The server's end of two pipes.
class Server {
 public:
  explicit Server(const char* program) {
    int to[2], from[2];
    if (pipe(to) != 0 || pipe(from) != 0) std::exit(2);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(to[0], 0);
      dup2(from[1], 1);
      close(to[1]);
      close(from[0]);
      execl(program, program, "lsp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(to[0]);
    close(from[1]);
    in_ = to[1];
    out_ = from[0];
  }
  ~Server() {
    close(in_);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  static std::string frame(const json& m) {
    const std::string body = m.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }
  void send(const json& m) { send_frame(frame(m)); }
  void send_frame(const std::string& frame) {
    std::size_t done = 0;
    while (done < frame.size()) {
      const ssize_t n = write(in_, frame.data() + done, frame.size() - done);
      if (n <= 0) std::exit(3);
      done += static_cast<std::size_t>(n);
    }
  }
  json receive() {
    std::size_t header_end;
    while ((header_end = buffer_.find("\r\n\r\n")) == std::string::npos) fill();
    const std::size_t length = std::stoul(buffer_.substr(buffer_.find(':') + 1));
    while (buffer_.size() < header_end + 4 + length) fill();
    json m = json::parse(buffer_.substr(header_end + 4, length));
    buffer_.erase(0, header_end + 4 + length);
    return m;
  }
  // Waits for the diagnostics of a URI; returns how many there were.
  std::size_t diagnostics_of(const std::string& uri) {
    while (true) {
      const json m = receive();
      if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == uri)
        return m["params"]["diagnostics"].size();
    }
  }

 private:
  void fill() {
    char chunk[1 << 16];
    const ssize_t n = read(out_, chunk, sizeof chunk);
    if (n <= 0) std::exit(4);
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
  pid_t pid_ = 0;
  int in_ = -1, out_ = -1;
  std::string buffer_;
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [ROUNDS]\n", argv[0]);
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 10;
  const sb::GeneratedSources g = sb::generate_sources(sb::kMaxLineLength);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "sb_lsp_timing";
  std::filesystem::create_directories(dir);
  const std::string line_path = (dir / "G_linea.txt").string();
  const std::string train_path = (dir / "G_1-.txt").string();
  std::ofstream(train_path, std::ios::binary) << g.train;
  const std::string uri = sb::uri_from_path(line_path);

  Server server(argv[1]);
  server.send(
      {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}});
  server.receive();
  server.send({{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params",
                {{"textDocument",
                  {{"uri", uri}, {"version", 1}, {"text", sb::utf8_from_cp1252(g.line)}}}}}});
  server.diagnostics_of(uri);
  server.diagnostics_of(sb::uri_from_path(train_path));

  std::vector<double> edit_ms, check_ms;
  for (int r = 0; r < rounds; ++r) {
    // The edit: a comment line before the end, as an author types one.
    std::string text = g.line;
    text.insert(text.rfind("[fine]"), "-- edit " + std::to_string(r) + "\r\n");
    const std::string utf8 = sb::utf8_from_cp1252(text);

    const auto c0 = Clock::now();
    const sb::ScenarioSources s{"G", "1", line_path, train_path, &text, &g.train};
    const sb::Analysis a = sb::analyse(s, sb::TrackPlanOutput::kWrite, sb::WarningOptions{},
                                       sb::AnalysisDepth::kCheck);
    const auto c1 = Clock::now();
    if (!a.diagnostics.empty()) return 5;

    // The message is made before the clock starts: what is timed is its
    // transfer and the server's work, up to the diagnostics in the client.
    const std::string edit =
        Server::frame({{"jsonrpc", "2.0"},
                       {"method", "textDocument/didChange"},
                       {"params",
                        {{"textDocument", {{"uri", uri}, {"version", r + 2}}},
                         {"contentChanges", json::array({{{"text", utf8}}})}}}});
    const auto e0 = Clock::now();
    server.send_frame(edit);
    server.diagnostics_of(uri);
    const auto e1 = Clock::now();
    server.diagnostics_of(sb::uri_from_path(train_path));

    check_ms.push_back(std::chrono::duration<double, std::milli>(c1 - c0).count());
    edit_ms.push_back(std::chrono::duration<double, std::milli>(e1 - e0).count());
  }
  server.send({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}});
  server.send({{"jsonrpc", "2.0"}, {"method", "exit"}});
  std::filesystem::remove_all(dir);
  const double e = median(edit_ms), c = median(check_ms);
  std::printf("line source: %zu bytes, %d rounds\n", g.line.size(), rounds);
  std::printf("in-memory check: median %.1f ms\n", c);
  std::printf("edit to diagnostics through the server: median %.1f ms\n", e);
  std::printf("ratio: %.2f\n", e / c);
  return 0;
}
