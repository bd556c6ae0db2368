// The limits of what the source reader accepts. Input beyond them is refused
// with the limit's own error code (error_codes.h) before anything of it is
// stored, never cut short or wrapped.
#pragma once

#include <cstddef>

#include "compiler/compiled_files.h"

namespace sb {

// The largest source file, in bytes. A real source stays far below it: even a
// line of 1000000 m with a row for every 50 m cell of every kind is a few
// megabytes. It also keeps the line and column counts of the diagnostics well
// inside an int.
inline constexpr std::size_t kMassimoSorgente = 16 * 1024 * 1024;

// The longest field, in bytes from its first character after the blanks to
// its closing comma or line end (quotes included). A text field becomes an
// item text, whose length the item file stores in 16 bits: a longer one could
// only be written cut short.
inline constexpr std::size_t kMassimoCampo = kMassimoTesto;

static_assert(kMassimoCampo <= kMassimoTesto, "every text field must fit an item record");

}  // namespace sb
