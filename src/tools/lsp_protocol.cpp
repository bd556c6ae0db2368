#include "tools/lsp_protocol.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace sb {

namespace {

// One header line without its CR LF (a lone LF is taken too); false at the
// end of the stream. A line longer than a header needs is cut short, the
// rest read and dropped.
bool read_header_line(std::istream& in, std::string* line) {
  constexpr std::size_t kMaxHeaderLine = 1024;
  line->clear();
  int c = 0;
  while ((c = in.get()) != std::char_traits<char>::eof()) {
    if (c == '\n') {
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
    if (line->size() < kMaxHeaderLine) line->push_back(static_cast<char>(c));
  }
  return false;
}

bool iequals_prefix(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char a = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
    if (a != prefix[i]) return false;
  }
  return true;
}

}  // namespace

IncomingMessage read_message(std::istream& in, std::size_t limit) {
  IncomingMessage m;
  std::string line;
  bool any_header = false;
  bool length_valid = false;
  bool length_seen = false;
  std::size_t length = 0;
  while (true) {
    if (!read_header_line(in, &line)) {
      m.kind = IncomingMessage::Kind::kEnd;
      return m;
    }
    if (line.empty()) {
      if (!any_header) continue;  // blank lines between messages
      break;
    }
    any_header = true;
    constexpr std::string_view kLength = "content-length:";
    if (iequals_prefix(line, kLength)) {
      std::string_view value = std::string_view(line).substr(kLength.size());
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
      }
      while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
      std::size_t n = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
      length_valid =
          !length_seen && ec == std::errc() && end == value.data() + value.size() && !value.empty();
      length_seen = true;
      length = n;
    }
  }
  if (!length_valid) {
    m.kind = IncomingMessage::Kind::kBadFrame;
    return m;
  }
  if (length > limit) {
    // Read the body and drop it, a piece at a time.
    char buffer[1 << 14];
    std::size_t left = length;
    while (left > 0) {
      const std::size_t piece = std::min(left, sizeof buffer);
      in.read(buffer, static_cast<std::streamsize>(piece));
      if (static_cast<std::size_t>(in.gcount()) != piece) {
        m.kind = IncomingMessage::Kind::kEnd;
        return m;
      }
      left -= piece;
    }
    m.kind = IncomingMessage::Kind::kTooLarge;
    return m;
  }
  m.body.resize(length);
  in.read(m.body.data(), static_cast<std::streamsize>(length));
  if (static_cast<std::size_t>(in.gcount()) != length) {
    m.kind = IncomingMessage::Kind::kEnd;
    m.body.clear();
    return m;
  }
  m.kind = IncomingMessage::Kind::kMessage;
  return m;
}

void write_message(std::ostream& out, const nlohmann::json& message) {
  // Texts from the sources are made UTF-8 before they get here; anything
  // else that is not is replaced rather than thrown at.
  const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
  out.flush();
}

nlohmann::json rpc_result(const nlohmann::json& id, nlohmann::json result) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

nlohmann::json rpc_error_response(const nlohmann::json& id, int code, const std::string& message) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

nlohmann::json rpc_notification(const std::string& method, nlohmann::json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

}  // namespace sb
