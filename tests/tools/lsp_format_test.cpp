// The editor's view of a source: formatting that changes no compiled byte
// and gives the same text twice, semantic tokens of each kind, and the
// conversion of an editor's UTF-8 buffer that keeps columns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/scenario_generator.h"
#include "compiler/compiled_files.h"
#include "sources/line_source.h"
#include "sources/righe.h"
#include "sources/train_source.h"
#include "tools/analysis.h"
#include "tools/source_format.h"
#include "tools/text_encoding.h"

namespace sb {
namespace {

// The three compiled files of two sources, as one string.
std::string compiled(const std::string& line, const std::string& train) {
  const ScenarioSources s{"T", "1", "T_linea.txt", "T_1-.txt", &line, &train};
  const Analysis a = analyse(s, TrackPlanOutput::kWrite, WarningOptions{}, AnalysisDepth::kRules);
  return serialize_items(a.model->oggetti) + serialize_route(a.model->percorso) +
         serialize_track_plan(a.model->tracciato);
}

std::string format_all(const std::string& text, Source s) {
  return format_source(text, s, 0, 1 << 30);
}

TEST(SourceFormat, KeepsTheCompiledBytesAndIsIdempotent) {
  struct Case {
    const char* name;
    std::string line, train;
  };
  const GeneratedSources generated = generate_sources(60000);
  const std::vector<Case> cases = {
      {"built-in", document_text(dati_linea()), document_text(dati_treno())},
      {"generated", generated.line, generated.train},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string line = format_all(c.line, Source::kLine);
    const std::string train = format_all(c.train, Source::kTrain);
    EXPECT_NE(line, c.line);  // the formatter did something
    EXPECT_EQ(format_all(line, Source::kLine), line);
    EXPECT_EQ(format_all(train, Source::kTrain), train);
    EXPECT_EQ(compiled(line, train), compiled(c.line, c.train));
  }
}

// The keywords of a section share a column; the fields of each keyword have
// columns of their own.
TEST(SourceFormat, AlignsTheColumnsOfASectionAndLeavesOtherLines) {
  const std::string text =
      "before\r\n[generale]\r\nlunghezza percorso,40000\r\n[pendenze]\r\n"
      "pendenza, 0,0\r\n-- a comment,  kept\r\npendenza,\t12000,  -12\r\n"
      "pendnza,  3,4\r\ncartello_indicatore,5,  \"(A, B)\"\r\n[fine]\r\n";
  const std::string want =
      "before\r\n[generale]\r\nlunghezza percorso,  40000\r\n[pendenze]\r\n"
      "pendenza,                 0,    0\r\n-- a comment,  kept\r\n"
      "pendenza,             12000,  -12\r\npendnza,  3,4\r\n"
      "cartello_indicatore,  5,  \"(A, B)\"\r\n[fine]\r\n";
  EXPECT_EQ(format_all(text, Source::kLine), want);
  // Only the section of the range: [generale] is left as it was.
  const std::string pendenze_only = format_source(text, Source::kLine, 4, 4);
  EXPECT_NE(pendenze_only.find("lunghezza percorso,40000"), std::string::npos);
  EXPECT_NE(pendenze_only.find("pendenza,             12000"), std::string::npos);
}

// The tokens decoded back into (line, start, length, type name).
struct Token {
  int line;
  int start;
  int length;
  std::string type;
  bool operator==(const Token&) const = default;
};

TEST(SemanticTokens, NameHeadersKeywordsNumbersTextsAndComments) {
  const std::string text =
      "[generale]\nvelocita, 0,  80\n-- note\nstazione, 0, 7, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, "
      "7,35, 0, BORGO LUCE\norologio, 7  33\nnothing, 1\n";
  const std::vector<int> data = semantic_tokens(text, Source::kTrain);
  ASSERT_EQ(data.size() % 5, 0u);
  const std::vector<std::string> types = semantic_token_types();
  std::vector<Token> tokens;
  int line = 0, start = 0;
  for (std::size_t i = 0; i < data.size(); i += 5) {
    start = data[i] == 0 ? start + data[i + 1] : data[i + 1];
    line += data[i];
    tokens.push_back({line, start, data[i + 2], types.at(static_cast<std::size_t>(data[i + 3]))});
  }
  const std::vector<Token> want_start = {{0, 0, 10, "namespace"}, {1, 0, 8, "keyword"},
                                         {1, 10, 1, "number"},    {1, 14, 2, "number"},
                                         {2, 0, 7, "comment"},    {3, 0, 8, "keyword"}};
  ASSERT_GE(tokens.size(), want_start.size());
  EXPECT_EQ(std::vector<Token>(tokens.begin(), tokens.begin() + 6), want_start);
  EXPECT_EQ(tokens[tokens.size() - 4], (Token{3, 56, 10, "string"}));
  // "7  33": two numbers in one field; nothing for an unknown keyword.
  EXPECT_EQ(tokens[tokens.size() - 2], (Token{4, 10, 1, "number"}));
  EXPECT_EQ(tokens.back(), (Token{4, 13, 2, "number"}));
}

TEST(TextEncoding, AnEditorBufferKeepsItsUtf16Columns) {
  struct Case {
    std::string utf8;
    std::string cp1252;
    std::vector<std::size_t> unmapped;
  };
  const std::vector<Case> cases = {
      {"plain", "plain", {}},
      {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xE9 \x80", {}},  // é and the euro sign
      {"a\xE2\x86\x92"
       "b",
       "a?b",
       {1}},  // an arrow: one unit
      {"a\xF0\x9F\x98\x80"
       "b",
       "a??b",
       {1}},  // beyond U+FFFF: two units
      {"a\xC3"
       "b\x80",
       "a?b?",
       {1, 3}},                  // malformed bytes
      {"\xC2\x81", "\x81", {}},  // a C1 control stays itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    std::vector<std::size_t> unmapped;
    EXPECT_EQ(cp1252_from_utf8(c.utf8, &unmapped), c.cp1252);
    EXPECT_EQ(unmapped, c.unmapped);
  }
  // Every Windows-1252 byte comes back through UTF-8.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::vector<std::size_t> unmapped;
  EXPECT_EQ(cp1252_from_utf8(utf8_from_cp1252(all), &unmapped), all);
  EXPECT_TRUE(unmapped.empty());
}

}  // namespace
}  // namespace sb
