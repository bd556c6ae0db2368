#include "sources/righe.h"

#include <gtest/gtest.h>

#include "support/memory_file_system.h"

namespace sb {
namespace {

TEST(Righe, EveryLineEndsInCrLfAndTheMarkerIsNotWritten) {
  Righe r;
  r << "[generale]"
    << "  blanks kept  ";
  r.close();
  EXPECT_EQ(document_text(r), "[generale]\r\n  blanks kept  \r\n");
}

TEST(Righe, UnfilledSlotsBelowTheMarkerAreEmptyLines) {
  Righe r;
  r[0] = "a";
  r[3] = std::string(kEndMarker);
  EXPECT_EQ(document_text(r), "a\r\n\r\n\r\n");
}

TEST(Righe, MarkerInSlotZeroGivesAnEmptyFile) {
  Righe r;
  r[0] = std::string(kEndMarker);
  r[1] = "never written";
  EXPECT_EQ(document_text(r), "");
}

TEST(Righe, OnlyTheExactMarkerEndsTheDocument) {
  Righe r;
  r << "riferimento fine del file "
    << "Riferimento fine del file";
  r.close();
  EXPECT_EQ(document_text(r), "riferimento fine del file \r\nRiferimento fine del file\r\n");
}

TEST(Righe, AListWithoutMarkerStopsAfterTheLastSlot) {
  Righe r;
  for (int k = 0; k < Righe::kSlot; ++k) r[k] = "x";
  EXPECT_EQ(document_text(r).size(), 3u * Righe::kSlot);
  EXPECT_THROW(r[Righe::kSlot], std::out_of_range);
}

TEST(ScriviRighe, ReplacesALongerOlderFile) {
  testing::MemoryFileSystem fs;
  fs.files["/d/doc.txt"] = std::string(5000, 'z');
  Righe r;
  r << "one";
  r.close();
  scrivi_righe(r, "/d/doc.txt", fs);
  EXPECT_EQ(fs.files["/d/doc.txt"], "one\r\n");
}

}  // namespace
}  // namespace sb
