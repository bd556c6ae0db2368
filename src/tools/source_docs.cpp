#include "tools/source_docs.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

// kLineSourceDoc and kTrainSourceDoc: the two pages, as they are in docs/
// (UTF-8 Markdown), made into constants at build time.
#include "source_docs_text.h"

namespace sb {

namespace {

struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

// A "## " section of a page: its heading, its prose paragraphs (each joined
// into one line) and its tables, each in the order written.
struct Section {
  std::string heading;
  std::vector<std::string> paragraphs;
  std::vector<Table> tables;
};

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

std::vector<std::string> cells_of(std::string_view line) {
  line = trimmed(line);
  if (!line.empty() && line.front() == '|') line.remove_prefix(1);
  if (!line.empty() && line.back() == '|') line.remove_suffix(1);
  std::vector<std::string> cells;
  std::size_t start = 0;
  bool quoted = false;  // a | inside backquotes is part of the cell
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] == '`') quoted = !quoted;
    if (i == line.size() || (line[i] == '|' && !quoted)) {
      cells.emplace_back(trimmed(line.substr(start, i - start)));
      start = i + 1;
    }
  }
  return cells;
}

bool is_list_item(std::string_view line) {
  if (line.starts_with("- ") || line.starts_with("* ")) return true;
  std::size_t i = 0;
  while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
  return i > 0 && i + 1 < line.size() && line[i] == '.' && line[i + 1] == ' ';
}

std::vector<Section> sections_of(std::string_view page) {
  std::vector<Section> sections;
  std::string paragraph;
  std::optional<Table> table;
  bool code = false, in_list = false;
  const auto end_block = [&] {
    if (!sections.empty()) {
      if (!paragraph.empty()) sections.back().paragraphs.push_back(paragraph);
      if (table) sections.back().tables.push_back(std::move(*table));
    }
    paragraph.clear();
    table.reset();
  };
  std::size_t at = 0;
  while (at < page.size()) {
    std::size_t end = page.find('\n', at);
    if (end == std::string_view::npos) end = page.size();
    const std::string_view line = trimmed(page.substr(at, end - at));
    at = end + 1;
    if (line.starts_with("```")) {
      end_block();
      code = !code;
      continue;
    }
    if (code) continue;
    if (line.starts_with("## ")) {
      end_block();
      sections.push_back({std::string(line.substr(3)), {}, {}});
      in_list = false;
      continue;
    }
    if (line.empty()) {
      end_block();
      in_list = false;
      continue;
    }
    if (line.front() == '|') {
      if (!paragraph.empty()) end_block();
      std::vector<std::string> cells = cells_of(line);
      if (!table) {
        table = Table{std::move(cells), {}};
      } else if (!cells.empty() && cells[0].starts_with("---")) {
        continue;  // the line under the header
      } else {
        table->rows.push_back(std::move(cells));
      }
      continue;
    }
    if (is_list_item(line)) {
      end_block();
      in_list = true;
      continue;
    }
    if (in_list || line.front() == '#') continue;  // a list item's next line; the page title
    if (table) end_block();
    if (!paragraph.empty()) paragraph += ' ';
    paragraph += line;
  }
  end_block();
  return sections;
}

std::string_view page_of(const RowSyntax& row) {
  return row.place == RowPlace::kTrain ? kTrainSourceDoc : kLineSourceDoc;
}

// The section whose heading ends with "(keyword)".
const Section* section_of(const std::vector<Section>& sections, std::string_view keyword) {
  const std::string tail = "(" + std::string(keyword) + ")";
  for (const Section& s : sections) {
    if (s.heading.ends_with(tail)) return &s;
  }
  return nullptr;
}

// "- heading: cell" for each cell after the first that says something.
std::string table_lines(const Table& t, const std::vector<std::string>& row, std::size_t from) {
  std::string out;
  for (std::size_t j = from; j < row.size(); ++j) {
    if (row[j].empty()) continue;
    if (!out.empty()) out += '\n';
    out += "- ";
    // "meaning" says nothing the text does not.
    if (j < t.header.size() && !t.header[j].empty() && t.header[j] != "meaning") {
      out += t.header[j] + ": ";
    }
    out += row[j];
  }
  return out;
}

// The numbers a field table's first cell starts with: "14, 15, 16 hours" gives
// 14, 15 and 16; "position" none.
std::vector<std::size_t> leading_numbers(std::string_view cell) {
  std::vector<std::size_t> numbers;
  std::size_t i = 0;
  while (i < cell.size() && std::isdigit(static_cast<unsigned char>(cell[i]))) {
    std::size_t n = 0;
    while (i < cell.size() && std::isdigit(static_cast<unsigned char>(cell[i]))) {
      n = n * 10 + static_cast<std::size_t>(cell[i] - '0');
      ++i;
    }
    numbers.push_back(n);
    if (i < cell.size() && cell[i] == ',') ++i;
    while (i < cell.size() && cell[i] == ' ') ++i;
  }
  return numbers;
}

std::string_view first_word(std::string_view s) {
  return s.substr(0, s.find(' '));
}

}  // namespace

std::string row_description(const RowSyntax& row) {
  const std::vector<Section> sections = sections_of(page_of(row));
  if (const Section* s = section_of(sections, row.keyword); s != nullptr) {
    return s->paragraphs.empty() ? std::string() : s->paragraphs.front();
  }
  // The general rows: a table row whose first cell gives the keyword.
  const std::string quoted = "`" + std::string(row.keyword) + "`";
  for (const Section& s : sections) {
    for (const Table& t : s.tables) {
      for (const std::vector<std::string>& r : t.rows) {
        if (!r.empty() && r[0].find(quoted) != std::string::npos) return table_lines(t, r, 1);
      }
    }
  }
  return {};
}

std::string field_description(const RowSyntax& row, std::size_t field) {
  if (field == 0 || field > row.fields.size()) return {};
  const std::vector<Section> sections = sections_of(page_of(row));
  const Section* s = section_of(sections, row.keyword);
  if (s == nullptr) return {};
  const std::string_view name = row.fields[field - 1];
  // A table of the fields: by number, or by the first word of the name.
  for (const Table& t : s->tables) {
    if (t.header.empty() || (t.header[0] != "field" && t.header[0] != "part")) continue;
    for (const std::vector<std::string>& r : t.rows) {
      if (r.empty()) continue;
      const std::vector<std::size_t> numbers = leading_numbers(r[0]);
      const bool by_number = std::find(numbers.begin(), numbers.end(), field) != numbers.end();
      const bool by_name = numbers.empty() && first_word(r[0]) == first_word(name);
      if (by_number || by_name) return table_lines(t, r, 1);
    }
  }
  // The rows of other tables that name the field in backquotes.
  const std::string quoted = "`" + std::string(first_word(name)) + "`";
  std::string out;
  for (const Table& t : s->tables) {
    for (const std::vector<std::string>& r : t.rows) {
      bool names = false;
      for (std::size_t j = 1; j < r.size(); ++j)
        names = names || r[j].find(quoted) != std::string::npos;
      if (!names || r.empty()) continue;
      if (!out.empty()) out += '\n';
      out += "- " + (t.header.empty() ? std::string() : t.header[0] + " ") + r[0];
      for (std::size_t j = 1; j < r.size() && j < t.header.size(); ++j) {
        if (!r[j].empty()) out += ", " + t.header[j] + " " + r[j];
      }
    }
  }
  return out;
}

}  // namespace sb
