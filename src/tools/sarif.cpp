#include "tools/sarif.h"

#include <cstddef>
#include <map>
#include <nlohmann/json.hpp>

#include "compiler/error_codes.h"
#include "compiler/warnings.h"
#include "tools/text_encoding.h"

namespace sb {

namespace {

// Insertion order, so that "$schema" and "version" come first as readers of
// SARIF expect, and the bytes depend on nothing but the input.
using Json = nlohmann::ordered_json;

constexpr char kSchema[] =
    "https://docs.oasis-open.org/sarif/sarif/v2.1.0/os/schemas/sarif-schema-2.1.0.json";

std::string code_rule_id(Long code) {
  return "E" + std::to_string(code);
}

bool unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

void append_percent_encoded(std::string& uri, std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (unreserved(c) || c == '/') {
      uri.push_back(ch);
    } else {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 0x0F]);
    }
  }
}

bool drive_letter(std::string_view path) {
  return path.size() >= 3 &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
         path[1] == ':' && path[2] == '/';
}

// The rules: every error code but 0, then every warning, each in its table's
// order.
struct Rules {
  Json descriptors = Json::array();
  std::map<Long, std::size_t> code_index;
  std::size_t first_warning = 0;
};

Rules make_rules() {
  Rules rules;
  for (const ErrorCodeInfo& info : error_code_table()) {
    if (info.code == kNoError) continue;
    const std::string message = error_message(info.code);
    rules.code_index[info.code] = rules.descriptors.size();
    rules.descriptors.push_back(
        {{"id", code_rule_id(info.code)},
         {"shortDescription", {{"text", message}}},
         {"fullDescription",
          {{"text", "Error " + std::to_string(info.code) + ": " + message +
                        (info.fatal ? ". Fatal: nothing is written." : ".")}}},
         {"defaultConfiguration", {{"level", "error"}}}});
  }
  rules.first_warning = rules.descriptors.size();
  for (const WarningInfo& info : warning_table()) {
    const std::string name(info.name);
    const std::string summary(info.summary);
    rules.descriptors.push_back({{"id", name},
                                 {"shortDescription", {{"text", summary}}},
                                 {"fullDescription",
                                  {{"text", "Warning " + name + ": " + summary +
                                                ". For example: " + std::string(info.example)}}},
                                 {"defaultConfiguration", {{"level", "warning"}}}});
  }
  return rules;
}

Json result_of(const Diagnostic& d, const Rules& rules) {
  Json result = Json::object();
  if (d.warning) {
    result["ruleId"] = std::string(warning_info(*d.warning).name);
    result["ruleIndex"] = rules.first_warning + static_cast<std::size_t>(*d.warning);
  } else if (d.is_error) {
    result["ruleId"] = code_rule_id(d.code);
    if (const auto it = rules.code_index.find(d.code); it != rules.code_index.end())
      result["ruleIndex"] = it->second;
  }
  result["level"] = d.is_error ? "error" : "warning";
  result["message"] = {{"text", utf8_from_cp1252(d.message)}};
  if (!d.file.empty()) {
    Json physical = {{"artifactLocation", {{"uri", artifact_uri(d.file)}}}};
    if (d.line > 0) {
      Json region = {{"startLine", d.line}};
      if (d.column > 0) region["startColumn"] = d.column;
      physical["region"] = std::move(region);
    }
    Json location = Json::object();
    location["physicalLocation"] = std::move(physical);
    result["locations"] = Json::array();
    result["locations"].push_back(std::move(location));
  }
  if (d.position) result["properties"] = {{"position", *d.position}};
  return result;
}

}  // namespace

std::string artifact_uri(std::string_view path) {
  std::string slashed(path);
  for (char& c : slashed)
    if (c == '\\') c = '/';
  std::string uri;
  if (drive_letter(slashed)) {
    uri = "file:///";
    uri += slashed.substr(0, 2);
    append_percent_encoded(uri, std::string_view(slashed).substr(2));
  } else if (!slashed.empty() && slashed.front() == '/') {
    uri = "file://";
    append_percent_encoded(uri, slashed);
  } else {
    append_percent_encoded(uri, slashed);
  }
  return uri;
}

std::string diagnostics_sarif(const std::vector<Diagnostic>& diagnostics,
                              std::string_view tool_version) {
  Rules rules = make_rules();
  Json results = Json::array();
  for (const Diagnostic& d : diagnostics) results.push_back(result_of(d, rules));

  Json run = {
      {"tool",
       {{"driver",
         {{"name", "scenario-builder"},
          {"version", std::string(tool_version)},
          {"rules", std::move(rules.descriptors)}}}}},
      // The sources are Windows-1252, one byte a character: a column counted
      // in bytes is also one counted in UTF-16 code units.
      {"defaultEncoding", "windows-1252"},
      {"columnKind", "utf16CodeUnits"},
      {"results", std::move(results)},
  };
  Json log = {{"$schema", kSchema}, {"version", "2.1.0"}, {"runs", Json::array()}};
  log["runs"].push_back(std::move(run));
  // Table texts are UTF-8 already; a stray byte becomes U+FFFD rather than
  // stopping the output.
  return log.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace sb
