// The record schema drives the serialisers, the decoders and the dump: a walk
// over it checks that all of them agree on every field's name, width and
// place, so that adding or moving a field cannot leave one of them behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/compiled_files.h"
#include "compiler/route_model.h"
#include "tools/dump.h"

namespace sb {
namespace {

// The width in bytes of a numeric field, as the record stores it.
template <typename T>
constexpr std::size_t width_of(const T&) {
  return sizeof(T);
}

// Gives every numeric field of a record a distinct value that fills its
// width (0x81, 0x8283, 0x84858687, ...), so that a field written at the wrong
// place, in the wrong width or the wrong byte order shows.
template <typename Record>
Record distinct_record() {
  Record r{};
  unsigned next = 0x81;
  visit_fields(r, [&](std::string_view, auto& v) {
    using T = std::decay_t<decltype(v)>;
    if constexpr (std::is_same_v<T, Text>) {
      v = "ab";
    } else {
      std::uint64_t u = 0;
      for (std::size_t i = 0; i < sizeof(T); ++i) u = (u << 8) | (next++ & 0xFF);
      v = static_cast<T>(u);
    }
  });
  return r;
}

// The value stored little-endian at `offset` in `width` bytes.
std::uint64_t read_le(const std::string& bytes, std::size_t offset, std::size_t width) {
  std::uint64_t u = 0;
  for (std::size_t i = 0; i < width; ++i)
    u |= std::uint64_t{static_cast<unsigned char>(bytes.at(offset + i))} << (8 * i);
  return u;
}

// The first line of a table: its column names.
std::vector<std::string> header(const std::string& table) {
  std::vector<std::string> names;
  std::string word;
  for (const char c : table.substr(0, table.find('\n'))) {
    if (c == ' ') {
      if (!word.empty()) names.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) names.push_back(word);
  return names;
}

TEST(RecordSchema, CellFieldsAreWrittenReadAndDumpedAlike) {
  const cella c = distinct_record<cella>();
  const std::string bytes = serialize_route({c});
  std::size_t offset = 0;
  std::vector<std::string> names = {"cella"};
  visit_fields(c, [&](std::string_view name, const auto& v) {
    using U = std::make_unsigned_t<std::decay_t<decltype(v)>>;
    EXPECT_EQ(read_le(bytes, offset, width_of(v)), static_cast<U>(v)) << name;
    offset += width_of(v);
    names.emplace_back(name);
  });
  EXPECT_EQ(offset, kCellRecordBytes);
  EXPECT_EQ(bytes.size(), kCellRecordBytes);
  EXPECT_EQ(kCellaFieldCount, static_cast<int>(names.size()) - 1);

  std::vector<cella> back;
  FormatError err;
  ASSERT_TRUE(decode_route(bytes, &back, &err)) << err.reason;
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0], c);

  EXPECT_EQ(header(route_table({c})), names);
  // The JSON names the same fields in the same order.
  const std::string json = route_json({c});
  std::size_t at = 0;
  for (const std::string& name : names) {
    const std::size_t found = json.find("\"" + name + "\": ", at);
    ASSERT_NE(found, std::string::npos) << name;
    at = found;
  }
}

TEST(RecordSchema, ItemFieldsAreWrittenReadAndDumpedAlike) {
  std::array<oggetto, kItemCount> items{};
  items[0] = distinct_record<oggetto>();
  const std::string bytes = serialize_items(items);
  std::size_t offset = 0;
  std::vector<std::string> names = {"oggetto"};
  visit_fields(items[0], [&](std::string_view name, const auto& v) {
    using T = std::decay_t<decltype(v)>;
    if constexpr (std::is_same_v<T, Text>) {
      EXPECT_EQ(read_le(bytes, offset, 2), v.size()) << name;
      EXPECT_EQ(bytes.substr(offset + 2, v.size()), v) << name;
      offset += 2 + v.size();
    } else {
      EXPECT_EQ(read_le(bytes, offset, sizeof(T)), static_cast<std::make_unsigned_t<T>>(v)) << name;
      offset += sizeof(T);
    }
    names.emplace_back(name);
  });
  EXPECT_EQ(offset, kItemRecordBytesWithoutText + 2);
  EXPECT_EQ(bytes.size(), kItemCount * kItemRecordBytesWithoutText + 2);
  EXPECT_EQ(kOggettoFieldCount, static_cast<int>(names.size()) - 1);

  std::array<oggetto, kItemCount> back{};
  FormatError err;
  ASSERT_TRUE(decode_items(bytes, &back, &err)) << err.reason;
  EXPECT_EQ(back, items);

  EXPECT_EQ(header(item_table(items)), names);
  const std::string json = items_json(items);
  std::size_t at = 0;
  for (const std::string& name : names) {
    const std::size_t found = json.find("\"" + name + "\": ", at);
    ASSERT_NE(found, std::string::npos) << name;
    at = found;
  }
}

// A record cut short is refused at the field where it ends, named as in the
// schema, whatever the field.
TEST(RecordSchema, ACutRecordIsRefusedAtTheSchemaField) {
  std::array<oggetto, kItemCount> items{};
  const std::string bytes = serialize_items(items);
  std::vector<std::string> names;
  visit_fields(items[0], [&](std::string_view name, const auto&) { names.emplace_back(name); });
  // Item 0 is empty: its fields in order, the text being 2 bytes of count.
  std::size_t offset = 0;
  visit_fields(items[0], [&](std::string_view name, const auto& v) {
    using T = std::decay_t<decltype(v)>;
    const std::size_t width = std::is_same_v<T, Text> ? 2 : sizeof(T);
    std::array<oggetto, kItemCount> back{};
    FormatError err;
    EXPECT_FALSE(decode_items(bytes.substr(0, offset + width - 1), &back, &err));
    EXPECT_EQ(err.record, 0u);
    EXPECT_EQ(err.offset, offset) << name;
    const std::string expected = std::is_same_v<T, Text> ? "text length" : std::string(name);
    EXPECT_NE(err.reason.find("cut short in " + expected), std::string::npos) << err.reason;
    offset += width;
  });
}

}  // namespace
}  // namespace sb
