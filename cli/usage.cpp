#include "cli/usage.h"

#include <sstream>
#include <vector>

#include "files/files.h"

namespace {

struct CommandInfo {
  Command command;
  const char* operands;  // after the command word and its options
  const char* summary;   // one line
  const char* details;   // paragraphs separated by blank lines, or ""
};

const CommandInfo kCommandInfo[] = {
#define MORFEL_COMMAND_INFO(command, word, run, operands, summary, details) \
  {Command::command, operands, summary, details},
    MORFEL_COMMANDS(MORFEL_COMMAND_INFO)
#undef MORFEL_COMMAND_INFO
};

const CommandInfo& InfoOf(Command command) {
  for (const CommandInfo& info : kCommandInfo) {
    if (info.command == command) return info;
  }
  return kCommandInfo[0];
}

// One paragraph broken into lines of at most 79 characters.
std::string WrappedParagraph(const std::string& text) {
  std::string out, line, word;
  std::istringstream words(text);
  while (words >> word) {
    if (!line.empty() && line.size() + 1 + word.size() > 79) {
      out += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + line;
}

// Paragraphs are separated by a blank line.
std::string Wrapped(const std::string& text) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\n\n", start);
    if (end == std::string::npos) end = text.size();
    out += (out.empty() ? "" : "\n\n") + WrappedParagraph(text.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

std::string OptionWords(const OptionInfo& option) {
  std::string words;
  if (option.shortName != 0) words = std::string("-") + option.shortName + ", ";
  words += std::string("--") + option.name;
  if (option.argument != nullptr) words += std::string(" ") + option.argument;
  return words;
}

std::vector<const OptionInfo*> OptionsOf(Command command) {
  std::vector<const OptionInfo*> options;
  for (const OptionInfo& option : OptionTable()) {
    bool everywhere = option.commands == ~0u;
    if (!everywhere && (option.commands & CommandBit(command)) != 0) options.push_back(&option);
  }
  return options;
}

std::string Synopsis(const CommandInfo& info) {
  std::string line = std::string("morfel ") + CommandWord(info.command);
  if (!OptionsOf(info.command).empty()) line += " [options]";
  if (info.operands[0] != '\0') line += std::string(" ") + info.operands;
  return line;
}

// Escapes roff's control characters at a line start and its backslash.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '\\' ? std::string("\\e") : c == '-' ? std::string("\\-") : std::string(1, c);
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string RoffParagraphs(const std::string& text) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\n\n", start);
    if (end == std::string::npos) end = text.size();
    out += ".PP\n" + Roff(text.substr(start, end - start)) + "\n";
    start = end + 2;
  }
  return out;
}

// Each line of text indented by two spaces.
std::string Indented(const std::string& text) {
  std::string out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) out += "  " + line + "\n";
  return out;
}

}  // namespace

std::string OverviewText() {
  std::string text = "usage: morfel COMMAND [options] ...\n\n";
  for (const CommandInfo& info : kCommandInfo) {
    std::string word = CommandWord(info.command);
    text += "  " + word + std::string(word.size() < 11 ? 11 - word.size() : 1, ' ') + info.summary +
            "\n";
  }
  text +=
      "\n'morfel help COMMAND' or 'morfel COMMAND --help' describes a command;\n"
      "'morfel --version' prints the version.\n"
      "The base folder defaults to $XDG_DATA_HOME/morfel/ (else ~/.local/share/morfel/).\n";
  return text;
}

std::string CommandHelpText(Command command) {
  const CommandInfo& info = InfoOf(command);
  std::string text = "usage: " + Synopsis(info) + "\n" + info.summary + "\n";
  if (info.details[0] != '\0') text += "\n" + Wrapped(info.details) + "\n";
  if (command == Command::kApply) text += "\nformats:\n" + Indented(FormatsHelp());
  std::vector<const OptionInfo*> options = OptionsOf(command);
  if (!options.empty()) text += "\noptions:\n";
  for (const OptionInfo* option : options) {
    std::string words = OptionWords(*option);
    text += "  " + words;
    text += words.size() < 34 ? std::string(34 - words.size(), ' ') : "\n" + std::string(36, ' ');
    text += std::string(option->text) + "\n";
  }
  return text;
}

std::string UsageHint(Command command) {
  if (command == Command::kNone || command == Command::kHelp) {
    return "Try 'morfel help' for the commands.";
  }
  return std::string("Try 'morfel ") + CommandWord(command) + " --help' for its usage.";
}

std::string ManPage() {
  std::string page =
      ".TH MORFEL 1 \"\" \"morfel " + std::string(kMorfelVersion) +
      "\" \"User Commands\"\n"
      ".SH NAME\nmorfel \\- apply Morfel per-pixel programs to image files\n.SH SYNOPSIS\n";
  for (const CommandInfo& info : kCommandInfo) page += ".B " + Roff(Synopsis(info)) + "\n.br\n";
  page +=
      ".SH DESCRIPTION\nmorfel applies Morfel programs to image files as the Morfel filter "
      "plug-in does, works with its program library and checks programs.\n.SH COMMANDS\n";
  for (const CommandInfo& info : kCommandInfo) {
    page += ".SS " + Roff(Synopsis(info)) + "\n" + Roff(info.summary) + ".\n";
    if (info.details[0] != '\0') page += RoffParagraphs(info.details);
    if (info.command == Command::kApply) {
      page += ".PP\nformats:\n.nf\n" + Roff(Indented(FormatsHelp())) + ".fi\n";
    }
    for (const OptionInfo* option : OptionsOf(info.command)) {
      page += ".TP\n.B " + Roff(OptionWords(*option)) + "\n" + Roff(option->text) + "\n";
    }
  }
  page +=
      ".SH FILES\n.TP\n.I $XDG_DATA_HOME/morfel/Tarvo/Morfel.ini\nthe program library "
      "(the data folder Tarvo also holds program files and BMP images)\n"
      ".SH SEE ALSO\ndocs/language.md, the reference of the script language\n";
  return page;
}
