// The dump of a compiled file: every record with its fields named as in the
// route model, as an aligned text table or as one JSON object.
//
// Everything here works on bytes in memory; the `dump` subcommand reads the
// file and prints what these functions build. The kind of a file is told by
// its name and then checked by its structure: the strict decoders of
// compiled_files.h refuse anything that a serialiser could not have written.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compiled_files.h"
#include "compiler/route_model.h"
#include "sources/file_names.h"
#include "tools/route_reading.h"
#include "tools/text_encoding.h"

namespace sb {

// "route file", "item file", "track plan": for messages.
const char* describe_kind(CompiledFileKind g);

// The text that a refused file gets on the error stream:
// "FILE: not a valid route file: record R, byte offset O: REASON".
std::string refusal_message(std::string_view file, CompiledFileKind g, const FormatError& e);

// The shortest text that reads back as exactly the same Double, always with a
// decimal point or an exponent ("1.0", "-0.0", "1e+300"); "nan", "inf",
// "-inf" for the values that have no digits.
std::string exact_number(double v);

// The aligned tables: a header row of field names, then one row per record,
// the record index first (cella, oggetto, metro).
std::string route_table(const std::vector<cella>& percorso);
std::string item_table(const std::array<oggetto, kItemCount>& oggetti);
std::string track_plan_table(const std::vector<TrackValue>& x, const std::vector<TrackValue>& y);

// The route table cut to the cells where something changes: cell 0, then
// every cell that differs from the one before it in any field. Same columns
// as route_table; the index column keeps the cells' own indices, so that each
// row stands for its cell and the unchanged cells after it, up to the next row.
std::string route_changes_table(const std::vector<cella>& percorso);

// The JSON objects: {"kind": "route" | "items" | "track_plan", "records": [...]},
// one record per line, each an object of the same field names as the table.
// Texts become UTF-8; track plan values carry their tag ("vuoto", "intero",
// "doppio") and an empty value is null. A Double that JSON cannot hold (an
// infinity or a NaN) is written as the string "Infinity", "-Infinity" or "NaN".
std::string route_json(const std::vector<cella>& percorso);
std::string items_json(const std::array<oggetto, kItemCount>& oggetti);
std::string track_plan_json(const std::vector<TrackValue>& x, const std::vector<TrackValue>& y);

// The route for people (see route_reading.h), cut by `filter`.
// The table: cella, km, kind, speed, gradient, adhesion, values.
std::string readable_route_table(const std::vector<cella>& percorso,
                                 const std::array<oggetto, kItemCount>* oggetti,
                                 const CellFilter& filter);

// {"kind": "route", "records": [...]}: each record has the raw fields of the
// cell under their schema names, and beside them "metre", "km", "kind_name",
// "speed_kmh", "gradient_per_mille" and "values" (the decoded values).
std::string readable_route_json(const std::vector<cella>& percorso,
                                const std::array<oggetto, kItemCount>* oggetti,
                                const CellFilter& filter);

// decode_route for a file that an author gives to a tool: an empty file is
// refused as well, since every compiled route has cells.
bool decode_route_file(std::string_view bytes, std::vector<cella>* out, FormatError* err);

// Decodes `bytes` as a file of kind `g` and builds its table or its JSON into
// *out. Returns false and fills *err when the decoder refuses the bytes.
bool describe_file(CompiledFileKind g, std::string_view bytes, bool json, std::string* out,
                   FormatError* err);

}  // namespace sb
