#include "tools/completion.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <sstream>
#include <vector>

namespace sb {

namespace {

struct OptionWords {
  std::vector<std::string> names;    // "-o", "--output"
  bool takes_value = false;          // the next word is its value
  std::vector<std::string> choices;  // the values it accepts, when they are a set
};

// The values an option accepts, from its type name as CLI11 writes it for a
// set: "TEXT:value in {json->1,text->0} OR {1,0}" gives json and text.
std::vector<std::string> choices_of(const CLI::Option& option) {
  const std::string type = option.get_type_name();
  const auto open = type.find('{');
  if (open == std::string::npos) return {};
  const auto close = type.find('}', open);
  if (close == std::string::npos) return {};
  std::vector<std::string> choices;
  std::istringstream items(type.substr(open + 1, close - open - 1));
  std::string item;
  while (std::getline(items, item, ',')) {
    const auto arrow = item.find("->");
    if (arrow != std::string::npos) item.resize(arrow);
    if (!item.empty()) choices.push_back(item);
  }
  return choices;
}

std::vector<OptionWords> options_of(const CLI::App& app) {
  std::vector<OptionWords> result;
  for (const CLI::Option* option : app.get_options()) {
    if (!option->nonpositional()) continue;
    OptionWords words;
    for (const std::string& s : option->get_snames()) words.names.push_back("-" + s);
    for (const std::string& l : option->get_lnames()) words.names.push_back("--" + l);
    words.takes_value = option->get_expected_max() > 0;
    if (words.takes_value) words.choices = choices_of(*option);
    result.push_back(std::move(words));
  }
  return result;
}

std::string joined(const std::vector<std::string>& words, const char* separator) {
  std::string s;
  for (const std::string& w : words) {
    if (!s.empty()) s += separator;
    s += w;
  }
  return s;
}

// The function name bash sees: letters, digits and underscores only.
std::string identifier(const std::string& name) {
  std::string id;
  for (char c : name) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return id;
}

// The case arms that complete after one command (the program or a
// subcommand): the value of the option before the cursor, else the options
// when the word starts with a dash, else file names.
void write_command(std::ostream& s, const CLI::App& command,
                   const std::vector<std::string>& subcommands) {
  const std::vector<OptionWords> options = options_of(command);
  std::vector<std::string> all_names;
  for (const OptionWords& o : options)
    all_names.insert(all_names.end(), o.names.begin(), o.names.end());
  // Where a word is not an option: the subcommands, or the values of a
  // positional argument that takes one of a set, or else file names.
  std::vector<std::string> words = subcommands;
  for (const CLI::Option* option : command.get_options()) {
    if (option->get_positional()) {
      const std::vector<std::string> choices = choices_of(*option);
      words.insert(words.end(), choices.begin(), choices.end());
    }
  }

  s << "      case \"$prev\" in\n";
  for (const OptionWords& o : options) {
    if (!o.takes_value) continue;
    // An option written with its value in the same word (-Wno-NAME) takes
    // the next word only when it stands alone.
    s << "        " << joined(o.names, " | ") << ")\n";
    if (o.choices.empty()) {
      s << "          COMPREPLY=($(compgen -f -- \"$cur\"))\n";
    } else {
      s << "          COMPREPLY=($(compgen -W \"" << joined(o.choices, " ") << "\" -- \"$cur\"))\n";
    }
    s << "          return\n"
      << "          ;;\n";
  }
  s << "      esac\n";
  s << "      if [[ $cur == -* ]]; then\n"
    << "        COMPREPLY=($(compgen -W \"" << joined(all_names, " ") << "\" -- \"$cur\"))\n";
  if (!words.empty()) {
    s << "      else\n"
      << "        COMPREPLY=($(compgen -W \"" << joined(words, " ") << "\" -- \"$cur\"))\n";
  } else {
    s << "      else\n"
      << "        COMPREPLY=($(compgen -f -- \"$cur\"))\n";
  }
  s << "      fi\n";
}

}  // namespace

std::string bash_completion(const CLI::App& app) {
  const std::string name = app.get_name();
  const std::string function = "_" + identifier(name);
  std::vector<std::string> subcommand_names;
  for (const CLI::App* sub : app.get_subcommands({})) subcommand_names.push_back(sub->get_name());

  std::ostringstream s;
  s << "# bash completion for " << name << ", made from its command line by `" << name
    << " completion bash`.\n"
    << function << "() {\n"
    << "  local cur=${COMP_WORDS[COMP_CWORD]} prev=\n"
    << "  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
    << "  # The subcommand: the first word after the program's name that is not\n"
    << "  # an option.\n"
    << "  local command= i\n"
    << "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
    << "    case ${COMP_WORDS[i]} in\n"
    << "      " << joined(subcommand_names, " | ") << ")\n"
    << "        command=${COMP_WORDS[i]}\n"
    << "        break\n"
    << "        ;;\n"
    << "    esac\n"
    << "  done\n"
    << "  case $command in\n";
  for (const CLI::App* sub : app.get_subcommands({})) {
    s << "    " << sub->get_name() << ")\n";
    write_command(s, *sub, {});
    s << "      ;;\n";
  }
  s << "    *)\n";
  write_command(s, app, subcommand_names);
  s << "      ;;\n"
    << "  esac\n"
    << "}\n"
    << "complete -o filenames -F " << function << " " << name << "\n";
  return s.str();
}

}  // namespace sb
