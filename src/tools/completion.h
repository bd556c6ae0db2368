// Shell completion made from the command line's own definition, so that it
// names every subcommand and option there is and none that is not.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace sb {

// A bash completion script for `app` and its subcommands: the subcommands
// after the program's name; after a subcommand its options, the values of
// an option that takes one of a set, and file names elsewhere.
std::string bash_completion(const CLI::App& app);

}  // namespace sb
