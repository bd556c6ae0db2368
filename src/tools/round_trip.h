// The round trip of a decompile: the compiled files are decoded and
// decompiled, the sources that come out are compiled again in memory by the
// same compile step as `compile`, and the result is compared with the
// compiled files byte for byte. Where they differ, the semantic diff says
// what, and the rows that give back the differing records get a comment.
// Everything here works on bytes in memory; `decompile` reads and writes the
// files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_step.h"
#include "compiler/compiled_files.h"
#include "sources/file_names.h"
#include "tools/decompiler.h"
#include "tools/diff.h"

namespace sb {

// The bytes of a compiled scenario; no track plan when it was compiled
// without one.
struct CompiledBytes {
  std::string_view route;
  std::string_view items;
  std::optional<std::string_view> track_plan;
};

// A file that a decoder refused.
struct RefusedFile {
  CompiledFileKind kind = CompiledFileKind::kRoute;
  FormatError error;
};

struct RoundTrip {
  Decompiled sources;  // the doubtful rows with their comments when !same()
  // The compile of the sources gives the same bytes in every file.
  bool bytes_same = false;
  CompileOutcome outcome;
  std::vector<RecordedCode> codes;      // what the compile of the sources recorded
  std::vector<PassCode> pass_codes;     // and its post-processing
  std::vector<Difference> differences;  // the semantic diff, when the bytes differ
  // The first records that differ, field by field: "cell 65 (km 3+200):
  // dato1 22 → 23", "item 3: valore_d 27300 → 27360", "track plan: value 70
  // (x of metre 70) differs".
  std::vector<std::string> records;
  std::size_t differing_records = 0;  // all of them, beyond the ones listed

  // The sources compile, without an error, to the same bytes.
  bool same() const {
    return bytes_same && outcome.complete() && codes.empty() && pass_codes.empty();
  }
};

// Decodes, decompiles, compiles again and compares. Returns false and fills
// *refused when a decoder refuses one of the files.
bool round_trip(const CompiledBytes& compiled, RoundTrip* out, RefusedFile* refused);

}  // namespace sb
