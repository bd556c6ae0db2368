// A small writer of SVG elements: every element of the plot is built here,
// with its attributes, its text and its children, so that escaping and the
// format of numbers are done in one place and the output is always
// well-formed XML, whatever the texts and the numbers it is given.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sb::svg {

// A coordinate or a length as the document writes it: at most one decimal,
// "0" rather than "-0". A value that is not finite is written as 0 and any
// other is clamped to -1e6..1e6, so that a corrupt input still gives a valid
// number of a sane length.
std::string number(double v);

// UTF-8 text made safe for character data and attribute values: & < > " '
// become entity references. What XML 1.0 does not allow in a document (the
// control characters other than tab, line feed and carriage return, U+FFFE,
// U+FFFF, and bytes that are not well-formed UTF-8) becomes U+FFFD.
std::string escape(std::string_view text);

// A transform attribute value: "rotate(A X Y)".
std::string rotate(double degrees, double x, double y);

// The data of a path, built command by command, with its numbers written by
// number().
class Path {
 public:
  Path& move_to(double x, double y);  // M
  Path& line_to(double x, double y);  // L
  Path& horizontal_to(double x);      // H
  Path& vertical_to(double y);        // V
  Path& horizontal_by(double dx);     // h
  Path& vertical_by(double dy);       // v
  Path& close();                      // Z

  bool empty() const { return d_.empty(); }
  const std::string& str() const { return d_; }

 private:
  void command(char c, double a);
  void command(char c, double a, double b);
  std::string d_;
};

// One element with its attributes and content. Content is appended in
// order: escaped text and the serialised children.
class Element {
 public:
  explicit Element(std::string_view name) : name_(name) {}

  // Sets an attribute, escaped. Setting an attribute again replaces its
  // value, so that no attribute is ever written twice.
  Element& set(std::string_view name, std::string_view value);
  Element& set(std::string_view name, const char* value) {
    return set(name, std::string_view(value));
  }
  Element& set(std::string_view name, const std::string& value) {
    return set(name, std::string_view(value));
  }
  // A number, written by number().
  Element& set(std::string_view name, double value);
  Element& set(std::string_view name, int value) { return set(name, static_cast<double>(value)); }
  // The path data, as the attribute "d".
  Element& set_path(const Path& d) { return set("d", d.str()); }

  // Appends character data, escaped.
  Element& text(std::string_view content);
  // Appends a child.
  Element& add(const Element& child);
  // Appends a <title> child: the element's tooltip.
  Element& title(std::string_view tooltip);

  bool has_content() const { return !content_.empty(); }

  // The element as XML: "<name a="v"/>" when it has no content, otherwise
  // "<name a="v">content</name>".
  std::string str() const;
  void write_to(std::string& out) const;

 private:
  std::string name_;
  std::vector<std::pair<std::string, std::string>> attributes_;  // values escaped
  std::string content_;
};

// A whole document: the XML declaration, then the root element.
std::string document(const Element& root);

}  // namespace sb::svg
