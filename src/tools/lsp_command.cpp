// `scenario-builder lsp`: the language server on standard input and output.
#include <csignal>
#include <ios>

#include "tools/commands.h"
#include "tools/lsp_server.h"

namespace sb {

int lsp_command(std::istream& in, Environment& env) {
#ifdef SIGPIPE
  // A client that has gone makes a write fail, not the process end: the
  // server then meets the end of its input and stops.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  // The messages are read and written through the streams alone: buffered,
  // not a C call per character.
  std::ios::sync_with_stdio(false);
  return serve_lsp(in, env.out, env.files);
}

}  // namespace sb
