// What the rows and fields of the two sources are, in the words of the
// authors' pages docs/line-source.md and docs/train-source.md, which are
// built into the program: the editor's hover quotes them, so that it never
// says anything the pages do not.
//
// A row is found by its keyword: the section whose heading names it in
// parentheses ("## Speed limits (velocita)"), or the row of a table whose
// first cell gives it in backquotes (the general rows). A field is found in
// the section's tables by its number or name, or, failing that, by the table
// rows that name it in backquotes (how a signal's `s1` is stored).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "sources/row_syntax.h"

namespace sb {

// The row in the pages' words, as Markdown: the first paragraph of its
// section, or its table row as "heading: text" lines. Empty when the pages
// do not describe it.
std::string row_description(const RowSyntax& row);

// Field `field` (1 for the first after the keyword) in the pages' words;
// empty when no table of the row's section speaks of it.
std::string field_description(const RowSyntax& row, std::size_t field);

}  // namespace sb
