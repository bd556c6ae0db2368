// The language server in process: the framing of its messages, the life
// cycle, the diagnostics (the same as `check`, at the editor's UTF-16
// columns, for both files of a scenario), and each request.
#include "tools/lsp_server.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "bench/scenario_generator.h"
#include "sources/line_source.h"
#include "sources/righe.h"
#include "sources/train_source.h"
#include "support/memory_file_system.h"
#include "tools/analysis.h"
#include "tools/lsp_protocol.h"
#include "tools/text_encoding.h"

namespace sb {
namespace {

using nlohmann::json;
using testing::MemoryFileSystem;

std::string framed(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(LspProtocol, FramesAreReadOrRefusedAndTheStreamStaysInStep) {
  using K = IncomingMessage::Kind;
  struct Case {
    const char* name;
    std::string stream;
    std::vector<K> kinds;  // what successive reads give, the last kEnd
  };
  const std::string ok = framed("{}");
  const std::vector<Case> cases = {
      {"one message", ok, {K::kMessage, K::kEnd}},
      {"other headers, any case, LF only",
       "content-type: x\ncontent-length:  2 \n\n{}",
       {K::kMessage, K::kEnd}},
      {"no length", "Content-Type: x\r\n\r\n" + ok, {K::kBadFrame, K::kMessage, K::kEnd}},
      {"a length that is no number",
       "Content-Length: 2x\r\n\r\n" + ok,
       {K::kBadFrame, K::kMessage, K::kEnd}},
      {"a negative length",
       "Content-Length: -2\r\n\r\n" + ok,
       {K::kBadFrame, K::kMessage, K::kEnd}},
      // A frame whose end cannot be told: what follows is read as headers.
      {"two lengths",
       "Content-Length: 2\r\nContent-Length: 2\r\n\r\n{}" + ok,
       {K::kBadFrame, K::kBadFrame, K::kEnd}},
      {"over the limit", framed(std::string(100, ' ')) + ok, {K::kTooLarge, K::kMessage, K::kEnd}},
      {"a body cut short", "Content-Length: 10\r\n\r\n{}", {K::kEnd}},
      {"a header cut short", "Content-Len", {K::kEnd}},
      {"a length beyond any memory",
       "Content-Length: 99999999999999999999999\r\n\r\n" + ok,
       {K::kBadFrame, K::kMessage, K::kEnd}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream in(c.stream);
    std::vector<K> kinds;
    for (std::size_t i = 0; i < c.kinds.size() + 2; ++i) {
      kinds.push_back(read_message(in, 64).kind);
      if (kinds.back() == K::kEnd) break;
    }
    EXPECT_EQ(kinds, c.kinds);
  }
}

// A server in process, its files in memory, and what it sent.
class Session {
 public:
  MemoryFileSystem files;
  std::vector<json> sent;
  LspServer server{files, [this](const json& m) { sent.push_back(m); }};

  json request(const std::string& method, json params = json::object()) {
    sent.clear();
    server.handle({{"jsonrpc", "2.0"}, {"id", ++id_}, {"method", method}, {"params", params}});
    for (const json& m : sent) {
      if (m.contains("id") && m["id"] == id_) return m;
    }
    return nullptr;
  }
  void notify(const std::string& method, json params) {
    server.handle({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
  }
  void initialize() { request("initialize", {{"capabilities", json::object()}}); }
  // Opens a document (its text in Windows-1252, sent as UTF-8) and returns
  // the diagnostics published then, by URI.
  std::map<std::string, json> open(const std::string& path, const std::string& text) {
    sent.clear();
    notify("textDocument/didOpen", {{"textDocument",
                                     {{"uri", uri_from_path(path)},
                                      {"languageId", "scenario"},
                                      {"version", 1},
                                      {"text", utf8_from_cp1252(text)}}}});
    return published();
  }
  std::map<std::string, json> change(const std::string& path, const std::string& utf8) {
    sent.clear();
    notify("textDocument/didChange",
           {{"textDocument", {{"uri", uri_from_path(path)}, {"version", 2}}},
            {"contentChanges", json::array({{{"text", utf8}}})}});
    return published();
  }
  std::map<std::string, json> published() {
    server.publish_pending();
    std::map<std::string, json> by_uri;
    for (const json& m : sent) {
      if (m.value("method", "") == "textDocument/publishDiagnostics") {
        by_uri[m["params"]["uri"].get<std::string>()] = m["params"]["diagnostics"];
      }
    }
    return by_uri;
  }
  static json at(const std::string& path, int line, int character) {
    return {{"textDocument", {{"uri", uri_from_path(path)}}},
            {"position", {{"line", line}, {"character", character}}}};
  }

 private:
  int id_ = 0;
};

constexpr char kLine[] = "/w/T_linea.txt";
constexpr char kTrain[] = "/w/T_1-.txt";
const std::string kLineText =
    "[generale]\r\nlunghezza percorso, 40000\r\n[pendenze]\r\npendnza, 100, 2\r\n[fine]\r\n";
const std::string kTrainText =
    "[generale]\r\nvelocita, 0, 80\r\nsegnale, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0\r\n[fine]\r\n";

TEST(LspServer, AnswersEveryMessageAsTheProtocolSays) {
  Session s;
  EXPECT_EQ(s.request("textDocument/hover", Session::at(kLine, 0, 0))["error"]["code"],
            rpc_error::kServerNotInitialized);
  s.initialize();
  const json caps = s.request("initialize")["result"]["capabilities"];
  EXPECT_EQ(caps["textDocumentSync"]["change"], 1);
  EXPECT_TRUE(caps["hoverProvider"].get<bool>());
  EXPECT_EQ(s.request("no/such")["error"]["code"], rpc_error::kMethodNotFound);
  s.sent.clear();
  s.notify("no/such/notification", json::object());
  EXPECT_TRUE(s.sent.empty());
  // Parameters of the wrong shape, a document that is not open.
  EXPECT_EQ(s.request("textDocument/hover", {{"position", 3}})["error"]["code"],
            rpc_error::kInvalidParams);
  EXPECT_EQ(
      s.request("textDocument/hover", Session::at("/w/none_linea.txt", 0, 0))["error"]["code"],
      rpc_error::kRequestFailed);
  s.sent.clear();
  s.server.receive({IncomingMessage::Kind::kMessage, "{not json"});
  s.server.receive({IncomingMessage::Kind::kTooLarge, ""});
  ASSERT_EQ(s.sent.size(), 2u);
  EXPECT_EQ(s.sent[0]["error"]["code"], rpc_error::kParseError);
  EXPECT_EQ(s.sent[1]["error"]["code"], rpc_error::kInvalidRequest);
  EXPECT_TRUE(s.request("shutdown")["result"].is_null());
  EXPECT_EQ(s.request("textDocument/hover", Session::at(kLine, 0, 0))["error"]["code"],
            rpc_error::kInvalidRequest);
  s.notify("exit", json::object());
  EXPECT_TRUE(s.server.exited());
  EXPECT_EQ(s.server.exit_status(), 0);
}

TEST(LspServer, HostileMessagesGetAnErrorOrNothing) {
  const std::vector<std::string> bodies = {
      "null",
      "[]",
      "42",
      R"({"method": 7})",
      R"({"id": {}, "method": "textDocument/hover"})",
      R"({"id": 1, "method": "textDocument/hover", "params": []})",
      R"({"id": 1, "method": "textDocument/hover", "params": {"textDocument": {"uri": 5}}})",
      R"({"id": 1, "method": "textDocument/hover", "params": {"textDocument": {"uri": "file:///w/T_linea.txt"}, "position": {"line": -1, "character": 0}}})",
      R"({"id": 1, "method": "textDocument/hover", "params": {"textDocument": {"uri": "file:///w/T_linea.txt"}, "position": {"line": 99999999999, "character": 0}}})",
      R"({"id": 1, "method": "textDocument/semanticTokens/full", "params": {"textDocument": {"uri": "http://x/T_linea.txt"}}})",
      R"({"method": "textDocument/didOpen", "params": {"textDocument": {"uri": "file:///w/T_linea.txt", "text": 3}}})",
      R"({"method": "textDocument/didChange", "params": {"textDocument": {"uri": "file:///w/T_linea.txt"}, "contentChanges": [{}]}})",
      R"({"id": 1, "method": "textDocument/codeAction", "params": {"textDocument": {"uri": "file:///w/T_linea.txt"}, "context": {"diagnostics": [{"code": "unknown-keyword", "range": {"start": {"line": 400, "character": 9}}}]}}})",
      R"({"id": 1, "method": "textDocument/rangeFormatting", "params": {"textDocument": {"uri": "file:///w/T_linea.txt"}, "range": {"start": {"line": 3}, "end": {"line": 1}}}})",
  };
  Session s;
  s.initialize();
  s.open(kLine, "\r[generale\n\"\n,,,\r\r\n[x]-\n");
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body);
    s.sent.clear();
    EXPECT_NO_THROW(s.server.receive({IncomingMessage::Kind::kMessage, body}));
    EXPECT_NO_THROW(s.server.publish_pending());
    for (const json& m : s.sent) {
      if (m.contains("id")) {
        EXPECT_TRUE(m.contains("error") || m.contains("result"));
      }
    }
  }
  // The document is still served.
  EXPECT_TRUE(s.request("textDocument/semanticTokens/full",
                        {{"textDocument", {{"uri", uri_from_path(kLine)}}}})
                  .contains("result"));
}

TEST(LspServer, GivesBothFilesTheDiagnosticsOfCheck) {
  // A scenario with a mistake in each source on many rows, the train on disk.
  const GeneratedSources g = with_scattered_errors(generate_sources(30000), 6);
  Session s;
  s.initialize();
  s.files.files[kTrain] = g.train;
  std::map<std::string, json> published = s.open(kLine, g.line);
  ASSERT_EQ(published.size(), 2u);

  const ScenarioSources sources{"T", "1", kLine, kTrain, &g.line, &g.train};
  const Analysis a = analyse(sources, TrackPlanOutput::kWrite, {}, AnalysisDepth::kCheck);
  ASSERT_GE(a.diagnostics.size(), 6u);
  std::map<std::string, std::vector<std::string>> want, got;
  for (const Diagnostic& d : a.diagnostics) {
    want[uri_from_path(d.file)].push_back(
        std::to_string(d.line - 1) + ":" + std::to_string(d.column - 1) + " " +
        std::to_string(d.code) + " " + utf8_from_cp1252(d.message));
  }
  for (const auto& [uri, list] : published) {
    for (const json& d : list) {
      got[uri].push_back(std::to_string(d["range"]["start"]["line"].get<int>()) + ":" +
                         std::to_string(d["range"]["start"]["character"].get<int>()) + " " +
                         std::to_string(d["data"]["code"].is_null() ? 0 : d["code"].get<int>()) +
                         " " + d["message"].get<std::string>());
    }
  }
  EXPECT_EQ(got, want);

  // The mistakes mended in the editor: the line's diagnostics go, the
  // train's stay.
  const std::string mended = utf8_from_cp1252(generate_sources(30000).line);
  published = s.change(kLine, mended);
  EXPECT_TRUE(published.at(uri_from_path(kLine)).empty());
  EXPECT_FALSE(published.at(uri_from_path(kTrain)).empty());
}

TEST(LspServer, MarksTheWholeFieldAtUtf16ColumnsAndNamesTheWarning) {
  Session s;
  s.initialize();
  s.files.files[kTrain] = kTrainText;
  // An arrow (one UTF-16 unit, no Windows-1252 form) and a character beyond
  // U+FFFF (two units) stand before the misspelt keyword on its line.
  const std::string line =
      "[generale]\nlunghezza percorso, 40000\n[indicazioni]\n"
      "cartello_indicatore, 1000, (\xE2\x86\x92\xF0\x9F\x98\x80), pendnza\n[fine]\n";
  const std::map<std::string, json> published = s.change(kLine, line);  // not open: ignored
  EXPECT_TRUE(published.empty());
  s.open(kLine, kLineText);
  const json list = s.change(kLine, line).at(uri_from_path(kLine));
  const auto warning = std::find_if(list.begin(), list.end(), [](const json& d) {
    return d.contains("code") && d["code"] == "unknown-keyword";
  });
  ASSERT_NE(warning, list.end()) << list.dump(1);
  // "cartello_indicatore, 1000, (" is 28 units, the arrow 1, the face 2, ")" and ", " 3.
  EXPECT_EQ((*warning)["range"], json::parse(R"({"start":{"line":3,"character":34},
                                                 "end":{"line":3,"character":41}})"));
  EXPECT_EQ((*warning)["data"]["warning"], "unknown-keyword");
  const auto unmapped = std::count_if(list.begin(), list.end(), [](const json& d) {
    return d["message"].get<std::string>().find("Windows-1252") != std::string::npos;
  });
  EXPECT_EQ(unmapped, 2);

  // The quick fix writes the keyword it meant.
  const json actions =
      s.request("textDocument/codeAction",
                {{"textDocument", {{"uri", uri_from_path(kLine)}}},
                 {"range", (*warning)["range"]},
                 {"context", {{"diagnostics", json::array({*warning})}}}})["result"];
  ASSERT_EQ(actions.size(), 1u);
  const json edit = actions[0]["edit"]["changes"][uri_from_path(kLine)][0];
  EXPECT_EQ(edit["newText"], "pendenza");
  EXPECT_EQ(edit["range"], (*warning)["range"]);
}

TEST(LspServer, QuickFixesWriteTheKeywordMeant) {
  struct Case {
    const char* row;
    const char* warning;
    const char* fix;
  };
  const std::vector<Case> cases = {
      {"Progressiva chilometrica uno, 0, 0, 0", "keyword-case", "progressiva chilometrica uno"},
      {"sfondo uon, 1", "unknown-keyword", "sfondo uno"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    Session s;
    s.initialize();
    const std::string text =
        std::string("[generale]\r\nlunghezza percorso, 40000\r\n") + c.row + "\r\n[fine]\r\n";
    const json list = s.open(kLine, text).at(uri_from_path(kLine));
    const auto d = std::find_if(list.begin(), list.end(), [&](const json& x) {
      return x.value("code", json()) == c.warning;
    });
    ASSERT_NE(d, list.end()) << list.dump(1);
    const json actions = s.request("textDocument/codeAction",
                                   {{"textDocument", {{"uri", uri_from_path(kLine)}}},
                                    {"range", (*d)["range"]},
                                    {"context", {{"diagnostics", json::array({*d})}}}})["result"];
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0]["edit"]["changes"][uri_from_path(kLine)][0]["newText"], c.fix);
  }
}

TEST(LspServer, SaysWhatIsMissingAndPairsSeveralTrainsWithTheirLine) {
  {
    Session s;
    s.initialize();
    const json line = s.open(kLine, kLineText).at(uri_from_path(kLine));
    ASSERT_FALSE(line.empty());
    EXPECT_NE(line.back()["message"].get<std::string>().find("no train source T_NUM-.txt"),
              std::string::npos);
  }
  {
    Session s;
    s.initialize();
    const json train = s.open(kTrain, kTrainText).at(uri_from_path(kTrain));
    ASSERT_FALSE(train.empty());
    EXPECT_NE(train.back()["message"].get<std::string>().find("no line source T_linea.txt"),
              std::string::npos);
  }
  {
    // Two trains of one line, one open and one on disk, and a train of
    // another scenario: each train of T gets its list, the line one list.
    Session s;
    s.initialize();
    s.files.files["/w/T_2-.txt"] = kTrainText;
    s.files.files["/w/U_1-.txt"] = kTrainText;
    s.open(kTrain, kTrainText);
    const std::map<std::string, json> published = s.open(kLine, kLineText);
    EXPECT_EQ(published.size(), 3u);
    EXPECT_EQ(published.count(uri_from_path("/w/T_2-.txt")), 1u);
    EXPECT_EQ(published.count(uri_from_path("/w/U_1-.txt")), 0u);
  }
}

TEST(LspServer, HoverTellsTheFieldAndWhereItsElementWent) {
  Session s;
  s.initialize();
  s.open(kLine, kLineText);
  s.open(kTrain, kTrainText);
  // The position of the signal at 3200 m.
  const json hover = s.request("textDocument/hover", Session::at(kTrain, 2, 10))["result"];
  const std::string text = hover["contents"]["value"].get<std::string>();
  EXPECT_NE(text.find("posizione (m)"), std::string::npos) << text;
  EXPECT_NE(text.find("field 1 of 11"), std::string::npos) << text;
  EXPECT_NE(text.find("signal in cell 65 (3 200 m)"), std::string::npos) << text;
  EXPECT_EQ(hover["range"]["start"]["character"], 9);
  // The keyword, a field past the row, a comment line.
  EXPECT_NE(
      s.request("textDocument/hover", Session::at(kTrain, 1, 2))["result"]["contents"]["value"]
          .get<std::string>()
          .find("the train source"),
      std::string::npos);
  EXPECT_TRUE(s.request("textDocument/hover", Session::at(kTrain, 0, 2))["result"].is_null());
}

TEST(LspServer, HoverQuotesThePagesAndTellsWhatTheRowCompilesTo) {
  Session s;
  s.initialize();
  s.open(kLine,
         "[generale]\r\nlunghezza percorso, 40000\r\n[pendenze]\r\npendenza, 0, 0\r\n"
         "pendenza, 1100, 7\r\npendenza, 2150, 11\r\n[fine]\r\n");
  s.open(kTrain,
         "[generale]\r\nvelocita, 0, 30\r\nvelocita, 800, 93\r\nvelocita, 12000, 120\r\n"
         "segnale, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0\r\nsegnale, 100, 1, 3, 1, 0, 0, 0, 0, 0, 0, "
         "0\r\n[fine]\r\n");
  const auto hover = [&](const char* path, int line, int character) {
    const json h = s.request("textDocument/hover", Session::at(path, line, character))["result"];
    return h.is_null() ? std::string() : h["contents"]["value"].get<std::string>();
  };
  const struct {
    const char* path;
    int line, character;
    std::vector<std::string> says;
  } cases[] = {
      // A running value: its cells run up to the next row's.
      {kTrain,
       2,
       16,
       {"93 km/h \u2192 stored as 19 in cells 16 to 239 (800 m to 12 000 m), a limit of 95 km/h",
        "field 2 of 2"}},
      {kLine, 4, 2, {"7 \u2030 \u2192 stored as 107 in cells 22 to 42 (1 100 m to 2 150 m)"}},
      // The last row runs to the end of the cells it fills.
      {kLine, 5, 11, {"11 \u2030 \u2192 stored as 111 in cells 43 to "}},
      // The keyword: the first paragraph of the row's section.
      {kTrain, 1, 2, {"**`velocita`**", "stored in each cell's `velocita` byte"}},
      // A signal and its approach cells; one field in the words of the page.
      {kTrain, 4, 10, {"a signal in cell 65 (3 200 m); approach codes in cells 63, 61, 59 and 57"}},
      {kTrain, 4, 17, {"**s1**", "`dato1`", "`s1` \u00d7 10 + `d1`"}},
      // Near the start of the line some approach cells do not exist.
      {kTrain, 5, 10, {"a signal in cell 3 (100 m); approach codes in cell 1"}},
  };
  for (const auto& c : cases) {
    const std::string text = hover(c.path, c.line, c.character);
    for (const std::string& part : c.says) {
      EXPECT_NE(text.find(part), std::string::npos)
          << c.path << ":" << c.line << ":" << c.character << " lacks " << part << "\n"
          << text;
    }
  }
}

TEST(LspServer, OutlinesSectionsAndStationsAndCompletesBySection) {
  Session s;
  s.initialize();
  s.open("/w/BORGOLUCE_5127-.txt", document_text(dati_treno()));
  const json symbols =
      s.request("textDocument/documentSymbol",
                {{"textDocument", {{"uri", uri_from_path("/w/BORGOLUCE_5127-.txt")}}}})["result"];
  std::vector<std::string> sections, stations;
  for (const json& section : symbols) {
    sections.push_back(section["name"]);
    for (const json& child : section["children"]) {
      if (child["kind"] == 24) stations.push_back(child["name"]);
    }
  }
  EXPECT_EQ(sections.front(), "[generale]");
  EXPECT_NE(std::find(sections.begin(), sections.end(), "[stazioni]"), sections.end());
  ASSERT_GE(stations.size(), 3u);
  EXPECT_EQ(stations[0], "BORGOLUCE");
  EXPECT_EQ(stations[1], "SAN MARCO AL PONTE");

  s.open(kLine, kLineText);
  const auto labels = [&](int line) {
    std::vector<std::string> out;
    const json result = s.request("textDocument/completion", Session::at(kLine, line, 0));
    for (const json& item : result["result"]["items"]) out.push_back(item["label"]);
    return out;
  };
  const std::vector<std::string> generale = labels(1), elements = labels(3);
  const auto has = [](const std::vector<std::string>& v, const char* w) {
    return std::find(v.begin(), v.end(), w) != v.end();
  };
  EXPECT_TRUE(has(generale, "lunghezza percorso"));
  EXPECT_FALSE(has(generale, "pendenza"));
  EXPECT_TRUE(has(elements, "pendenza"));
  EXPECT_TRUE(has(elements, "[curve]"));
  EXPECT_FALSE(has(elements, "stazione"));
}

TEST(LspServer, FormattingEditsOnlyTheLinesThatChange) {
  Session s;
  s.initialize();
  const std::string text =
      "[generale]\nvelocita, 0,80\nvelocita, 12000,  120\n\xE2\x86\x92\n[fine]\n";
  s.open(kTrain, kTrainText);
  s.change(kTrain, text);
  const json edits = s.request("textDocument/formatting",
                               {{"textDocument", {{"uri", uri_from_path(kTrain)}}},
                                {"options", {{"tabSize", 2}, {"insertSpaces", true}}}})["result"];
  EXPECT_EQ(edits, json::parse(R"([
    {"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":14}},
     "newText":"velocita,      0,   80"},
    {"range":{"start":{"line":2,"character":0},"end":{"line":2,"character":21}},
     "newText":"velocita,  12000,  120"}])"));
}

TEST(LspServer, TheThreadedLoopChecksTheLastEditAndEndsWithItsInput) {
  const auto message = [](const json& m) { return framed(m.dump()); };
  std::string stream = message(
      {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}});
  stream += message(
      {{"jsonrpc", "2.0"},
       {"method", "textDocument/didOpen"},
       {"params", {{"textDocument", {{"uri", uri_from_path(kLine)}, {"text", kLineText}}}}}});
  for (int i = 0; i < 5; ++i) {
    const std::string text =
        i < 4 ? kLineText : "[generale]\r\nlunghezza percorso, 40000\r\n[fine]\r\n";
    stream += message({{"jsonrpc", "2.0"},
                       {"method", "textDocument/didChange"},
                       {"params",
                        {{"textDocument", {{"uri", uri_from_path(kLine)}}},
                         {"contentChanges", json::array({{{"text", text}}})}}}});
  }
  // A request sees the last text; then the client goes in the middle of a
  // message.
  stream += message({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}});
  stream += "Content-Length: 5\r\n\r\n{]";
  std::istringstream in(stream);
  std::ostringstream out;
  MemoryFileSystem files;
  files.files[kTrain] = kTrainText;
  EXPECT_EQ(serve_lsp(in, out, files, true), 0);
  std::istringstream replies(out.str());
  json last_line_diagnostics;
  for (IncomingMessage m = read_message(replies); m.kind == IncomingMessage::Kind::kMessage;
       m = read_message(replies)) {
    const json j = json::parse(m.body);
    if (j.value("method", "") == "textDocument/publishDiagnostics" &&
        j["params"]["uri"] == uri_from_path(kLine))
      last_line_diagnostics = j["params"]["diagnostics"];
  }
  ASSERT_TRUE(last_line_diagnostics.is_array());
  EXPECT_TRUE(last_line_diagnostics.empty()) << last_line_diagnostics.dump(1);
}

}  // namespace
}  // namespace sb
