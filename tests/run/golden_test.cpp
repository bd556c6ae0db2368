// The one-shot run against the files of the last release, byte for byte.
//
// Every file the run leaves is pinned by its SHA-256 in golden/builtin/
// sha256.txt. A hash says only that something changed, so the two compiled
// files small enough to read are also kept as the tables `dump` prints: the
// item table, and the route cells that change. A difference there is shown
// as the first lines that differ.
//
// When a change of the output is intended, SCENARIO_BUILDER_UPDATE_GOLDEN=1
// makes these tests rewrite the golden files in the source tree (and pass);
// the diff of the dumps then shows what the change did.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "compiler/compiled_files.h"
#include "compiler/route_model.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "run/run_sequence.h"
#include "sources/file_names.h"
#include "support/sha256.h"
#include "tools/dump.h"

namespace sb {
namespace {

using testing::sha256_hex;

// The golden files, in SCENARIO_BUILDER_GOLDEN_DIR.
constexpr char kHashes[] = "sha256.txt";
constexpr char kItemDump[] = "item_table.txt";
constexpr char kRouteDump[] = "route_changes.txt";

constexpr char kUpdateVariable[] = "SCENARIO_BUILDER_UPDATE_GOLDEN";

const FileNames& builtin_names() {
  static const FileNames names{kBuiltinScenario, kBuiltinTrain};
  return names;
}

// ---- The run, in memory ----

// Nothing of the run may go wrong here: any report ends the test with its text.
class QuietPlatform : public Platform {
 public:
  static constexpr char kDirectory[] = "/sim";

  std::string executable_directory() override { return kDirectory; }
  std::string join(const std::string& directory, const std::string& name) override {
    return directory + "/" + name;
  }
  void show_waiting_window() override {}
  void close_waiting_window() override {}
  void show_message(const std::string& text) override {
    throw std::runtime_error("the run showed a message: " + text);
  }
  [[noreturn]] void end_program(int status) override {
    throw std::runtime_error("the run ended the program with status " + std::to_string(status));
  }
  [[noreturn]] void report_failure(const std::string& message) override {
    throw std::runtime_error("the run reported a failure: " + message);
  }
};

class FilesInMemory : public FileSystem {
 public:
  std::map<std::string, std::string> files;

  bool exists(const std::string& path) override { return files.count(path) != 0; }
  std::string read(const std::string& path) override {
    const auto it = files.find(path);
    if (it == files.end()) throw FileError(path, "read", "No such file or directory");
    return it->second;
  }
  void write(const std::string& path, const std::string& bytes) override { files[path] = bytes; }
  void remove(const std::string& path) override {
    if (files.erase(path) == 0) throw FileError(path, "delete", "No such file or directory");
  }
  void create_directories(const std::string&) override {}
};

// The files the one-shot run leaves, by name. The run is made once per
// process and shared by the tests below.
const std::map<std::string, std::string>& run_output() {
  static const std::map<std::string, std::string> output = [] {
    QuietPlatform platform;
    FilesInMemory files;
    const int status = run_sequence(platform, files);
    if (status != 0) throw std::runtime_error("the run returned " + std::to_string(status));
    const std::string prefix = platform.join(QuietPlatform::kDirectory, "");
    std::map<std::string, std::string> by_name;
    for (auto& [path, bytes] : files.files) {
      if (path.rfind(prefix, 0) != 0) throw std::runtime_error("the run wrote " + path);
      by_name.emplace(path.substr(prefix.size()), std::move(bytes));
    }
    return by_name;
  }();
  return output;
}

const std::string& output_file(const std::string& name) {
  const auto& output = run_output();
  const auto it = output.find(name);
  if (it == output.end()) throw std::runtime_error("the run left no " + name);
  return it->second;
}

// ---- The golden files ----

bool updating() {
  const char* v = std::getenv(kUpdateVariable);
  return v != nullptr && std::string_view(v) == "1";
}

std::filesystem::path golden_path(std::string_view name) {
  return std::filesystem::path(SCENARIO_BUILDER_GOLDEN_DIR) / name;
}

std::optional<std::string> read_golden(std::string_view name) {
  std::ifstream in(golden_path(name), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes the golden file when its bytes are not these already, and says so.
void rewrite_golden(std::string_view name, const std::string& bytes) {
  const std::filesystem::path path = golden_path(name);
  if (read_golden(name) == bytes) {
    std::cout << "golden file up to date: " << path.string() << "\n";
    return;
  }
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
  std::cout << "golden file rewritten: " << path.string() << "\n";
}

std::string update_advice() {
  return std::string("If the change is intended, run the tests with ") + kUpdateVariable +
         "=1 to rewrite the golden files, and review their diff.";
}

std::string missing_golden(std::string_view name) {
  return "golden file " + golden_path(name).string() + " is missing. " + update_advice();
}

// ---- Readable differences ----

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      lines.push_back(text);
      break;
    }
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  return lines;
}

// Where two lists of lines differ: the runs of lines that only one of them
// has, in order, from the shortest edit script (Myers' O(ND) algorithm).
// A hunk holds expected lines [expected_from, expected_to) where the actual
// text holds [actual_from, actual_to); either range may be empty.
struct Hunk {
  std::size_t expected_from, expected_to;
  std::size_t actual_from, actual_to;
  bool operator==(const Hunk&) const = default;
};

std::vector<Hunk> hunks_of(const std::vector<std::string_view>& a,
                           const std::vector<std::string_view>& b) {
  // The common head and tail are no part of any hunk, and keep the search
  // below to the lines that changed.
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
    ++tail;
  }
  const long n = static_cast<long>(a.size() - head - tail);
  const long m = static_cast<long>(b.size() - head - tail);
  if (n == 0 && m == 0) return {};
  auto same = [&](long x, long y) { return a[head + x] == b[head + y]; };

  // Beyond this many edits the texts have little in common: one hunk for all
  // that lies between the common head and tail says as much.
  constexpr long kMaxEdits = 1000;
  const long max_d = std::min(n + m, kMaxEdits);
  // trace[d][k + d]: the furthest x on diagonal k = x - y after d edits.
  std::vector<std::vector<long>> trace;
  std::vector<long> v(2 * max_d + 3, 0);
  const long offset = max_d + 1;
  long found = -1;
  for (long d = 0; d <= max_d && found < 0; ++d) {
    for (long k = -d; k <= d; k += 2) {
      long x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
                   ? v[offset + k + 1]
                   : v[offset + k - 1] + 1;
      long y = x - k;
      while (x < n && y < m && same(x, y)) ++x, ++y;
      v[offset + k] = x;
      if (x >= n && y >= m) found = d;
    }
    trace.emplace_back(v.begin() + offset - d, v.begin() + offset + d + 1);
  }
  if (found < 0) return {{head, head + n, head, head + m}};

  // Back from the end: each edit is one line of a alone or one of b alone.
  std::vector<Hunk> hunks;
  long x = n, y = m;
  for (long d = found; d > 0; --d) {
    const std::vector<long>& before = trace[d - 1];
    const long k = x - y;
    auto at = [&](long kk) { return before[kk + d - 1]; };
    const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
    const long prev_k = down ? k + 1 : k - 1;
    const long prev_x = at(prev_k);
    const long prev_y = prev_x - prev_k;
    while (x > prev_x && y > prev_y) --x, --y;  // the lines in common
    const std::size_t ex = head + x, ey = head + y;
    if (!hunks.empty() && hunks.back().expected_from == ex && hunks.back().actual_from == ey) {
      // Next to the hunk after it: the same hunk.
      if (down)
        --hunks.back().actual_from;
      else
        --hunks.back().expected_from;
    } else {
      hunks.push_back(down ? Hunk{ex, ex, ey - 1, ey} : Hunk{ex - 1, ex, ey, ey});
    }
    x = prev_x;
    y = prev_y;
  }
  std::reverse(hunks.begin(), hunks.end());
  return hunks;
}

// The first places where two texts differ, each line with its number and
// whether it is expected or this run's; the header line of the table with
// them, for the column names.
std::string line_differences(std::string_view expected, std::string_view actual) {
  constexpr std::size_t kHunksShown = 5;
  constexpr std::size_t kLinesShown = 6;
  const std::vector<std::string_view> want = lines_of(expected);
  const std::vector<std::string_view> got = lines_of(actual);
  const std::vector<Hunk> hunks = hunks_of(want, got);

  std::ostringstream s;
  s << hunks.size() << (hunks.size() == 1 ? " place differs" : " places differ") << "; "
    << want.size() << " lines expected, " << got.size() << " in this run.\n";
  if (hunks.empty()) {
    s << "  (the lines are the same: the texts differ only in the end of the last line)\n";
    return s.str();
  }
  const std::size_t width = std::to_string(std::max(want.size(), got.size())).size();
  auto show = [&](const char* side, const std::vector<std::string_view>& lines, std::size_t from,
                  std::size_t to) {
    for (std::size_t i = from; i < to && i < from + kLinesShown; ++i) {
      s << "  " << side << " " << std::string(width - std::to_string(i + 1).size(), ' ') << i + 1
        << ": " << lines[i] << "\n";
    }
    if (to - from > kLinesShown) s << "  ... and " << to - from - kLinesShown << " more\n";
  };
  if (hunks.front().expected_from != 0 && hunks.front().actual_from != 0) {
    s << "  header   " << std::string(width, ' ') << ": " << got.front() << "\n";
  }
  for (std::size_t h = 0; h < hunks.size() && h < kHunksShown; ++h) {
    const Hunk& hunk = hunks[h];
    if (h != 0) s << "\n";
    if (hunk.expected_from == hunk.expected_to) {
      s << "  only in this run, "
        << (hunk.expected_from == 0 ? std::string("before the first expected line")
                                    : "after expected line " + std::to_string(hunk.expected_from))
        << ":\n";
    } else if (hunk.actual_from == hunk.actual_to) {
      s << "  missing in this run, "
        << (hunk.actual_from == 0 ? std::string("before its first line")
                                  : "after its line " + std::to_string(hunk.actual_from))
        << ":\n";
    }
    show("expected", want, hunk.expected_from, hunk.expected_to);
    show("actual  ", got, hunk.actual_from, hunk.actual_to);
  }
  if (hunks.size() > kHunksShown)
    s << "  ... and " << hunks.size() - kHunksShown << " more places\n";
  return s.str();
}

// The dump of this run against its golden file, or the golden file rewritten.
void check_dump(std::string_view golden_name, std::string_view what, const std::string& actual) {
  if (updating()) {
    rewrite_golden(golden_name, actual);
    return;
  }
  const std::optional<std::string> expected = read_golden(golden_name);
  ASSERT_TRUE(expected.has_value()) << missing_golden(golden_name);
  if (*expected != actual) {
    ADD_FAILURE() << golden_path(golden_name).string() << " does not match " << what << ":\n"
                  << line_differences(*expected, actual) << update_advice();
  }
}

// ---- The hashes ----

// sha256.txt: "HEX  NAME" per line, as sha256sum prints and checks it.
std::string hash_list(const std::map<std::string, std::string>& files) {
  std::string s;
  for (const auto& [name, bytes] : files) s += sha256_hex(bytes) + "  " + name + "\n";
  return s;
}

std::map<std::string, std::string> parse_hash_list(std::string_view text) {
  std::map<std::string, std::string> hashes;
  for (const std::string_view line : lines_of(text)) {
    const std::size_t gap = line.find("  ");
    if (gap == std::string_view::npos)
      throw std::runtime_error("not a hash line: " + std::string(line));
    hashes.emplace(std::string(line.substr(gap + 2)), std::string(line.substr(0, gap)));
  }
  return hashes;
}

// Writes a file of this run where it can be compared with the last
// release's, and returns its path.
std::string keep_for_inspection(const std::string& name, const std::string& bytes) {
  const std::filesystem::path path =
      std::filesystem::path(::testing::TempDir()) / "scenario-builder-golden" / name;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  return out ? path.string() : "(could not be written to " + path.string() + ")";
}

// Where to look when a file's hash differs.
std::string where_to_look(const std::string& name) {
  const FileNames& names = builtin_names();
  if (name == names.item_file()) {
    return std::string("its table is pinned in ") + kItemDump + " (GoldenRun.ItemTable)";
  }
  if (name == names.route_file()) {
    std::vector<cella> percorso;
    FormatError err;
    const std::string cells = decode_route(output_file(name), &percorso, &err)
                                  ? std::to_string(percorso.size()) + " cells now"
                                  : "not a valid route file now";
    return std::string("its cells that change are pinned in ") + kRouteDump +
           " (GoldenRun.RouteChanges); if those match, the number of cells changed (" + cells + ")";
  }
  if (name == names.track_plan_file()) {
    return "no golden dump: compare `scenario-builder dump " + name +
           "` of the last release and of this build";
  }
  return "a text document: compare it with the one the last release writes";
}

TEST(GoldenRun, EveryFileHasThePinnedSha256) {
  const auto& files = run_output();
  if (updating()) {
    rewrite_golden(kHashes, hash_list(files));
    return;
  }
  const std::optional<std::string> golden = read_golden(kHashes);
  ASSERT_TRUE(golden.has_value()) << missing_golden(kHashes);
  const std::map<std::string, std::string> expected = parse_hash_list(*golden);

  for (const auto& [name, hash] : expected) {
    const auto it = files.find(name);
    if (it == files.end()) {
      ADD_FAILURE() << name << ": pinned in " << kHashes << " but the run did not leave it";
      continue;
    }
    const std::string actual = sha256_hex(it->second);
    if (actual != hash) {
      ADD_FAILURE() << name << ": SHA-256 differs\n  expected: " << hash
                    << "\n  actual:   " << actual << "\n  " << where_to_look(name)
                    << "\n  this run's file: " << keep_for_inspection(name, it->second) << "\n"
                    << update_advice();
    }
  }
  for (const auto& [name, bytes] : files) {
    if (expected.count(name) == 0) {
      ADD_FAILURE() << name << ": left by the run but not pinned in " << kHashes << "\n"
                    << update_advice();
    }
  }
}

TEST(GoldenRun, ItemTable) {
  std::array<oggetto, kItemCount> oggetti{};
  FormatError err;
  const std::string& name = builtin_names().item_file();
  ASSERT_TRUE(decode_items(output_file(name), &oggetti, &err))
      << refusal_message(name, CompiledFileKind::kItems, err);
  check_dump(kItemDump, "the item table of this run's " + name, item_table(oggetti));
}

TEST(GoldenRun, RouteChanges) {
  std::vector<cella> percorso;
  FormatError err;
  const std::string& name = builtin_names().route_file();
  ASSERT_TRUE(decode_route(output_file(name), &percorso, &err))
      << refusal_message(name, CompiledFileKind::kRoute, err);
  check_dump(kRouteDump, "the route cells that change in this run's " + name,
             route_changes_table(percorso));
}

// ---- The differences a failure shows ----

std::vector<std::string_view> numbered(const std::vector<std::string>& store) {
  return {store.begin(), store.end()};
}

std::vector<std::string> lines_0_to(int n) {
  std::vector<std::string> l;
  for (int i = 0; i < n; ++i) l.push_back("line " + std::to_string(i));
  return l;
}

TEST(GoldenDiff, ChangedInsertedAndMissingLinesAreSeparatePlaces) {
  const std::vector<std::string> a = lines_0_to(20);
  std::vector<std::string> b = a;
  b[3] = "changed";                              // expected 3, actual 3
  b.insert(b.begin() + 10, {"new 1", "new 2"});  // after expected 9
  b.erase(b.begin() + 17);                       // expected 15, gone
  const std::vector<Hunk> hunks = hunks_of(numbered(a), numbered(b));
  const std::vector<Hunk> expected = {{3, 4, 3, 4}, {10, 10, 10, 12}, {15, 16, 17, 17}};
  EXPECT_EQ(hunks, expected);
}

TEST(GoldenDiff, EditsAtTheEndsAndNone) {
  const std::vector<std::string> a = lines_0_to(5);
  EXPECT_TRUE(hunks_of(numbered(a), numbered(a)).empty());
  std::vector<std::string> b = a;
  b.insert(b.begin(), "first");
  b.pop_back();
  const std::vector<Hunk> expected = {{0, 0, 0, 1}, {4, 5, 5, 5}};
  EXPECT_EQ(hunks_of(numbered(a), numbered(b)), expected);
  EXPECT_EQ(hunks_of({}, numbered(a)), std::vector<Hunk>({{0, 0, 0, 5}}));
}

// Replacing each hunk's expected lines by its actual lines gives the actual
// text back, and no hunk is empty or touches the next.
TEST(GoldenDiff, HunksTurnTheExpectedLinesIntoTheActualOnes) {
  std::uint32_t state = 7;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  for (int round = 0; round < 50; ++round) {
    std::vector<std::string> a, b;
    for (int i = 0; i < 60; ++i) a.push_back(std::to_string(next() % 8));
    for (const std::string& line : a) {
      const std::uint32_t r = next() % 10;
      if (r == 0) continue;
      if (r == 1) b.push_back("x");
      b.push_back(line);
    }
    const auto la = numbered(a);
    const auto lb = numbered(b);
    const std::vector<Hunk> hunks = hunks_of(la, lb);
    std::vector<std::string_view> rebuilt;
    std::size_t at = 0;
    for (const Hunk& h : hunks) {
      ASSERT_LE(at, h.expected_from) << "round " << round;
      ASSERT_TRUE(h.expected_from < h.expected_to || h.actual_from < h.actual_to);
      if (at != 0) {
        ASSERT_LT(at, h.expected_from) << "hunks that touch, round " << round;
      }
      rebuilt.insert(rebuilt.end(), la.begin() + at, la.begin() + h.expected_from);
      rebuilt.insert(rebuilt.end(), lb.begin() + h.actual_from, lb.begin() + h.actual_to);
      at = h.expected_to;
    }
    rebuilt.insert(rebuilt.end(), la.begin() + at, la.end());
    EXPECT_EQ(rebuilt, lb) << "round " << round;
  }
}

TEST(GoldenDiff, TextsWithLittleInCommonAreOnePlace) {
  std::vector<std::string> a, b;
  for (int i = 0; i < 1500; ++i) {
    a.push_back("a" + std::to_string(i));
    b.push_back("b" + std::to_string(i));
  }
  a.push_back("end");
  b.push_back("end");
  EXPECT_EQ(hunks_of(numbered(a), numbered(b)), std::vector<Hunk>({{0, 1500, 0, 1500}}));
}

TEST(GoldenDiff, MessageShowsEachPlaceWithItsLineNumbersAndTheHeader) {
  const std::string expected = "cella  genere\n    0       0\n    1       1\n    2       2\n";
  const std::string actual = "cella  genere\n    0       0\n    1       7\n    2       2\n";
  EXPECT_EQ(line_differences(expected, actual),
            "1 place differs; 4 lines expected, 4 in this run.\n"
            "  header    : cella  genere\n"
            "  expected 3:     1       1\n"
            "  actual   3:     1       7\n");
  EXPECT_EQ(line_differences("a\nb\n", "a\n"),
            "1 place differs; 2 lines expected, 1 in this run.\n"
            "  header    : a\n"
            "  missing in this run, after its line 1:\n"
            "  expected 2: b\n");
  EXPECT_EQ(line_differences("a\n", "a"),
            "0 places differ; 1 lines expected, 1 in this run.\n"
            "  (the lines are the same: the texts differ only in the end of the last line)\n");
}
}  // namespace
}  // namespace sb
