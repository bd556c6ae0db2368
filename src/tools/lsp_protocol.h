// The language server's transport: JSON-RPC messages framed by a
// Content-Length header, as LSP sends them over standard input and output.
#pragma once

#include <cstddef>
#include <istream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace sb {

// The largest message body the server takes: twice the largest source the
// reader takes (a UTF-8 buffer may be longer than its Windows-1252 bytes),
// and room for the JSON around it.
inline constexpr std::size_t kMaxMessageBytes = 40 * 1024 * 1024;

// JSON-RPC and LSP error codes.
namespace rpc_error {
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestFailed = -32803;
}  // namespace rpc_error

struct IncomingMessage {
  enum class Kind {
    kMessage,   // `body` holds one message's bytes
    kBadFrame,  // a header without a valid Content-Length: skipped
    kTooLarge,  // a body over the limit: read and dropped
    kEnd,       // the stream has ended (the client has gone)
  };
  Kind kind = Kind::kEnd;
  std::string body;
};

// Reads the next framed message. Headers end at an empty line; a
// Content-Length header is required and must be a decimal number; other
// headers are passed over. A body over `limit` bytes is read and dropped,
// so that the next message is found where it starts. A stream that ends in
// the middle of a message gives kEnd.
IncomingMessage read_message(std::istream& in, std::size_t limit = kMaxMessageBytes);

// Writes one message with its header, and flushes.
void write_message(std::ostream& out, const nlohmann::json& message);

// The response to a request, and an error response.
nlohmann::json rpc_result(const nlohmann::json& id, nlohmann::json result);
nlohmann::json rpc_error_response(const nlohmann::json& id, int code, const std::string& message);
nlohmann::json rpc_notification(const std::string& method, nlohmann::json params);

}  // namespace sb
