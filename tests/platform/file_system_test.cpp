// Files written in pieces: every piece lands at its position, whatever the
// order, and on disk the file is replaced whole or not at all.
#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/memory_file_system.h"

namespace sb {
namespace {

namespace fs = std::filesystem;

// Three pieces out of order: the file is "abcdefghij".
void three_pieces(const std::function<void(std::uint64_t, std::string_view)>& write) {
  write(4, "efgh");
  write(0, "abcd");
  write(8, "ij");
}

TEST(FileSystemPieces, AFileSystemWithoutPiecesGetsThemJoined) {
  testing::MemoryFileSystem files;
  files.write_pieces("/x/a.dat", 10, three_pieces);
  EXPECT_EQ(files.files.at("/x/a.dat"), "abcdefghij");
  EXPECT_EQ(files.log, std::vector<std::string>{"write /x/a.dat"});
}

class FileSystemOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("sb_pieces_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string file(const char* name) const { return (dir_ / name).string(); }
  bool a_temporary_is_left() const {
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().extension() == ".tmp") return true;
    return false;
  }

  DiskFileSystem files_;
  fs::path dir_;
};

// Whatever size is announced, the file holds its pieces and nothing more.
TEST_F(FileSystemOnDisk, PiecesReplaceALongerOlderFile) {
  for (const std::uint64_t announced : {0, 10, 3, 1 << 20}) {
    files_.write(file("a.dat"), std::string(100000, 'z'));
    files_.write_pieces(file("a.dat"), announced, three_pieces);
    EXPECT_EQ(files_.read(file("a.dat")), "abcdefghij") << announced;
    EXPECT_FALSE(a_temporary_is_left());
  }
}

TEST_F(FileSystemOnDisk, AProducerThatFailsLeavesTheOlderFile) {
  files_.write(file("a.dat"), "old");
  EXPECT_THROW(files_.write_pieces(file("a.dat"), 3,
                                   [](const auto& write) {
                                     write(0, "new");
                                     throw std::runtime_error("no more pieces");
                                   }),
               std::runtime_error);
  EXPECT_EQ(files_.read(file("a.dat")), "old");
  EXPECT_FALSE(a_temporary_is_left());
}

// Read into a string of the file's size: empty files, and files around the
// size of one read, come back whole.
TEST_F(FileSystemOnDisk, FilesOfEverySizeReadBackWhole) {
  for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{65535},
                              std::size_t{65536}, std::size_t{300001}}) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i * 7 + i / 300);
    files_.write(file("b.dat"), bytes);
    EXPECT_EQ(files_.read(file("b.dat")), bytes) << n;
  }
}

}  // namespace
}  // namespace sb
