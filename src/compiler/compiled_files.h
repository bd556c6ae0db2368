// The three compiled files as bytes in memory, and their decoders.
//
// Each file is the plain image of one array of the route model: packed
// little-endian records, no header, no padding, nothing between records.
// The serialisers build the whole file in a string, or hand it over in
// pieces of bounded size for the two files that grow with the line; the
// caller writes it. Every multi-byte value is written lowest byte first and
// read byte by byte, so the layout does not depend on the host's byte order
// or on how the compiler lays out a struct.
//
// The decoders are the inverse, for the dump tool and for round-trip tests.
// They are strict: they accept exactly the bytes that a serialiser can
// produce in shape (sizes, tags, record counts) and refuse anything else with
// an FormatError. They read only within the buffer, and allocate no more
// than the buffer's own size warrants, whatever its bytes say.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

// The size of one route file record.
inline constexpr std::size_t kCellRecordBytes = 15;
// The size of an item file record without its text.
inline constexpr std::size_t kItemRecordBytesWithoutText = 34;
// The longest text an item record can carry: its length is a 16-bit count.
inline constexpr std::size_t kMaxTextBytes = 65535;

// The line geometry file: the x values of points 0 to the last, then the y
// values, each a 2-byte type code (the value of its TrackValueType: 0, 2 or 5)
// followed by 0, 2 or 8 bytes.
// An unallocated track plan gives an empty string. Throws std::logic_error
// for an integer element whose value is not a 16-bit integer, which the
// model's setters never produce.
std::string serialize_track_plan(const TrackPlan& plan);
// Its size in bytes, without computing the points.
std::uint64_t track_plan_size(const TrackPlan& plan);

// Receives the pieces of a file written in pieces, each with its position in
// the file.
using PieceSink = std::function<void(std::uint64_t position, std::string_view piece)>;

// The largest piece of a compiled file written in pieces. Large pieces make
// few, cheap writes; two of them are all the memory the track plan takes.
inline constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

// The same bytes handed to `piece` in pieces of at most `most` bytes (at
// least one value's worth), each with its position in the file: at 20 bytes a
// metre, the file of a long line is better not held in memory whole. The x
// and the y values of a point come from one computation of the plan and go to
// the two halves of the file, whose pieces therefore alternate.
void serialize_track_plan(const TrackPlan& plan, const PieceSink& piece,
                          std::size_t most = kPieceBytes);

// The item file: 87 records of 34 + t bytes, t the length of the record's
// text. The text is written as its bytes, unchanged: the model already holds
// it in the file's 8-bit code page. Throws std::length_error when a text is
// longer than kMaxTextBytes bytes, which its 16-bit count cannot represent;
// no source field of sane size gives such a text, and cutting it would write
// a record that reads back different.
std::string serialize_items(const std::array<oggetto, kItemCount>& oggetti);

// The route file: one 15-byte record per cell, cell 0 first.
std::string serialize_route(const std::vector<cella>& percorso);
// The same bytes handed to `piece` in pieces of at most `most` bytes (at
// least one record's worth), in order, each with its position in the file.
void serialize_route(const std::vector<cella>& percorso, const PieceSink& piece,
                     std::size_t most = kPieceBytes);

// Why a decoder refused a file. `record` is the index of the record where
// the fault lies (for the line geometry file, the index of the tagged value
// in file order: x values first, then y values). `offset` is the byte
// position of the field that could not be read in full or holds a bad value,
// or of the first byte that should not be there.
struct FormatError {
  std::size_t record = 0;
  std::size_t offset = 0;
  std::string reason;
};

// Each decoder returns true and fills its output with the whole file, or
// returns false, fills *err and leaves the output unchanged.

// Refuses a size that is not a multiple of 15 bytes. An empty file gives an
// empty route.
bool decode_route(std::string_view bytes, std::vector<cella>* out, FormatError* err);

// Refuses a file cut short (fewer than 87 records, or a record or text that
// runs past the end) and bytes after the 87th record.
bool decode_items(std::string_view bytes, std::array<oggetto, kItemCount>* out, FormatError* err);

// Splits the values into x and y (both of the same length). Refuses an
// unknown type code, a value cut short, and an odd number of values.
bool decode_track_plan(std::string_view bytes, std::vector<TrackValue>* x,
                       std::vector<TrackValue>* y, FormatError* err);
// The same checks without keeping the values: true when decode_track_plan
// would accept the bytes.
bool track_plan_is_well_formed(std::string_view bytes, FormatError* err);

}  // namespace sb
