#include "tools/svg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <string_view>

namespace sb::svg {
namespace {

TEST(SvgNumber, OneDecimalAtMostAndAlwaysAValidNumber) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double v;
    const char* written;
  } cases[] = {
      {0, "0"},
      {12, "12"},
      {12.34, "12.3"},
      {12.36, "12.4"},
      {-7.5, "-7.5"},
      {0.96, "1"},
      // Negative values that round to zero lose their sign.
      {-0.0, "0"},
      {-0.04, "0"},
      {-1e-300, "0"},
      // Out of the page: clamped, so that a corrupt plan still gives a short number.
      {1e6, "1000000"},
      {999999.96, "1000000"},
      {2e6, "1000000"},
      {-1e300, "-1000000"},
      {inf, "0"},
      {-inf, "0"},
      {std::numeric_limits<double>::quiet_NaN(), "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(number(c.v), c.written) << c.v;
}

// "" when `s` is valid UTF-8 holding only characters XML allows, with no
// markup character left raw and every '&' starting one of the five entities.
std::string escaping_fault(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b == '<' || b == '>' || b == '"' || b == '\'') return "raw markup at " + std::to_string(i);
    if (b == '&') {
      bool entity = false;
      for (const std::string_view e : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
        entity = entity || s.substr(i, e.size()) == e;
      }
      if (!entity) return "bare & at " + std::to_string(i);
    }
    if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') return "control at " + std::to_string(i);
    const std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (b >= 0x80 && (b < 0xC2 || b > 0xF4)) return "bad lead byte at " + std::to_string(i);
    if (i + length > s.size()) return "cut sequence at " + std::to_string(i);
    char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    for (std::size_t j = 1; j < length; ++j) {
      const auto n = static_cast<unsigned char>(s[i + j]);
      if ((n & 0xC0) != 0x80) return "bad continuation at " + std::to_string(i + j);
      c = (c << 6) | (n & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE ||
        c == 0xFFFF) {
      return "character XML does not allow at " + std::to_string(i);
    }
    i += length;
  }
  return "";
}

TEST(SvgEscape, MarkupCharactersBecomeEntitiesAndBadBytesBecomeReplacements) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const struct {
    std::string text;
    std::string escaped;
  } cases[] = {
      {"&", "&amp;"},
      {"<", "&lt;"},
      {">", "&gt;"},
      {"\"", "&quot;"},
      {"'", "&apos;"},
      {"P.L. 'Mulino' & <Nord> \"x\"", "P.L. &apos;Mulino&apos; &amp; &lt;Nord&gt; &quot;x&quot;"},
      {"&amp;", "&amp;amp;"},  // an entity in the input is text, not markup
      {"", ""},
      {"Caff\xC3\xA8 \xE2\x80\x94 \xF0\x9F\x9A\x82", "Caff\xC3\xA8 \xE2\x80\x94 \xF0\x9F\x9A\x82"},
      {"a\tb\nc\rd", "a\tb\nc\rd"},
      {std::string("a\0b", 3), "a" + r + "b"},
      {"\x01\x1F", r + r},
      {"\x80", r},                          // a continuation byte alone
      {"Caff\xE8", "Caff" + r},             // Windows-1252, not UTF-8
      {"\xC3", r},                          // cut short
      {"\xC0\xAF", r + r},                  // overlong
      {"\xED\xA0\x80", r + r + r},          // a surrogate
      {"\xEF\xBF\xBE", r + r + r},          // U+FFFE
      {"\xF4\x90\x80\x80", r + r + r + r},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(escape(c.text), c.escaped) << c.text;
}

TEST(SvgEscape, AnyBytesComeOutAsAllowedText) {
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 40);
  for (int round = 0; round < 2000; ++round) {
    std::string s(static_cast<std::size_t>(length(random)), '\0');
    for (char& c : s) c = static_cast<char>(byte(random));
    const std::string e = escape(s);
    ASSERT_EQ(escaping_fault(e), "") << "input of " << s.size() << " bytes, round " << round;
  }
}

TEST(SvgPath, CommandsWithTheirNumbers) {
  Path p;
  EXPECT_TRUE(p.empty());
  p.move_to(1, 2.26)
      .line_to(3.5, -4)
      .horizontal_to(5)
      .vertical_to(-0.01)
      .horizontal_by(-1)
      .vertical_by(std::nan(""))
      .close();
  EXPECT_EQ(p.str(), "M1 2.3L3.5 -4H5V0h-1v0Z");
  EXPECT_EQ(rotate(-50, 10.04, 20), "rotate(-50 10 20)");
}

TEST(SvgElement, AttributesTextAndChildrenNestAndClose) {
  EXPECT_EQ(Element("rect").str(), "<rect/>");
  EXPECT_EQ(Element("rect").set("x", 1.24).set("r", 0).set("fill", "#fff").str(),
            "<rect x=\"1.2\" r=\"0\" fill=\"#fff\"/>");
  // Attribute values are escaped, and an attribute set again keeps its place.
  EXPECT_EQ(Element("a").set("x", 1).set("t", "a\"b<c&d'").set("x", 2).str(),
            "<a x=\"2\" t=\"a&quot;b&lt;c&amp;d&apos;\"/>");
  // Empty text leaves the element empty.
  EXPECT_EQ(Element("text").text("").str(), "<text/>");

  Element inner("g");
  inner.add(Element("path").set_path(Path().move_to(1, 2).horizontal_to(3)));
  inner.title("x & y");
  Element outer("svg");
  outer.text("a<b").add(inner).text("\n").add(Element("circle"));
  EXPECT_TRUE(outer.has_content());
  EXPECT_EQ(outer.str(),
            "<svg>a&lt;b<g><path d=\"M1 2H3\"/><title>x &amp; y</title></g>\n<circle/></svg>");
  // A child is copied when it is added: later changes to it do not show.
  inner.set("id", "late");
  EXPECT_EQ(outer.str().find("late"), std::string::npos);

  EXPECT_EQ(document(Element("svg").set("version", "1.1")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg version=\"1.1\"/>\n");
}

}  // namespace
}  // namespace sb::svg
