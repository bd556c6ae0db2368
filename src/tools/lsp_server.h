// `scenario-builder lsp`: a language server for the two sources of a
// scenario. Diagnostics come from the engine of `check` (tools/analysis.h);
// hover, outline, completion, formatting, quick fixes and semantic tokens
// from the tables of the rows and the kinds.
//
// A line source ID_linea.txt and the train sources ID_NUM-.txt of the same
// folder make scenarios. A file open in the editor is read from its buffer,
// any other from disk. Each train source is checked with its line; a line
// source with several trains gets the diagnostics of its checking with the
// first of them in name order, so that it shows one list, not one a train.
#pragma once

#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "compiler/source_reader.h"
#include "tools/lsp_protocol.h"

namespace sb {

class FileSystem;

// The path of a file: URI, and back. Only file: URIs name files.
std::optional<std::string> path_from_uri(std::string_view uri);
std::string uri_from_path(std::string_view path);

class LspServer {
 public:
  using Send = std::function<void(const nlohmann::json&)>;
  LspServer(FileSystem& files, Send send);

  // One message from the client: its body, or what was wrong with its frame.
  void receive(const IncomingMessage& m);
  void handle(const nlohmann::json& message);

  // Checks every scenario that an edit has touched since the last call, and
  // publishes the diagnostics of its two files. The loop calls it once the
  // messages waiting have been handled, so that of several edits in a row
  // only the last is checked.
  void publish_pending();

  bool exited() const { return exited_; }
  // 0 after shutdown then exit, 1 for an exit without shutdown.
  int exit_status() const { return shutdown_ ? 0 : 1; }

 private:
  struct Document {
    std::string text;                   // Windows-1252, one byte per UTF-16 unit of the buffer
    std::vector<std::size_t> unmapped;  // offsets of characters Windows-1252 lacks
    Source source = Source::kLine;
  };
  // What the last check of a file found on its rows.
  struct Findings {
    std::vector<PlacedElement> elements;
    std::vector<StoredRun> runs;
  };

  nlohmann::json dispatch(const std::string& method, const nlohmann::json& params);
  nlohmann::json initialize_result() const;
  void open(const nlohmann::json& params);
  void change(const nlohmann::json& params);
  void close(const nlohmann::json& params);

  nlohmann::json hover(const nlohmann::json& params);
  nlohmann::json document_symbols(const nlohmann::json& params);
  nlohmann::json completion(const nlohmann::json& params);
  nlohmann::json formatting(const nlohmann::json& params, bool range);
  nlohmann::json code_actions(const nlohmann::json& params);
  nlohmann::json semantic_tokens_full(const nlohmann::json& params);

  // The text of a file: the editor's buffer when open, else from disk;
  // nullptr when neither has it. `storage` keeps a text read from disk.
  const std::string* text_of(const std::string& path, std::string* storage);
  const Document& document(const nlohmann::json& params) const;
  // The train sources of a line source: those open and those on disk.
  std::vector<std::string> trains_of(const std::string& line_path);
  void check(const std::string& line_path, const std::string& train_path, bool publish_line,
             bool publish_train);

  FileSystem& files_;
  Send send_;
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;
  std::map<std::string, Document> documents_;  // by path
  std::map<std::string, Findings> findings_;   // by path
  std::set<std::string> pending_;              // paths edited since the last check
};

// Serves one client: reads messages from `in`, answers on `out` until exit or
// the end of `in`; returns the exit status. With `threaded`, a thread reads
// the messages while the server works, so that edits that arrive during a
// check are taken together and only the newest text is checked; without, the
// messages are handled one at a time (for the fuzzer). After `exit` the
// threaded server leaves its reader thread blocked on `in`, which must
// outlive it (the process's standard input); at the end of `in` it joins it.
int serve_lsp(std::istream& in, std::ostream& out, FileSystem& files, bool threaded = true);

}  // namespace sb
