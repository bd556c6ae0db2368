// Files written as one set: none is replaced before every file of the set is
// complete, a failure at any step leaves every file as it was with nothing
// left beside it, and a program stopped in the middle leaves the older set,
// with nothing in the way of the next write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "support/memory_file_system.h"

namespace sb {
namespace {

namespace fs = std::filesystem;
using PendingFile = FileSystem::PendingFile;
using PieceSink = std::function<void(std::uint64_t, std::string_view)>;

// `bytes` handed over in pieces of `piece_size`, the last piece first, so
// that every piece must land at its own position.
FileSystem::Pieces backwards(std::string bytes, std::size_t piece_size) {
  return [bytes = std::move(bytes), piece_size](const PieceSink& write) {
    const std::string_view all = bytes;
    std::size_t start = (all.size() - 1) / piece_size * piece_size;
    for (;;) {
      write(start, all.substr(start, piece_size));
      if (start == 0) break;
      start -= piece_size;
    }
  };
}

// `bytes` in pieces of `piece_size`, first piece first.
FileSystem::Pieces forwards(std::string bytes, std::size_t piece_size) {
  return [bytes = std::move(bytes), piece_size](const PieceSink& write) {
    const std::string_view all = bytes;
    for (std::size_t start = 0; start < all.size(); start += piece_size)
      write(start, all.substr(start, piece_size));
  };
}

FileSystem::Pieces whole(std::string bytes) {
  return [bytes = std::move(bytes)](const PieceSink& write) { write(0, bytes); };
}

// A file of `n` bytes that no shorter or shifted copy matches.
std::string pattern(std::size_t n, char seed) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(seed + i * 7 + i / 251);
  return bytes;
}

// ---- In memory ----

struct Reported {
  std::string path, reason;
};

// The FileError a call throws; fails the test when it throws none.
Reported file_error_of(const std::function<void()>& call) {
  try {
    call();
  } catch (const FileError& e) {
    return {e.path(), e.reason()};
  }
  ADD_FAILURE() << "no FileError";
  return {};
}

const std::map<std::string, std::string> kOlderFiles = {
    {"/o/a", std::string(5000, 'a')}, {"/o/c", "old c"}, {"/o/other", "not in the set"}};

std::vector<PendingFile> memory_set() {
  return {{"/o/a", 3, whole("new")},
          {"/o/b", 0, backwards("new b, in pieces", 3)},
          {"/o/c", 6, whole("new c!")}};
}

TEST(MemoryFileSet, EveryFileIsProducedBeforeAnyIsReplaced) {
  testing::MemoryFileSystem files;
  files.files = kOlderFiles;
  files.write_set(memory_set());
  EXPECT_EQ(files.files, (std::map<std::string, std::string>{{"/o/a", "new"},
                                                             {"/o/b", "new b, in pieces"},
                                                             {"/o/c", "new c!"},
                                                             {"/o/other", "not in the set"}}));
  EXPECT_EQ(files.log, (std::vector<std::string>{"write /o/a", "write /o/b", "write /o/c",
                                                 "rename /o/a", "rename /o/b", "rename /o/c"}));
}

// A failure at any of the six steps, alone or with every later one, or a
// producer that throws: no file of the set changes.
TEST(MemoryFileSet, AFailureAtAnyStepLeavesEveryFileAsItWas) {
  const std::vector<std::string> steps = {"write /o/a",  "write /o/b",  "write /o/c",
                                          "rename /o/a", "rename /o/b", "rename /o/c"};
  for (const bool from_then_on : {false, true}) {
    for (int n = 1; n <= static_cast<int>(steps.size()); ++n) {
      testing::MemoryFileSystem files;
      files.files = kOlderFiles;
      files.fail_at = n;
      files.fail_from_then_on = from_then_on;
      const Reported e = file_error_of([&] { files.write_set(memory_set()); });
      const std::string& step = steps[static_cast<std::size_t>(n - 1)];
      EXPECT_EQ(e.path, step.substr(step.find(' ') + 1)) << step;
      EXPECT_EQ(files.files, kOlderFiles) << step;
      EXPECT_EQ(files.log.size(), static_cast<std::size_t>(n)) << "nothing after " << step;
    }
  }
  testing::MemoryFileSystem files;
  files.files = kOlderFiles;
  std::vector<PendingFile> set = memory_set();
  set[2].pieces = [](const PieceSink&) { throw std::runtime_error("no more pieces"); };
  EXPECT_THROW(files.write_set(set), std::runtime_error);
  EXPECT_EQ(files.files, kOlderFiles);
}

// The default of FileSystem, for a file system that has only write: every
// producer runs first, and a write that fails puts back the files written
// before it, deleting the one that was not there.
TEST(DefaultFileSet, AFailingWritePutsBackTheFilesWrittenBeforeIt) {
  testing::MemoryFileSystem clean;
  clean.files = kOlderFiles;
  clean.FileSystem::write_set(memory_set());
  EXPECT_EQ(clean.files.at("/o/a"), "new");
  EXPECT_EQ(clean.files.at("/o/b"), "new b, in pieces");
  EXPECT_EQ(clean.files.at("/o/c"), "new c!");
  for (int n = 1; n <= static_cast<int>(clean.log.size()); ++n) {
    const std::string& step = clean.log[static_cast<std::size_t>(n - 1)];
    if (step.rfind("exists ", 0) == 0) continue;  // a look-up cannot fail
    testing::MemoryFileSystem files;
    files.files = kOlderFiles;
    files.fail_at = n;
    EXPECT_THROW(files.FileSystem::write_set(memory_set()), FileError) << step;
    EXPECT_EQ(files.files, kOlderFiles) << step;
  }
  testing::MemoryFileSystem files;
  files.files = kOlderFiles;
  std::vector<PendingFile> set = memory_set();
  set[2].pieces = [](const PieceSink&) { throw std::runtime_error("no more pieces"); };
  EXPECT_THROW(files.FileSystem::write_set(set), std::runtime_error);
  EXPECT_EQ(files.files, kOlderFiles);
  EXPECT_TRUE(files.log.empty());
}

// ---- On disk ----

// Lowers the largest file this process may write, for as long as it lives,
// with the signal that goes with it ignored: a write beyond it then fails
// with EFBIG instead of ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &older_);
    rlimit lower = older_;
    lower.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lower);
    older_handler_ = ::signal(SIGXFSZ, SIG_IGN);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &older_);
    ::signal(SIGXFSZ, older_handler_);
  }

 private:
  rlimit older_{};
  sighandler_t older_handler_ = SIG_DFL;
};

// What stands under a name: the bytes of a file, or what else it is. A
// failure shows its size and first bytes, not the whole of a large file.
struct Entry {
  std::string bytes;
  Entry() = default;
  Entry(std::string b) : bytes(std::move(b)) {}  // NOLINT: written as its bytes
  Entry(const char* b) : bytes(b) {}             // NOLINT
  bool operator==(const Entry&) const = default;
  friend void PrintTo(const Entry& e, std::ostream* out) {
    *out << e.bytes.size() << " bytes \"";
    for (const char c : std::string_view(e.bytes).substr(0, 24)) {
      if (c >= ' ' && c <= '~')
        *out << c;
      else
        *out << "\\x"
             << "0123456789abcdef"[(c >> 4) & 15] << "0123456789abcdef"[c & 15];
    }
    *out << (e.bytes.size() > 24 ? "...\"" : "\"");
  }
};

class FileSetOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    disk_.write(path("a.dat"), pattern(100000, 'a'));  // longer than its new bytes
    disk_.write(path("c.dat"), "old c");
    disk_.write(path("keep.txt"), "not in the set");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Everything in the directory, below it too: a file by its bytes, a
  // directory or a link by what it is.
  std::map<std::string, Entry> snapshot() const {
    std::map<std::string, Entry> all;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      const std::string name = fs::relative(entry.path(), dir_).string();
      if (entry.is_symlink())
        all[name] = "link to " + fs::read_symlink(entry.path()).string();
      else if (entry.is_directory())
        all[name] = "directory";
      else
        all[name] = disk_.read(entry.path().string());
    }
    return all;
  }

  // a.dat replaces a longer file, b.dat is new, c.dat is large and comes in
  // pieces, last first.
  std::vector<PendingFile> set() const {
    return {{path("a.dat"), 7, whole("new a.d")},
            {path("b.dat"), 0, whole("new b")},
            {path("c.dat"), 3 << 20, backwards(pattern(3 << 20, 'c'), 1 << 16)}};
  }

  const fs::path dir_ = fs::temp_directory_path() / ("sb_file_set_" + std::to_string(::getpid()));
  mutable DiskFileSystem disk_;
};

TEST_F(FileSetOnDisk, ASetReplacesOlderFilesWholeAndLeavesNothingBeside) {
  disk_.write_set(set());
  std::map<std::string, Entry> expected = {{"a.dat", "new a.d"},
                                           {"b.dat", "new b"},
                                           {"c.dat", pattern(3 << 20, 'c')},
                                           {"keep.txt", "not in the set"}};
  EXPECT_EQ(snapshot(), expected);
  // Written again over itself, with a shorter file where a longer one was.
  std::vector<PendingFile> again = set();
  again[2] = {path("c.dat"), 0, whole("short")};
  disk_.write_set(again);
  expected["c.dat"] = "short";
  EXPECT_EQ(snapshot(), expected);
}

// A failure at each step of each file: the open of a file, a piece the
// system refuses, a producer that throws, the rename. Every file stays as it
// was, with no temporary file or second name left; the error names the file
// and the system's reason.
TEST_F(FileSetOnDisk, AFailureAtAnyStepLeavesEveryFileAsItWas) {
  struct Case {
    const char* what;
    std::function<void(std::vector<PendingFile>&)> arrange;
    std::size_t failing;  // the file named in the error
    const char* reason;   // empty: the producer's exception passes through
    bool limit_file_size = false;
  };
  auto in_no_directory = [&](std::size_t i) {
    return [&, i](std::vector<PendingFile>& s) {
      s[i].path = path("missing/" + fs::path(s[i].path).filename().string());
    };
  };
  auto directory_at = [&](const char* name) {
    return [&, name](std::vector<PendingFile>&) {
      fs::remove(dir_ / name);
      fs::create_directories(dir_ / name);
      disk_.write(path(std::string(name) + "/inside"), "inside");
    };
  };
  const std::vector<Case> cases = {
      {"the second file cannot be created", in_no_directory(1), 1, "No such file or directory"},
      {"the last file cannot be created", in_no_directory(2), 2, "No such file or directory"},
      {"the system refuses a piece of the last file, after some were written",
       [](std::vector<PendingFile>& s) { s[2].pieces = forwards(pattern(3 << 20, 'c'), 1 << 16); },
       2, "File too large", true},
      {"a piece lies beyond any file",
       [](std::vector<PendingFile>& s) {
         s[1].pieces = [](const PieceSink& write) {
           write(0, "x");
           write(std::uint64_t{1} << 63, "y");
         };
       },
       1, "File too large"},
      {"the producer of the second file throws",
       [](std::vector<PendingFile>& s) {
         s[1].pieces = [](const PieceSink& write) {
           write(0, "some");
           throw std::runtime_error("no more pieces");
         };
       },
       1, ""},
      {"the first rename fails", directory_at("a.dat"), 0, "Is a directory"},
      {"the second rename fails, after the first", directory_at("b.dat"), 1, "Is a directory"},
      {"the last rename fails, after the two others", directory_at("c.dat"), 2, "Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_ / "a.dat");
    fs::remove_all(dir_ / "b.dat");
    fs::remove_all(dir_ / "c.dat");
    disk_.write(path("a.dat"), pattern(100000, 'a'));
    disk_.write(path("c.dat"), "old c");
    std::vector<PendingFile> s = set();
    c.arrange(s);
    const std::map<std::string, Entry> before = snapshot();
    try {
      std::unique_ptr<FileSizeLimit> limit;
      if (c.limit_file_size) limit = std::make_unique<FileSizeLimit>(1 << 20);
      disk_.write_set(s);
      ADD_FAILURE() << "no failure";
    } catch (const FileError& e) {
      EXPECT_EQ(e.path(), s[c.failing].path);
      EXPECT_EQ(e.reason(), c.reason);
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(c.reason), "") << e.what();
    }
    EXPECT_EQ(snapshot(), before);
  }
}

// What a stopped run leaves under the scratch names is replaced, never
// written through: a temporary file made read-only, a link to an author's
// file under a temporary name, an older file's second name.
TEST_F(FileSetOnDisk, LeftoversUnderTheScratchNamesAreReplaced) {
  disk_.write(path("a.dat.tmp"), pattern(200000, 't'));
  disk_.write(path("a.dat.old.tmp"), "a second name left behind");
  disk_.write(path("b.dat.tmp"), "read-only");
  fs::permissions(dir_ / "b.dat.tmp", fs::perms::owner_read);
  disk_.write(path("author.txt"), "the author's own");
  fs::create_symlink(dir_ / "author.txt", dir_ / "c.dat.tmp");
  disk_.write_set(set());
  EXPECT_EQ(snapshot(), (std::map<std::string, Entry>{{"a.dat", "new a.d"},
                                                      {"author.txt", "the author's own"},
                                                      {"b.dat", "new b"},
                                                      {"c.dat", pattern(3 << 20, 'c')},
                                                      {"keep.txt", "not in the set"}}));
}

// The program killed while the first, the second or the last file is being
// written: every file keeps its older bytes, and the next write of the set,
// over whatever the killed one left, gives the new set and nothing beside.
TEST_F(FileSetOnDisk, AProgramKilledInTheMiddleOfTheSetLeavesTheOlderSet) {
  for (std::size_t stopped_in = 0; stopped_in < 3; ++stopped_in) {
    SCOPED_TRACE("killed while file " + std::to_string(stopped_in) + " is written");
    const std::map<std::string, Entry> before = snapshot();
    std::vector<PendingFile> s = set();
    s[stopped_in].pieces = [](const PieceSink& write) {
      write(0, "a first piece");
      ::raise(SIGKILL);
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        disk_.write_set(s);
      } catch (...) {
      }
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    for (const char* name : {"a.dat", "b.dat", "c.dat", "keep.txt"}) {
      const auto it = before.find(name);
      if (it == before.end())
        EXPECT_FALSE(fs::exists(dir_ / name)) << name;
      else
        EXPECT_EQ(Entry(disk_.read(path(name))), it->second) << name;
    }
    disk_.write_set(set());
    EXPECT_EQ(snapshot(), (std::map<std::string, Entry>{{"a.dat", "new a.d"},
                                                        {"b.dat", "new b"},
                                                        {"c.dat", pattern(3 << 20, 'c')},
                                                        {"keep.txt", "not in the set"}}));
    // The older set again, for the next round.
    disk_.write(path("a.dat"), pattern(100000, 'a'));
    disk_.remove(path("b.dat"));
    disk_.write(path("c.dat"), "old c");
  }
}

}  // namespace
}  // namespace sb
