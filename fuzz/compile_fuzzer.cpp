// The fuzzer of the compiler: every input is compiled in memory, written to
// the three compiled files, decoded again and checked (invariants.h). A
// violated property aborts with its description; a crash, a leak or undefined
// behaviour is reported by the sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > sb::fuzz::kLargestInput) return -1;  // not added to the corpus
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string violation = sb::fuzz::check_compilation(input);
  if (!violation.empty()) {
    std::fprintf(stderr, "invariant violated: %s\n", violation.c_str());
    std::abort();
  }
  return 0;
}
