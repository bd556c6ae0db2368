#include "tools/lsp_server.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "compiler/cell_kinds.h"
#include "compiler/route_values.h"
#include "compiler/storers.h"
#include "platform/file_system.h"
#include "sources/file_names.h"
#include "sources/row_syntax.h"
#include "tools/analysis.h"
#include "tools/source_docs.h"
#include "tools/source_format.h"
#include "tools/text_encoding.h"

namespace sb {

using nlohmann::json;

namespace {

constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;
constexpr int kSeverityInformation = 3;

constexpr std::string_view kFileScheme = "file://";

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string directory_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joined(const std::string& directory, const std::string& name) {
  return directory.empty() ? name : directory + "/" + name;
}

// The scenario identifier of a train source's name ID_NUM-.txt.
std::optional<std::string> scenario_of_train(const std::string& path) {
  const std::optional<std::string> number = train_from_train_source(path);
  if (!number) return std::nullopt;
  const std::string name = name_of(path);
  const std::size_t suffix = FileNames{"", *number}.train_source().size();  // "_NUM-.txt"
  if (name.size() <= suffix) return std::nullopt;
  return name.substr(0, name.size() - suffix);
}

json position(int line, std::size_t character) {
  return {{"line", line}, {"character", character}};
}

json range(int line, std::size_t from, std::size_t to) {
  return {{"start", position(line, from)}, {"end", position(line, to)}};
}

// Reads an integer member; throws json::exception (answered as invalid
// parameters) when it is missing or not a number.
int int_at(const json& j, const char* key) {
  const json& v = j.at(key);
  if (!v.is_number_integer()) throw json::type_error::create(302, "not an integer", &v);
  const auto n = v.get<std::int64_t>();
  if (n < 0 || n > (1 << 30)) throw json::out_of_range::create(401, "out of range", &v);
  return static_cast<int>(n);
}

// The range a diagnostic marks: from its column to the end of the field there.
json diagnostic_range(const Diagnostic& d, const SourceView& view) {
  const int line = std::max(d.line, 1) - 1;
  if (static_cast<std::size_t>(line) >= view.lines.size() || d.line == 0) return range(0, 0, 0);
  const SourceLine& l = view.lines[static_cast<std::size_t>(line)];
  const std::size_t length = l.end - l.start;
  const std::size_t from =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(d.column, 1) - 1), length);
  std::size_t to = from;
  const int field = view.field_at(line, from);
  if (field >= 0) to = std::max(from, l.fields[static_cast<std::size_t>(field)].trimmed_end);
  if (to == from && from < length) to = from + 1;
  return range(line, from, to);
}

json lsp_diagnostic(const Diagnostic& d, const SourceView& view) {
  json j = {{"range", diagnostic_range(d, view)},
            {"severity", d.is_error ? kSeverityError : kSeverityWarning},
            {"source", "scenario-builder"},
            {"message", utf8_from_cp1252(d.message)}};
  json data = {{"code", nullptr}, {"warning", nullptr}};
  if (d.code != 0) {
    j["code"] = d.code;
    data["code"] = d.code;
  }
  if (d.warning) {
    const std::string name(warning_info(*d.warning).name);
    if (d.code == 0) j["code"] = name;
    data["warning"] = name;
  }
  j["data"] = data;
  return j;
}

json information(int line, std::string message) {
  return {{"range", range(line, 0, 0)},
          {"severity", kSeverityInformation},
          {"source", "scenario-builder"},
          {"message", std::move(message)}};
}

std::string metres(double m) {
  // "11 050 m": thousands apart, as the author reads a position.
  std::string digits = std::to_string(static_cast<long long>(m < 0 ? m - 0.5 : m + 0.5));
  std::string out;
  const std::size_t sign = digits.front() == '-' ? 1 : 0;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > sign && (digits.size() - i) % 3 == 0) out.push_back(' ');
    out.push_back(digits[i]);
  }
  return out + " m";
}

// "cells 16 to 220 (800 m to 11 050 m)": the stretch of line that cells
// cover, each from its start.
std::string cells_words(Long first, Long last) {
  const std::string stretch = " (" + metres(metre_of(Placement::kCellStart, first)) + " to " +
                              metres(metre_of(Placement::kCellStart, std::int64_t{last} + 1)) + ")";
  if (first == last) return "cell " + std::to_string(first) + stretch;
  return "cells " + std::to_string(first) + " to " + std::to_string(last) + stretch;
}

// "95 km/h → stored as 19 in cells 16 to 220 (800 m to 11 050 m)": what a
// row of a running value became, from the value its row gives.
std::string stored_run_words(const RowSyntax& r, const std::string& written, const StoredRun& run) {
  std::string unit;
  if (r.fields.size() > 1) {
    const std::string_view name = r.fields[1];
    const std::size_t open = name.find('(');
    if (open != std::string_view::npos && name.back() == ')') {
      unit = std::string(name.substr(open + 1, name.size() - open - 2));
    }
  }
  if (unit == "per mille") unit = "\u2030";
  std::string words = written + (unit.empty() ? "" : " " + unit) + " \u2192 stored as " +
                      std::to_string(run.value) + " in " + cells_words(run.first, run.last);
  if (run.field == &cella::velocita) {
    cella c{};
    c.velocita = run.value;
    words += ", a limit of " + std::to_string(speed_limit_kmh(c)) + " km/h";
  }
  return words;
}

// "a signal in cell 65 (3 200 m); approach codes in cells 63, 61, 59 and 57".
std::string placed_element_words(const PlacedElement& e) {
  const CellKindInfo* info = cell_kind(e.genere);
  const Placement placement = info != nullptr ? info->placement : Placement::kPoint;
  std::string words = kind_with_article(e.genere) + " in cell " + std::to_string(e.cell) + " (" +
                      metres(metre_of(placement, e.cell)) + ")";
  if (e.genere == kSignal) {
    std::vector<std::string> cells;
    for (int k = 1; k <= kSignalApproachCells; ++k) {
      const std::int64_t c = signal_approach_cell(e.cell, k);
      if (c >= 0) cells.push_back(std::to_string(c));
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
      words += (i == 0 ? "; approach codes in cell" + std::string(cells.size() > 1 ? "s " : " ")
                : i + 1 == cells.size() ? " and "
                                        : ", ") +
               cells[i];
    }
  }
  return words;
}

std::string kilometre(std::string_view metres_text) {
  long long m = 0;
  for (const char c : metres_text) {
    if (c < '0' || c > '9') return std::string(metres_text);
    m = m * 10 + (c - '0');
    if (m > 100000000) return std::string(metres_text);
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "km %lld.%03lld", m / 1000, m % 1000);
  return buffer;
}

std::string_view place_words(RowPlace p) {
  switch (p) {
    case RowPlace::kGenerale:
      return "the [generale] section of the line source";
    case RowPlace::kLineElements:
      return "the element sections of the line source, after [generale]";
    case RowPlace::kTrain:
      return "the train source, after [generale]";
  }
  return "";
}

std::string snippet(const RowSyntax& r) {
  std::string s = r.keyword == "curva" ? "curva${1:d2}" : std::string(r.keyword);
  int n = r.keyword == "curva" ? 2 : 1;
  s += ",";
  for (std::size_t k = 0; k < r.fields.size(); ++k) {
    if (k > 0) s += ",";
    s += "  ${" + std::to_string(n++) + ":" + std::string(r.fields[k]) + "}";
  }
  return s;
}

}  // namespace

std::optional<std::string> path_from_uri(std::string_view uri) {
  if (uri.substr(0, kFileScheme.size()) != kFileScheme) return std::nullopt;
  uri.remove_prefix(kFileScheme.size());
  // file://host/path: only the local host.
  const std::size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  uri.remove_prefix(slash);
  std::string path;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && hex_value(uri[i + 1]) >= 0 &&
        hex_value(uri[i + 2]) >= 0) {
      path.push_back(static_cast<char>(hex_value(uri[i + 1]) * 16 + hex_value(uri[i + 2])));
      i += 2;
    } else {
      path.push_back(uri[i]);
    }
  }
  return path;
}

std::string uri_from_path(std::string_view path) {
  std::string uri(kFileScheme);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri.push_back(ch);
    } else {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 15]);
    }
  }
  return uri;
}

LspServer::LspServer(FileSystem& files, Send send) : files_(files), send_(std::move(send)) {}

void LspServer::receive(const IncomingMessage& m) {
  switch (m.kind) {
    case IncomingMessage::Kind::kMessage: {
      json message = json::parse(m.body, nullptr, false);
      if (message.is_discarded()) {
        send_(rpc_error_response(nullptr, rpc_error::kParseError, "the message is not JSON"));
        return;
      }
      handle(message);
      return;
    }
    case IncomingMessage::Kind::kBadFrame:
      send_(rpc_error_response(nullptr, rpc_error::kInvalidRequest,
                               "a message without a valid Content-Length header was passed over"));
      return;
    case IncomingMessage::Kind::kTooLarge:
      send_(rpc_error_response(
          nullptr, rpc_error::kInvalidRequest,
          "a message over " + std::to_string(kMaxMessageBytes) + " bytes was refused"));
      return;
    case IncomingMessage::Kind::kEnd:
      exited_ = true;
      return;
  }
}

void LspServer::handle(const json& message) {
  if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
    // A response from the client (to nothing we asked) or no message at all.
    if (message.is_object() && (message.contains("result") || message.contains("error"))) return;
    send_(rpc_error_response(message.is_object() && message.contains("id") ? message["id"] : json(),
                             rpc_error::kInvalidRequest, "not a JSON-RPC request"));
    return;
  }
  const std::string method = message["method"].get<std::string>();
  const bool request = message.contains("id");
  const json id = request ? message["id"] : json();
  const json params = message.contains("params") ? message["params"] : json::object();
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ && method != "initialize") {
    if (request) {
      send_(rpc_error_response(id, rpc_error::kServerNotInitialized,
                               "the server has not been initialized"));
    }
    return;
  }
  // A request sees the edits before it: they are checked first.
  if (request && !pending_.empty()) publish_pending();
  if (shutdown_ && request) {
    send_(rpc_error_response(id, rpc_error::kInvalidRequest, "the server has shut down"));
    return;
  }
  try {
    json result = dispatch(method, params);
    if (!request) return;
    if (result.is_discarded()) {
      send_(rpc_error_response(id, rpc_error::kMethodNotFound, "no method " + method));
    } else {
      send_(rpc_result(id, std::move(result)));
    }
  } catch (const json::exception& e) {
    if (request) {
      send_(rpc_error_response(id, rpc_error::kInvalidParams,
                               std::string("invalid parameters: ") + e.what()));
    }
  } catch (const std::exception& e) {
    if (request) send_(rpc_error_response(id, rpc_error::kRequestFailed, e.what()));
  }
}

json LspServer::dispatch(const std::string& method, const json& params) {
  if (method == "initialize") {
    initialized_ = true;
    return initialize_result();
  }
  if (method == "initialized") return nullptr;
  if (method == "shutdown") {
    shutdown_ = true;
    return nullptr;
  }
  if (method == "textDocument/didOpen") return open(params), nullptr;
  if (method == "textDocument/didChange") return change(params), nullptr;
  if (method == "textDocument/didClose") return close(params), nullptr;
  if (method == "textDocument/didSave") return nullptr;
  if (method == "textDocument/hover") return hover(params);
  if (method == "textDocument/documentSymbol") return document_symbols(params);
  if (method == "textDocument/completion") return completion(params);
  if (method == "textDocument/formatting") return formatting(params, false);
  if (method == "textDocument/rangeFormatting") return formatting(params, true);
  if (method == "textDocument/codeAction") return code_actions(params);
  if (method == "textDocument/semanticTokens/full") return semantic_tokens_full(params);
  return json(json::value_t::discarded);
}

json LspServer::initialize_result() const {
  json tokens = semantic_token_types();
  return {{"capabilities",
           {{"textDocumentSync", {{"openClose", true}, {"change", 1}}},
            {"hoverProvider", true},
            {"documentSymbolProvider", true},
            {"completionProvider", {{"triggerCharacters", json::array({"["})}}},
            {"documentFormattingProvider", true},
            {"documentRangeFormattingProvider", true},
            {"codeActionProvider", true},
            {"semanticTokensProvider",
             {{"legend", {{"tokenTypes", tokens}, {"tokenModifiers", json::array()}}},
              {"full", true}}}}},
          {"serverInfo", {{"name", "scenario-builder"}}}};
}

void LspServer::open(const json& params) {
  const json& item = params.at("textDocument");
  const std::optional<std::string> path = path_from_uri(item.at("uri").get<std::string>());
  if (!path) return;
  Document d;
  d.text = cp1252_from_utf8(item.at("text").get<std::string>(), &d.unmapped);
  d.source = train_from_train_source(*path) ? Source::kTrain : Source::kLine;
  documents_[*path] = std::move(d);
  pending_.insert(*path);
}

void LspServer::change(const json& params) {
  const std::optional<std::string> path =
      path_from_uri(params.at("textDocument").at("uri").get<std::string>());
  if (!path) return;
  const auto it = documents_.find(*path);
  if (it == documents_.end()) return;
  const json& changes = params.at("contentChanges");
  // Full text sync: the last change holds the whole text.
  if (!changes.is_array() || changes.empty()) return;
  Document& d = it->second;
  d.unmapped.clear();
  d.text = cp1252_from_utf8(changes.back().at("text").get<std::string>(), &d.unmapped);
  pending_.insert(*path);
}

void LspServer::close(const json& params) {
  const std::optional<std::string> path =
      path_from_uri(params.at("textDocument").at("uri").get<std::string>());
  if (!path) return;
  documents_.erase(*path);
  findings_.erase(*path);
  send_(rpc_notification("textDocument/publishDiagnostics",
                         {{"uri", uri_from_path(*path)}, {"diagnostics", json::array()}}));
  // Its diagnostics now come from the file on disk, if it is still there,
  // through the other file of its scenario.
  pending_.insert(*path);
}

const std::string* LspServer::text_of(const std::string& path, std::string* storage) {
  const auto it = documents_.find(path);
  if (it != documents_.end()) return &it->second.text;
  try {
    if (!files_.exists(path)) return nullptr;
    *storage = files_.read(path);
    return storage;
  } catch (const FileError&) {
    return nullptr;
  }
}

const LspServer::Document& LspServer::document(const json& params) const {
  const std::optional<std::string> path =
      path_from_uri(params.at("textDocument").at("uri").get<std::string>());
  const auto it = path ? documents_.find(*path) : documents_.end();
  if (it == documents_.end()) throw std::runtime_error("the document is not open");
  return it->second;
}

std::vector<std::string> LspServer::trains_of(const std::string& line_path) {
  const std::optional<std::string> scenario = scenario_from_line_source(line_path);
  std::set<std::string> trains;
  if (!scenario) return {};
  const std::string directory = directory_of(line_path);
  const auto take = [&](const std::string& path) {
    if (directory_of(path) == directory && scenario_of_train(path) == scenario) {
      trains.insert(path);
    }
  };
  for (const auto& [path, d] : documents_) take(path);
  for (const std::string& name : files_.list_files(directory.empty() ? "." : directory)) {
    take(joined(directory, name));
  }
  return {trains.begin(), trains.end()};
}

void LspServer::publish_pending() {
  std::set<std::pair<std::string, std::string>> checks;  // line, train
  std::set<std::string> lines_published;
  for (const std::string& path : pending_) {
    if (const std::optional<std::string> scenario = scenario_of_train(path)) {
      checks.insert({joined(directory_of(path), FileNames{*scenario, ""}.line_source()), path});
    } else if (scenario_from_line_source(path)) {
      const std::vector<std::string> trains = trains_of(path);
      if (trains.empty()) checks.insert({path, std::string()});
      for (const std::string& t : trains) checks.insert({path, t});
    }
  }
  pending_.clear();
  for (const auto& [line, train] : checks) {
    const std::vector<std::string> trains = trains_of(line);
    const bool first = trains.empty() || trains.front() == train;
    check(line, train, first, !train.empty());
  }
}

void LspServer::check(const std::string& line_path, const std::string& train_path,
                      bool publish_line, bool publish_train) {
  std::string line_storage, train_storage;
  const std::string* line_text = text_of(line_path, &line_storage);
  const std::string* train_text =
      train_path.empty() ? nullptr : text_of(train_path, &train_storage);
  const bool line_open = documents_.count(line_path) != 0;
  const bool train_open = documents_.count(train_path) != 0;
  // A file that is neither open nor on disk has nothing to show.
  publish_line = publish_line && (line_open || line_text != nullptr);
  publish_train = publish_train && (train_open || train_text != nullptr);
  if (!publish_line && !publish_train) return;

  ScenarioSources s;
  s.scenario = scenario_from_line_source(line_path).value_or(
      scenario_of_train(train_path).value_or(std::string()));
  s.treno = train_path.empty() ? std::string() : train_from_train_source(train_path).value_or("");
  s.line_file = line_path;
  s.train_file = train_path.empty() ? FileNames{s.scenario, "NUM"}.train_source() : train_path;
  s.line_text = line_text;
  s.train_text = train_text;
  const Analysis a = analyse(s, TrackPlanOutput::kWrite, WarningOptions{}, AnalysisDepth::kCheck);

  const auto publish = [&](const std::string& path, const std::string* text, Source source,
                           json extra) {
    const std::string empty;
    const std::string& t = text != nullptr ? *text : empty;
    // The lines are cut only when a diagnostic needs its range: a clean
    // source of 1000 km is published at once.
    std::optional<SourceView> lines;
    const auto view_of = [&]() -> const SourceView& {
      if (!lines) lines = view_source(t, source);
      return *lines;
    };
    json list = json::array();
    for (const Diagnostic& d : a.diagnostics) {
      if (d.file == path) list.push_back(lsp_diagnostic(d, view_of()));
    }
    for (json& e : extra) list.push_back(std::move(e));
    const auto open = documents_.find(path);
    if (open != documents_.end() && !open->second.unmapped.empty()) {
      const SourceView& view = view_of();
      for (const std::size_t offset : open->second.unmapped) {
        const auto at =
            std::upper_bound(view.lines.begin(), view.lines.end(), offset,
                             [](std::size_t o, const SourceLine& l) { return o < l.start; });
        const int line = static_cast<int>(at - view.lines.begin()) - 1;
        if (line < 0) continue;
        const std::size_t column = offset - view.lines[static_cast<std::size_t>(line)].start;
        json d = information(line,
                             "this character has no Windows-1252 form: it is checked, "
                             "and would be saved, as `?`");
        d["range"] = range(line, column, column + 1);
        d["severity"] = kSeverityWarning;
        list.push_back(std::move(d));
      }
    }
    Findings& f = findings_[path];
    f.elements.clear();
    for (const PlacedElement& e : a.report.reading.elements) {
      if (e.place.source == source) f.elements.push_back(e);
    }
    f.runs.clear();
    for (const StoredRun& run : a.report.reading.runs) {
      if (run.place.source == source) f.runs.push_back(run);
    }
    send_(rpc_notification("textDocument/publishDiagnostics",
                           {{"uri", uri_from_path(path)}, {"diagnostics", std::move(list)}}));
  };
  if (publish_line) {
    json extra = json::array();
    if (train_path.empty()) {
      extra.push_back(
          information(0, "no train source " + FileNames{s.scenario, "NUM"}.train_source() + " in " +
                             (directory_of(line_path).empty() ? "." : directory_of(line_path)) +
                             ": the line source is checked alone, and the train's rows are not"));
    }
    publish(line_path, line_text, Source::kLine, extra);
  }
  if (publish_train) {
    json extra = json::array();
    if (line_text == nullptr) {
      extra.push_back(information(0, "no line source " + name_of(line_path) +
                                         " beside this "
                                         "train source: the train is checked without its line"));
    }
    publish(train_path, train_text, Source::kTrain, extra);
  }
}

json LspServer::hover(const json& params) {
  const Document& d = document(params);
  const int line = int_at(params.at("position"), "line");
  const int character = int_at(params.at("position"), "character");
  const SourceView view = view_source(d.text, d.source);
  if (static_cast<std::size_t>(line) >= view.lines.size()) return nullptr;
  const SourceLine& l = view.lines[static_cast<std::size_t>(line)];
  if (l.kind != LineKind::kRow) return nullptr;
  const int field = view.field_at(line, static_cast<std::size_t>(character));
  if (field < 0) return nullptr;
  const RowSyntax& r = *l.syntax;
  const auto field_text = [&](int k) {
    return utf8_from_cp1252(
        std::string(view.field_text(d.text, line, static_cast<std::size_t>(k))));
  };
  const std::string keyword = field_text(0);
  // UTF-8 Markdown: the source's own words are converted from Windows-1252,
  // the pages' are UTF-8 already.
  std::string text;
  const auto paragraph = [&](const std::string& p) {
    if (!p.empty()) text += "\n\n" + p;
  };
  if (field == 0) {
    text = "**`" + keyword + "`**: a row read in " + std::string(place_words(r.place)) +
           "; its fields: ";
    for (std::size_t k = 0; k < r.fields.size(); ++k) {
      text += (k > 0 ? ", " : "") + std::string(r.fields[k]);
    }
    paragraph(row_description(r));
  } else if (static_cast<std::size_t>(field) <= r.fields.size()) {
    const auto k = static_cast<std::size_t>(field);
    text = "**" + std::string(r.fields[k - 1]) + "**: field " + std::to_string(field) + " of " +
           std::to_string(r.fields.size()) + " of `" + keyword + "`";
    const std::string about = field_description(r, k);
    paragraph(about.empty() ? row_description(r) : about);
  } else {
    text = "a field beyond the " + std::to_string(r.fields.size()) + " of `" + keyword +
           "`: it is read as the next row's keyword";
  }
  if (const auto f =
          findings_.find(*path_from_uri(params["textDocument"]["uri"].get<std::string>()));
      f != findings_.end()) {
    for (const StoredRun& run : f->second.runs) {
      if (run.place.line == line + 1 && l.fields.size() > 2) {
        paragraph(stored_run_words(r, field_text(2), run));
      }
    }
    for (const PlacedElement& e : f->second.elements) {
      if (e.place.line == line + 1) paragraph(placed_element_words(e));
    }
  }
  const LineField& at = l.fields[static_cast<std::size_t>(field)];
  return {{"contents", {{"kind", "markdown"}, {"value", text}}},
          {"range", range(line, at.begin, at.trimmed_end)}};
}

json LspServer::document_symbols(const json& params) {
  const Document& d = document(params);
  const SourceView view = view_source(d.text, d.source);
  constexpr int kModule = 2, kEvent = 24, kField = 8;
  const auto line_range = [&](int from, int to) {
    const SourceLine& last = view.lines[static_cast<std::size_t>(to)];
    return json{{"start", position(from, 0)}, {"end", position(to, last.end - last.start)}};
  };
  json result = json::array();
  for (const SourceSection& s : view.sections) {
    json children = json::array();
    for (int n = s.header_line + 1; n <= s.last_line; ++n) {
      const SourceLine& l = view.lines[static_cast<std::size_t>(n)];
      if (l.kind != LineKind::kRow) continue;
      const std::string keyword(view.field_text(d.text, n, 0));
      std::string name;
      int kind = kField;
      if (l.syntax->ends_with_text && l.syntax->keyword == "stazione" &&
          l.fields.size() == 1 + l.syntax->fields.size()) {
        name = std::string(view.field_text(d.text, n, l.fields.size() - 1));
        kind = kEvent;
      }
      const bool positioned =
          l.syntax->place != RowPlace::kGenerale && l.fields.size() > 1 &&
          std::string_view(l.syntax->fields[0]).find("(m)") != std::string_view::npos;
      const std::string km = positioned ? kilometre(view.field_text(d.text, n, 1)) : "";
      if (name.empty()) name = keyword + (km.empty() ? "" : " " + km);
      json symbol = {{"name", utf8_from_cp1252(name)},
                     {"kind", kind},
                     {"range", line_range(n, n)},
                     {"selectionRange", line_range(n, n)}};
      if (kind == kEvent && !km.empty()) symbol["detail"] = km;
      children.push_back(std::move(symbol));
    }
    result.push_back({{"name", utf8_from_cp1252(s.name)},
                      {"kind", kModule},
                      {"range", line_range(s.header_line, s.last_line)},
                      {"selectionRange", line_range(s.header_line, s.header_line)},
                      {"children", std::move(children)}});
  }
  return result;
}

json LspServer::completion(const json& params) {
  const Document& d = document(params);
  const int line = int_at(params.at("position"), "line");
  const SourceView view = view_source(d.text, d.source);
  constexpr int kKeyword = 14, kModule = 9, kSnippet = 2;
  json items = json::array();
  for (const std::string_view header : section_headers(d.source)) {
    items.push_back({{"label", header}, {"kind", kModule}, {"insertText", header}});
  }
  const RowPlace place = view.place(line);
  for (const RowSyntax& r : row_syntax_table()) {
    if (r.place != place) continue;
    std::string detail;
    for (std::size_t k = 0; k < r.fields.size(); ++k) {
      detail += (k > 0 ? ", " : "") + std::string(r.fields[k]);
    }
    items.push_back({{"label", r.keyword},
                     {"kind", kKeyword},
                     {"detail", detail},
                     {"insertText", snippet(r)},
                     {"insertTextFormat", kSnippet}});
  }
  return {{"isIncomplete", false}, {"items", std::move(items)}};
}

json LspServer::formatting(const json& params, bool by_range) {
  const Document& d = document(params);
  int first = 0, last = 1 << 30;
  if (by_range) {
    first = int_at(params.at("range").at("start"), "line");
    last = int_at(params.at("range").at("end"), "line");
  }
  const std::string formatted = format_source(d.text, d.source, first, last);
  const SourceView before = view_source(d.text, d.source);
  const SourceView after = view_source(formatted, d.source);
  json edits = json::array();
  if (before.lines.size() != after.lines.size()) return edits;  // never: lines stay lines
  for (std::size_t n = 0; n < before.lines.size(); ++n) {
    const SourceLine& b = before.lines[n];
    const SourceLine& a = after.lines[n];
    const std::string_view old_line = std::string_view(d.text).substr(b.start, b.end - b.start);
    const std::string_view new_line = std::string_view(formatted).substr(a.start, a.end - a.start);
    if (old_line == new_line) continue;
    // A line with a character the code page lacks keeps the editor's text.
    const bool unmapped = std::any_of(d.unmapped.begin(), d.unmapped.end(),
                                      [&](std::size_t o) { return o >= b.start && o < b.end; });
    if (unmapped) continue;
    edits.push_back({{"range", range(static_cast<int>(n), 0, old_line.size())},
                     {"newText", utf8_from_cp1252(new_line)}});
  }
  return edits;
}

json LspServer::code_actions(const json& params) {
  const Document& d = document(params);
  const SourceView view = view_source(d.text, d.source);
  const std::string uri = params.at("textDocument").at("uri").get<std::string>();
  json actions = json::array();
  const json& diagnostics = params.at("context").at("diagnostics");
  if (!diagnostics.is_array()) return actions;
  for (const json& diagnostic : diagnostics) {
    if (!diagnostic.contains("code") || !diagnostic["code"].is_string()) continue;
    const std::optional<Warning> w = warning_by_name(diagnostic["code"].get<std::string>());
    if (w != Warning::kUnknownKeyword && w != Warning::kKeywordCase) continue;
    // Some clients send the diagnostic back without its range: the range of
    // the request is then where it stands.
    const json& start =
        (diagnostic.contains("range") ? diagnostic : params).at("range").at("start");
    const int line = int_at(start, "line");
    const int character = int_at(start, "character");
    // The misspelt keyword may stand anywhere on its line: after a row
    // with a field too many, say.
    const int field = view.field_at(line, static_cast<std::size_t>(character));
    if (field < 0) continue;
    const std::string_view word = view.field_text(d.text, line, static_cast<std::size_t>(field));
    const RowPlace place = w == Warning::kKeywordCase ? RowPlace::kGenerale : view.place(line);
    const std::optional<std::string_view> near = nearest_keyword(word, place);
    if (!near) continue;
    const LineField& f =
        view.lines[static_cast<std::size_t>(line)].fields[static_cast<std::size_t>(field)];
    json edit = {{"range", range(line, f.begin, f.trimmed_end)}, {"newText", *near}};
    actions.push_back({{"title", "Write `" + std::string(*near) + "`"},
                       {"kind", "quickfix"},
                       {"isPreferred", true},
                       {"diagnostics", json::array({diagnostic})},
                       {"edit", {{"changes", {{uri, json::array({edit})}}}}}});
  }
  return actions;
}

json LspServer::semantic_tokens_full(const json& params) {
  const Document& d = document(params);
  return {{"data", semantic_tokens(d.text, d.source)}};
}

namespace {

// The messages read by the reader thread, waiting for the server.
struct Inbox {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<IncomingMessage> messages;
  bool ended = false;
};

}  // namespace

int serve_lsp(std::istream& in, std::ostream& out, FileSystem& files, bool threaded) {
  LspServer server(files, [&out](const json& m) { write_message(out, m); });
  if (!threaded) {
    while (!server.exited()) {
      server.receive(read_message(in));
      server.publish_pending();
    }
    return server.exit_status();
  }
  // The reading thread must never touch `out`: standard input is tied to
  // standard output, which each read would flush from that thread.
  in.tie(nullptr);
  const auto inbox = std::make_shared<Inbox>();
  std::thread reader([inbox, &in] {
    while (true) {
      IncomingMessage m = read_message(in);
      const bool end = m.kind == IncomingMessage::Kind::kEnd;
      {
        const std::lock_guard<std::mutex> lock(inbox->mutex);
        inbox->messages.push_back(std::move(m));
        inbox->ended = end;
      }
      inbox->ready.notify_one();
      if (end) return;
    }
  });
  while (!server.exited()) {
    std::deque<IncomingMessage> batch;
    {
      std::unique_lock<std::mutex> lock(inbox->mutex);
      inbox->ready.wait(lock, [&] { return !inbox->messages.empty(); });
      batch.swap(inbox->messages);
    }
    // Every message that has arrived is handled before the next check: of
    // several edits of a file only the last text is checked.
    for (const IncomingMessage& m : batch) {
      server.receive(m);
      if (server.exited()) break;
    }
    if (!server.exited()) server.publish_pending();
  }
  bool ended = false;
  {
    const std::lock_guard<std::mutex> lock(inbox->mutex);
    ended = inbox->ended;
  }
  // After `exit` the client may keep its end open: the thread, blocked in a
  // read of the process's input, ends with the process.
  if (ended) {
    reader.join();
  } else {
    reader.detach();
  }
  return server.exit_status();
}

}  // namespace sb
