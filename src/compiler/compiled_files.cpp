#include "compiler/compiled_files.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "platform/file_system.h"

namespace sb {

namespace {

// ---- Writing ----

// The low n bytes of v, lowest first.
void put_le(std::string& s, std::uint64_t v, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    s.push_back(static_cast<char>(static_cast<Byte>(v >> (8 * i))));
}

// The low n bytes of v, lowest first, at p; returns the position after them.
// On a little-endian host those are the first n bytes of v in memory, copied
// at once.
char* write_le(char* p, std::uint64_t v, std::size_t n) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, n);
    return p + n;
  } else {
    for (std::size_t i = 0; i < n; ++i) *p++ = static_cast<char>(static_cast<Byte>(v >> (8 * i)));
    return p;
  }
}

// One field of a record in its width, lowest byte first; a text as its 16-bit
// byte count and its bytes.
template <typename T>
void put_field(std::string& s, T v) {
  put_le(s, static_cast<std::make_unsigned_t<T>>(v), sizeof(T));
}
void put_field(std::string& s, const Text& v) {
  put_le(s, v.size(), 2);
  s += v;
}

// Writes one integer field at p in its width; returns the position after it.
template <typename T>
char* write_field(char* p, T v) {
  return write_le(p, static_cast<std::make_unsigned_t<T>>(v), sizeof(T));
}

// Writes one cell at p, field by field in the order of the record schema;
// returns the position after it.
char* write_cell(char* p, const cella& c) {
  visit_fields(c, [&](std::string_view, auto v) { p = write_field(p, v); });
  return p;
}

// The model holds an integer element as a Double; it is always a 16-bit value
// because only TrackPlan::set_integer makes one. Checked all the same, since
// converting an out-of-range Double to an integer is undefined.
Integer track_plan_integer(double v) {
  if (!(v >= -32768.0 && v <= 32767.0) || v != std::trunc(v)) {
    throw std::logic_error("track plan integer element that is not a 16-bit integer");
  }
  return static_cast<Integer>(v);
}

// The size of a track plan element of each type: the type code and the value.
constexpr std::size_t value_bytes(TrackValueType t) {
  return t == TrackValueType::kDouble ? 10 : t == TrackValueType::kInteger ? 4 : 2;
}
constexpr std::size_t kLargestValue = value_bytes(TrackValueType::kDouble);

// The rare track plan elements: the empty ones and the integers.
char* write_other_value(char* p, const TrackValue& v) {
  switch (v.type) {
    case TrackValueType::kEmpty:
      return p;
    case TrackValueType::kInteger:
      return write_le(p, static_cast<std::uint16_t>(track_plan_integer(v.value)), 2);
    case TrackValueType::kDouble:
      break;
  }
  throw std::logic_error("track plan element of unknown type");
}

// Writes one track plan element at p, which has room for kLargestValue
// bytes; returns the position after it. Nearly all are Doubles.
char* write_value(char* p, const TrackValue& v) {
  p = write_le(p, static_cast<std::uint16_t>(v.type), 2);
  if (v.type == TrackValueType::kDouble)
    return write_le(p, std::bit_cast<std::uint64_t>(v.value), 8);
  return write_other_value(p, v);
}

// A block of a file written in pieces: filled from its start, then handed
// over with its position in the file, and filled again. Its room of
// `capacity` bytes is never cleared: only the bytes written are handed over.
struct Block {
  explicit Block(std::size_t capacity)
      : bytes(std::make_unique_for_overwrite<char[]>(capacity)), p(bytes.get()) {}

  void hand_over(const PieceSink& piece) {
    const auto n = static_cast<std::size_t>(p - bytes.get());
    piece(position, std::string_view(bytes.get(), n));
    position += n;
    p = bytes.get();
  }

  std::unique_ptr<char[]> bytes;
  char* p;
  std::uint64_t position = 0;
};

// ---- Reading ----

// "1 byte", "2 bytes": the counts in the refusal messages.
std::string counted_bytes(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// A read position in a buffer, and the record being read. Every read first
// checks that the bytes are there; a read that fails reports the field, the
// record and the offset into *err and leaves the position where it was.
class Decoder {
 public:
  Decoder(std::string_view bytes, FormatError* err) : bytes_(bytes), err_(err) {}

  void record(std::size_t i) { record_ = i; }
  std::size_t position() const { return pos_; }
  bool at_end() const { return pos_ == bytes_.size(); }

  // n little-endian bytes as an unsigned number.
  bool number(std::string_view field, std::size_t n, std::uint64_t* v) {
    if (!present(field, n)) return false;
    std::uint64_t u = 0;
    for (std::size_t i = 0; i < n; ++i) {
      u |= std::uint64_t{static_cast<Byte>(bytes_[pos_ + i])} << (8 * i);
    }
    pos_ += n;
    *v = u;
    return true;
  }
  // A text: its 16-bit byte count, then that many bytes.
  bool text(std::string_view field, std::string* v) {
    std::uint64_t t = 0;
    if (!number("text length", 2, &t) || !present(field, t)) return false;
    v->assign(bytes_.substr(pos_, t));
    pos_ += t;
    return true;
  }

  // Records the fault at `offset` in the current record; always false.
  bool refuse(std::size_t offset, std::string reason) {
    if (err_ != nullptr) *err_ = FormatError{record_, offset, std::move(reason)};
    return false;
  }

 private:
  bool present(std::string_view field, std::size_t n) {
    const std::size_t left = bytes_.size() - pos_;
    if (left >= n) return true;
    return refuse(pos_, "file cut short in " + std::string(field) + ": " + counted_bytes(n) +
                            " needed, " + std::to_string(left) + " left");
  }

  std::string_view bytes_;
  FormatError* err_;
  std::size_t pos_ = 0;
  std::size_t record_ = 0;
};

// Reads one field of a record, named as in the schema.
template <typename T>
bool read_field(Decoder& d, std::string_view name, T* v) {
  std::uint64_t u = 0;
  if (!d.number(name, sizeof(T), &u)) return false;
  *v = static_cast<T>(static_cast<std::make_unsigned_t<T>>(u));
  return true;
}
bool read_field(Decoder& d, std::string_view name, Text* v) {
  return d.text(name, v);
}

// Reads a record field by field in the order of the record schema.
template <typename Record>
bool read_record(Decoder& d, Record* r) {
  bool ok = true;
  visit_fields(*r, [&](std::string_view name, auto& v) { ok = ok && read_field(d, name, &v); });
  return ok;
}

bool read_value(Decoder& d, TrackValue* v) {
  const std::size_t start = d.position();
  std::uint16_t code = 0;
  if (!read_field(d, "type code", &code)) return false;
  switch (code) {
    case static_cast<std::uint16_t>(TrackValueType::kEmpty):
      *v = TrackValue{};
      return true;
    case static_cast<std::uint16_t>(TrackValueType::kInteger): {
      Integer i = 0;
      if (!read_field(d, "integer value", &i)) return false;
      *v = TrackValue{TrackValueType::kInteger, static_cast<double>(i)};
      return true;
    }
    case static_cast<std::uint16_t>(TrackValueType::kDouble): {
      std::uint64_t u = 0;
      if (!d.number("Double value", 8, &u)) return false;
      *v = TrackValue{TrackValueType::kDouble, std::bit_cast<double>(u)};
      return true;
    }
  }
  return d.refuse(start, "unknown type code " + std::to_string(code));
}

}  // namespace

std::uint64_t track_plan_size(const TrackPlan& plan) {
  if (!plan.allocated()) return 0;
  std::uint64_t axis = 0;  // the size of the values of one axis
  for (const TrackValueType t :
       {TrackValueType::kEmpty, TrackValueType::kInteger, TrackValueType::kDouble})
    axis += static_cast<std::uint64_t>(plan.count(t)) * value_bytes(t);
  return 2 * axis;
}

void serialize_track_plan(const TrackPlan& plan, const PieceSink& piece, std::size_t most) {
  if (!plan.allocated()) return;
  // One block for the x values, written from the start of the file, and one
  // for the y values, written from the middle; each is handed over whenever a
  // stretch of points has filled it. The two blocks are all the memory the
  // file takes.
  const std::uint64_t half = track_plan_size(plan) / 2;  // the size of the x values
  const std::size_t points_per_block = std::max<std::size_t>(most / kLargestValue, 1);
  const auto capacity =
      static_cast<std::size_t>(std::min<std::uint64_t>(points_per_block * kLargestValue, half));
  Block x(capacity);
  Block y(capacity);
  y.position = half;
  TrackPlan::Cursor cursor(plan);
  while (cursor.metre() < plan.last_metre()) {
    cursor.read_to(cursor.metre() + static_cast<Long>(points_per_block),
                   [&](const TrackValue& vx, const TrackValue& vy) {
                     x.p = write_value(x.p, vx);
                     y.p = write_value(y.p, vy);
                   });
    x.hand_over(piece);
    y.hand_over(piece);
  }
}

std::string serialize_track_plan(const TrackPlan& plan) {
  return join_pieces([&](const PieceSink& piece) { serialize_track_plan(plan, piece); });
}

std::string serialize_items(const std::array<oggetto, kItemCount>& oggetti) {
  std::string s;
  std::size_t index = 0;
  for (const oggetto& o : oggetti) {
    if (o.testo.size() > kMaxTextBytes) {
      throw std::length_error("item " + std::to_string(index) + ": a text of " +
                              std::to_string(o.testo.size()) + " bytes exceeds the " +
                              std::to_string(kMaxTextBytes) + " bytes a record can hold");
    }
    visit_fields(o, [&](std::string_view, const auto& v) { put_field(s, v); });
    ++index;
  }
  return s;
}

void serialize_route(const std::vector<cella>& percorso, const PieceSink& piece, std::size_t most) {
  const std::size_t cells_per_block = std::max<std::size_t>(most / kCellRecordBytes, 1);
  Block b(std::min(percorso.size(), cells_per_block) * kCellRecordBytes);
  for (std::size_t i = 0; i < percorso.size(); i += cells_per_block) {
    const std::size_t end = std::min(percorso.size(), i + cells_per_block);
    for (std::size_t c = i; c < end; ++c) b.p = write_cell(b.p, percorso[c]);
    b.hand_over(piece);
  }
}

std::string serialize_route(const std::vector<cella>& percorso) {
  return join_pieces([&](const PieceSink& piece) { serialize_route(percorso, piece); });
}

bool decode_route(std::string_view bytes, std::vector<cella>* out, FormatError* err) {
  Decoder d(bytes, err);
  const std::size_t n = bytes.size() / kCellRecordBytes;
  if (bytes.size() % kCellRecordBytes != 0) {
    d.record(n);
    return d.refuse(n * kCellRecordBytes,
                    "size " + std::to_string(bytes.size()) + " is not a multiple of " +
                        std::to_string(kCellRecordBytes) + ": the last record has " +
                        counted_bytes(bytes.size() % kCellRecordBytes));
  }
  std::vector<cella> cells(n);
  for (std::size_t i = 0; i < n; ++i) {
    d.record(i);
    if (!read_record(d, &cells[i])) return false;
  }
  *out = std::move(cells);
  return true;
}

bool decode_items(std::string_view bytes, std::array<oggetto, kItemCount>* out, FormatError* err) {
  Decoder d(bytes, err);
  std::array<oggetto, kItemCount> items{};
  std::size_t i = 0;
  for (oggetto& o : items) {
    d.record(i++);
    if (!read_record(d, &o)) return false;
  }
  if (!d.at_end()) {
    d.record(kItemCount);
    return d.refuse(d.position(), counted_bytes(bytes.size() - d.position()) +
                                      " after the last of the " + std::to_string(kItemCount) +
                                      " records");
  }
  *out = std::move(items);
  return true;
}

namespace {

// Reads every tagged value of a track plan file, in file order, calling
// f(value) for each; checks that they split into x and y.
template <typename F>
bool read_track_values(std::string_view bytes, FormatError* err, F&& f) {
  Decoder d(bytes, err);
  std::size_t count = 0;
  while (!d.at_end()) {
    d.record(count);
    TrackValue v;
    if (!read_value(d, &v)) return false;
    f(v);
    ++count;
  }
  if (count % 2 != 0) {
    d.record(count);
    return d.refuse(bytes.size(), "an odd number of values (" + std::to_string(count) +
                                      ") cannot be split into x and y");
  }
  return true;
}

}  // namespace

bool decode_track_plan(std::string_view bytes, std::vector<TrackValue>* x,
                       std::vector<TrackValue>* y, FormatError* err) {
  std::vector<TrackValue> values;
  if (!read_track_values(bytes, err, [&](const TrackValue& v) { values.push_back(v); })) {
    return false;
  }
  const auto half = static_cast<std::ptrdiff_t>(values.size() / 2);
  x->assign(values.begin(), values.begin() + half);
  y->assign(values.begin() + half, values.end());
  return true;
}

bool track_plan_is_well_formed(std::string_view bytes, FormatError* err) {
  // A walk over the type codes alone, which a large file needs to be quick;
  // at the first fault the decoder reads the file again, to name it.
  std::size_t position = 0;
  std::size_t count = 0;
  const std::size_t size = bytes.size();
  bool well_formed = true;
  while (position < size) {
    if (size - position < 2) {
      well_formed = false;
      break;
    }
    const unsigned code = static_cast<Byte>(bytes[position]) |
                          (unsigned{static_cast<Byte>(bytes[position + 1])} << 8);
    std::size_t value_bytes = 0;
    if (code == static_cast<unsigned>(TrackValueType::kInteger)) {
      value_bytes = 2;
    } else if (code == static_cast<unsigned>(TrackValueType::kDouble)) {
      value_bytes = 8;
    } else if (code != static_cast<unsigned>(TrackValueType::kEmpty)) {
      well_formed = false;
      break;
    }
    if (size - position - 2 < value_bytes) {
      well_formed = false;
      break;
    }
    position += 2 + value_bytes;
    ++count;
  }
  if (well_formed && count % 2 == 0) return true;
  return read_track_values(bytes, err, [](const TrackValue&) {});
}

}  // namespace sb
