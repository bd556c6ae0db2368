#include "tools/source_format.h"

#include <algorithm>
#include <map>

#include "sources/ascii.h"

namespace sb {

namespace {

// The fields of one line, as the reader cuts them: a field ends at a comma
// or at the line end, blanks before it are skipped, and a text that begins
// with a double quote runs to its closing quote before the next comma counts.
std::vector<LineField> split_fields(std::string_view line, bool* unclosed_quote) {
  std::vector<LineField> fields;
  std::size_t i = 0;
  *unclosed_quote = false;
  while (true) {
    while (i < line.size() && is_blank(line[i])) ++i;
    LineField f;
    f.begin = i;
    if (i < line.size() && line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) {
        *unclosed_quote = true;
        i = line.size();
      } else {
        i = close + 1;
      }
    }
    while (i < line.size() && line[i] != ',') ++i;
    f.end = i;
    f.trimmed_end = i;
    while (f.trimmed_end > f.begin && is_blank(line[f.trimmed_end - 1])) --f.trimmed_end;
    fields.push_back(f);
    if (i >= line.size()) break;
    ++i;  // the comma
  }
  return fields;
}

// The row of a keyword field as an author writes it, in any letter case.
const RowSyntax* row_of(std::string_view keyword) {
  if (const RowSyntax* r = row_syntax(keyword)) return r;
  return row_syntax(ascii_lowered(keyword));
}

bool numeric_field(const SourceLine& l, std::size_t field) {
  return !(l.syntax->ends_with_text && field + 1 == l.fields.size());
}

// A row that the formatter may write again: a known keyword with all its
// fields on its line, and no quote left open.
bool formattable(const SourceLine& l) {
  return l.kind == LineKind::kRow && !l.unclosed_quote &&
         l.fields.size() == 1 + l.syntax->fields.size();
}

}  // namespace

std::string_view SourceView::field_text(std::string_view text, int line, std::size_t field) const {
  if (line < 0 || static_cast<std::size_t>(line) >= lines.size()) return {};
  const SourceLine& l = lines[static_cast<std::size_t>(line)];
  if (field >= l.fields.size()) return {};
  const LineField& f = l.fields[field];
  return text.substr(l.start + f.begin, f.trimmed_end - f.begin);
}

int SourceView::field_at(int line, std::size_t column) const {
  if (line < 0 || static_cast<std::size_t>(line) >= lines.size()) return -1;
  const SourceLine& l = lines[static_cast<std::size_t>(line)];
  for (std::size_t k = 0; k < l.fields.size(); ++k) {
    // A field owns the blanks before it and its comma.
    const std::size_t from = k == 0 ? 0 : l.fields[k - 1].end + 1;
    if (column >= from && column <= l.fields[k].end) return static_cast<int>(k);
  }
  return -1;
}

RowPlace SourceView::place(int line) const {
  if (source == Source::kTrain) return RowPlace::kTrain;
  if (line < 0 || static_cast<std::size_t>(line) >= lines.size()) return RowPlace::kLineElements;
  return lines[static_cast<std::size_t>(line)].section <= 0 ? RowPlace::kGenerale
                                                            : RowPlace::kLineElements;
}

SourceView view_source(std::string_view text, Source source) {
  SourceView v;
  v.source = source;
  bool generale_seen = false;
  std::size_t start = 0;
  while (start < text.size() || (start == text.size() && start == 0)) {
    SourceLine l;
    l.start = start;
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    l.end = end;
    l.next = end;
    if (l.next < text.size()) {
      l.next +=
          (text[l.next] == '\r' && l.next + 1 < text.size() && text[l.next + 1] == '\n') ? 2 : 1;
    }
    const std::string_view line = text.substr(start, end - start);
    l.fields = split_fields(line, &l.unclosed_quote);
    const LineField& first = l.fields.front();
    const std::string_view head = line.substr(first.begin, first.trimmed_end - first.begin);
    const int line_index = static_cast<int>(v.lines.size());
    if (!generale_seen) {
      if (ascii_lowered(line).find("[generale]") != std::string::npos) {
        generale_seen = true;
        l.kind = LineKind::kHeader;
      } else {
        l.kind = line.find_first_not_of(" \t") == std::string_view::npos ? LineKind::kBlank
                                                                         : LineKind::kIgnored;
      }
    } else if (head.empty() && l.fields.size() == 1) {
      l.kind = LineKind::kBlank;
    } else if (head.find('[') != std::string_view::npos &&
               head.find(']') != std::string_view::npos && head.front() != '-') {
      l.kind = LineKind::kHeader;
    } else if (head.find('-') != std::string_view::npos) {
      l.kind = LineKind::kComment;
    } else if ((l.syntax = row_of(head)) != nullptr) {
      l.kind = LineKind::kRow;
    } else {
      l.kind = LineKind::kOther;
    }
    if (l.kind == LineKind::kHeader) {
      if (!v.sections.empty()) v.sections.back().last_line = line_index - 1;
      v.sections.push_back({line_index, line_index, std::string(head)});
    }
    l.section = static_cast<int>(v.sections.size()) - 1;
    if (!v.sections.empty()) v.sections.back().last_line = line_index;
    v.lines.push_back(std::move(l));
    if (end >= text.size()) break;
    start = v.lines.back().next;
    if (start >= text.size()) break;
  }
  return v;
}

std::string format_source(std::string_view text, Source source, int first_line, int last_line) {
  const SourceView v = view_source(text, source);
  // The columns of each section: the width of its keywords, and of each
  // field of each kind of row.
  struct Columns {
    std::size_t keyword = 0;
    std::map<const RowSyntax*, std::vector<std::size_t>> fields;
  };
  std::vector<Columns> columns(v.sections.size());
  std::vector<bool> chosen(v.sections.size(), false);
  for (std::size_t s = 0; s < v.sections.size(); ++s) {
    chosen[s] = v.sections[s].header_line <= last_line && v.sections[s].last_line >= first_line;
  }
  for (const SourceLine& l : v.lines) {
    if (!formattable(l) || l.section < 0) continue;
    Columns& c = columns[static_cast<std::size_t>(l.section)];
    c.keyword = std::max(c.keyword, l.fields[0].end - l.fields[0].begin);
    std::vector<std::size_t>& widths = c.fields[l.syntax];
    widths.resize(l.fields.size(), 0);
    for (std::size_t k = 1; k < l.fields.size(); ++k) {
      widths[k] = std::max(widths[k], l.fields[k].end - l.fields[k].begin);
    }
  }
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (const SourceLine& l : v.lines) {
    const std::string_view line = text.substr(l.start, l.end - l.start);
    if (!formattable(l) || l.section < 0 || !chosen[static_cast<std::size_t>(l.section)]) {
      out.append(text.substr(l.start, l.next - l.start));
      continue;
    }
    const Columns& c = columns[static_cast<std::size_t>(l.section)];
    const std::vector<std::size_t>& widths = c.fields.at(l.syntax);
    const std::size_t line_start = out.size();
    const LineField& k0 = l.fields[0];
    out.append(line.substr(k0.begin, k0.end - k0.begin));
    out.push_back(',');
    out.append(c.keyword - (k0.end - k0.begin), ' ');
    for (std::size_t k = 1; k < l.fields.size(); ++k) {
      const LineField& f = l.fields[k];
      const std::size_t width = f.end - f.begin;
      if (k > 1) out.push_back(',');
      out.append(2, ' ');
      if (numeric_field(l, k - 1)) out.append(widths[k] - width, ' ');
      out.append(line.substr(f.begin, width));
    }
    // No blanks at the end of the line: those of a last empty field or of a
    // closing text, which the reader drops all the same.
    while (out.size() > line_start && is_blank(out.back())) out.pop_back();
    out.append(text.substr(l.end, l.next - l.end));
  }
  return out;
}

std::vector<std::string> semantic_token_types() {
  return {"keyword", "number", "string", "comment", "namespace"};
}

std::vector<int> semantic_tokens(std::string_view text, Source source) {
  enum Type { kKeyword, kNumber, kString, kComment, kHeader };
  const SourceView v = view_source(text, source);
  std::vector<int> data;
  int last_line = 0;
  std::size_t last_start = 0;
  const auto token = [&](int line, std::size_t start, std::size_t length, Type type) {
    if (length == 0) return;
    data.push_back(line - last_line);
    data.push_back(static_cast<int>(line == last_line ? start - last_start : start));
    data.push_back(static_cast<int>(length));
    data.push_back(type);
    data.push_back(0);
    last_line = line;
    last_start = start;
  };
  for (std::size_t n = 0; n < v.lines.size(); ++n) {
    const SourceLine& l = v.lines[n];
    const int line = static_cast<int>(n);
    const std::string_view s = text.substr(l.start, l.end - l.start);
    const LineField& first = l.fields.front();
    switch (l.kind) {
      case LineKind::kBlank:
      case LineKind::kOther:
        break;
      case LineKind::kIgnored:
      case LineKind::kComment:
        token(line, first.begin, s.size() - first.begin, kComment);
        break;
      case LineKind::kHeader:
        token(line, first.begin, first.trimmed_end - first.begin, kHeader);
        break;
      case LineKind::kRow:
        token(line, first.begin, first.trimmed_end - first.begin, kKeyword);
        for (std::size_t k = 1; k < l.fields.size(); ++k) {
          const LineField& f = l.fields[k];
          const bool text_field = l.syntax->ends_with_text && k == l.syntax->fields.size();
          if (text_field) {
            token(line, f.begin, f.trimmed_end - f.begin, kString);
            continue;
          }
          // Numbers end at a blank: "7   33   0" is three of them.
          std::size_t i = f.begin;
          while (i < f.trimmed_end) {
            while (i < f.trimmed_end && is_blank(s[i])) ++i;
            const std::size_t from = i;
            while (i < f.trimmed_end && !is_blank(s[i])) ++i;
            token(line, from, i - from, kNumber);
          }
        }
        break;
    }
  }
  return data;
}

}  // namespace sb
