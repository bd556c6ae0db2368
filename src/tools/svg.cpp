#include "tools/svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace sb::svg {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at the start of `s` whose
// code point XML allows, or 0 when there is none.
std::size_t allowed_sequence(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) return b0 >= 0x20 || b0 == '\t' || b0 == '\n' || b0 == '\r' ? 1 : 0;
  std::size_t length = 0;
  char32_t c = 0;
  char32_t least = 0;  // the smallest code point of that length: shorter forms are overlong
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    c = b0 & 0x1F;
    least = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    c = b0 & 0x0F;
    least = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    c = b0 & 0x07;
    least = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) {
    return 0;
  }
  return length;
}

}  // namespace

std::string number(double v) {
  if (!std::isfinite(v)) v = 0;
  v = std::clamp(v, -1e6, 1e6);
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
  std::string s(buf, r.ptr);
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  if (s == "-0") s = "0";
  return s;
}

std::string escape(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = allowed_sequence(text.substr(i));
    if (length == 0) {
      s += kReplacement;
      ++i;
      continue;
    }
    if (length > 1) {
      s.append(text.substr(i, length));
      i += length;
      continue;
    }
    switch (text[i]) {
      case '&':
        s += "&amp;";
        break;
      case '<':
        s += "&lt;";
        break;
      case '>':
        s += "&gt;";
        break;
      case '"':
        s += "&quot;";
        break;
      case '\'':
        s += "&apos;";
        break;
      default:
        s.push_back(text[i]);
    }
    ++i;
  }
  return s;
}

std::string rotate(double degrees, double x, double y) {
  return "rotate(" + number(degrees) + " " + number(x) + " " + number(y) + ")";
}

void Path::command(char c, double a) {
  d_.push_back(c);
  d_ += number(a);
}

void Path::command(char c, double a, double b) {
  command(c, a);
  d_.push_back(' ');
  d_ += number(b);
}

Path& Path::move_to(double x, double y) {
  command('M', x, y);
  return *this;
}

Path& Path::line_to(double x, double y) {
  command('L', x, y);
  return *this;
}

Path& Path::horizontal_to(double x) {
  command('H', x);
  return *this;
}

Path& Path::vertical_to(double y) {
  command('V', y);
  return *this;
}

Path& Path::horizontal_by(double dx) {
  command('h', dx);
  return *this;
}

Path& Path::vertical_by(double dy) {
  command('v', dy);
  return *this;
}

Path& Path::close() {
  d_.push_back('Z');
  return *this;
}

Element& Element::set(std::string_view name, std::string_view value) {
  std::string escaped = escape(value);
  for (auto& [n, v] : attributes_) {
    if (n == name) {
      v = std::move(escaped);
      return *this;
    }
  }
  attributes_.emplace_back(std::string(name), std::move(escaped));
  return *this;
}

Element& Element::set(std::string_view name, double value) {
  return set(name, std::string_view(number(value)));
}

Element& Element::text(std::string_view content) {
  content_ += escape(content);
  return *this;
}

Element& Element::add(const Element& child) {
  child.write_to(content_);
  return *this;
}

Element& Element::title(std::string_view tooltip) {
  return add(Element("title").text(tooltip));
}

void Element::write_to(std::string& out) const {
  out.push_back('<');
  out += name_;
  for (const auto& [n, v] : attributes_) {
    out.push_back(' ');
    out += n;
    out += "=\"";
    out += v;
    out.push_back('"');
  }
  if (content_.empty()) {
    out += "/>";
    return;
  }
  out.push_back('>');
  out += content_;
  out += "</";
  out += name_;
  out.push_back('>');
}

std::string Element::str() const {
  std::string s;
  write_to(s);
  return s;
}

std::string document(const Element& root) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  root.write_to(s);
  s.push_back('\n');
  return s;
}

}  // namespace sb::svg
