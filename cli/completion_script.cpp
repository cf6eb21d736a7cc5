// The bash completion script, made from the command and option tables so
// that it offers what the parser takes. Program names come from the library
// at the moment of completion, through `morfel list`.
#include <cctype>
#include <string>

#include "files/files.h"
#include "cli/usage.h"
#include "image/image.h"

namespace {

const Command kCommands[] = {
#define MORFEL_COMMAND_VALUE(command, ...) Command::command,
    MORFEL_COMMANDS(MORFEL_COMMAND_VALUE)
#undef MORFEL_COMMAND_VALUE
};

std::string CommandWords() {
  std::string words;
  for (Command command : kCommands)
    words += (words.empty() ? "" : " ") + std::string(CommandWord(command));
  return words;
}

std::string OptionWordsOf(Command command) {
  std::string words;
  for (const OptionInfo& option : OptionTable()) {
    if ((option.commands & CommandBit(command)) == 0) continue;
    if (option.shortName != 0) words += std::string(" -") + option.shortName;
    words += std::string(" --") + option.name;
  }
  return words.empty() ? words : words.substr(1);
}

std::string InterpolationWords() {
  std::string words;
  for (const char* name : kInterpolationNames) {
    if (!words.empty()) words += ' ';
    for (const char* c = name; *c != '\0'; ++c) words += static_cast<char>(std::tolower(*c));
  }
  return words;
}

std::string FormatWords() {
  std::string words;
  for (char c : WritableExtensions()) {
    if (c != ',') words += c;
  }
  return words;
}

// Takes the word as typed out of its quotes and backslashes, for matching
// against the names; readline quotes the name it puts back (-o filenames).
const char kUnquote[] =
    "_morfel_unquote() {\n"
    "  local word=$1 plain=\"\" i\n"
    "  case $word in\n"
    "    \\'*) plain=${word#\\'}; plain=${plain%\\'} ;;\n"
    "    \\\"*) plain=${word#\\\"}; plain=${plain%\\\"} ;;\n"
    "    *) for ((i = 0; i < ${#word}; i++)); do\n"
    "         [ \"${word:i:1}\" = \"\\\\\" ] && i=$((i + 1))\n"
    "         plain+=${word:i:1}\n"
    "       done ;;\n"
    "  esac\n"
    "  printf '%s' \"$plain\"\n"
    "}\n";

// The library's programs starting with the typed word, from the base folder
// given earlier on the line; completing never makes a base folder.
const char kPrograms[] =
    "_morfel_programs() {\n"
    "  local typed base=\"\" i name names morfel=${COMP_WORDS[0]/#\\~/$HOME} arguments=(list)\n"
    "  typed=$(_morfel_unquote \"$1\")\n"
    "  for ((i = 2; i < COMP_CWORD - 1; i++)); do\n"
    "    [ \"${COMP_WORDS[i]}\" = --base ] || continue\n"
    "    name=${COMP_WORDS[i+1]}\n"
    "    [ \"$name\" = \"=\" ] && name=${COMP_WORDS[i+2]}\n"
    "    base=$(_morfel_unquote \"$name\")\n"
    "    base=${base/#\\~/$HOME}\n"
    "  done\n"
    "  if [ -n \"$base\" ]; then\n"
    "    [ -d \"$base\" ] || return\n"
    "    arguments+=(--base \"$base\")\n"
    "  fi\n"
    "  local IFS=$'\\n'\n"
    "  names=$(\"$morfel\" \"${arguments[@]}\" 2>/dev/null)\n"
    "  for name in $names; do\n"
    "    [[ $name == \"$typed\"* ]] && COMPREPLY+=(\"$name\")\n"
    "  done\n"
    "}\n";

// Folders (-d) or files (-f), one a line, as names may hold spaces.
const char kFiles[] =
    "_morfel_files() {\n"
    "  local IFS=$'\\n'\n"
    "  COMPREPLY=($(compgen \"$1\" -- \"$2\"))\n"
    "}\n";

}  // namespace

std::string BashCompletion() {
  std::string cases;
  for (Command command : kCommands) {
    cases += "    " + std::string(CommandWord(command)) + ") options=\"" + OptionWordsOf(command) +
             "\" ;;\n";
  }
  const std::string commands = CommandWords();
  return std::string("# bash completion for morfel (made by 'morfel help --bash-completion')\n") +
         kUnquote + kPrograms + kFiles +
         "_morfel() {\n"
         "  local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]} options\n"
         "  COMPREPLY=()\n"
         "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
         "    COMPREPLY=($(compgen -W \"" +
         commands +
         " --help --version\" -- \"$current\"))\n"
         "    return\n"
         "  fi\n"
         "  case ${COMP_WORDS[1]} in\n" +
         cases +
         "    *) options=\"\" ;;\n"
         "  esac\n"
         "  case $previous in\n"
         "    --program) _morfel_programs \"$current\"; return ;;\n"
         "    --interp) COMPREPLY=($(compgen -W \"" +
         InterpolationWords() +
         "\" -- \"$current\")); return ;;\n"
         "    --format) COMPREPLY=($(compgen -W \"" +
         FormatWords() +
         "\" -- \"$current\")); return ;;\n"
         "    --engine) COMPREPLY=($(compgen -W \"interpreter compiled\" -- \"$current\")); "
         "return ;;\n"
         "    --at) return ;;\n"
         "  esac\n"
         "  if [[ $current == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$current\"))\n"
         "    return\n"
         "  fi\n"
         "  case $previous in\n"
         "    --base|-o|--output-dir) _morfel_files -d \"$current\"; return ;;\n"
         "  esac\n"
         "  case ${COMP_WORDS[1]} in\n"
         "    show|remove) _morfel_programs \"$current\" ;;\n"
         "    help) COMPREPLY=($(compgen -W \"" +
         commands +
         "\" -- \"$current\")) ;;\n"
         "    *) _morfel_files -f \"$current\" ;;\n"
         "  esac\n"
         "}\n"
         "complete -o filenames -F _morfel morfel\n";
}
