#include "host/usage.h"

#include <sstream>
#include <vector>

namespace {

struct CommandInfo {
  Command command;
  const char* operands;  // after the command word and its options
  const char* summary;   // one line
  const char* details;   // paragraphs separated by blank lines, or ""
};

const CommandInfo kCommandInfo[] = {
    {Command::kApply, "PROGRAM INPUT OUTPUT  |  PROGRAM -o DIR INPUT...",
     "apply a program to image files",
     "PROGRAM is --program GROUP/NAME (or --group and --name), --init and/or --transform (or "
     "their -file forms), or --file PROGRAM.txt. The program runs in morfel itself, exactly as "
     "the plug-in's dialog runs it after OK, and the settings of a library program are saved "
     "as OK saves them. With --plugin FILE, morfel loads that plug-in as an image editor does "
     "and works its dialog as a user would: it chooses the program, types the parameter "
     "values and presses OK.\n\n"
     "Images: PNG, JPEG, WebP, TIFF, BMP, TGA and GIF are read, and all but GIF written, by "
     "the output's name or --format. \"-\" reads standard input or writes standard output. "
     "With -o DIR each input becomes DIR/<its name>, one line per file; the exit status is 1 "
     "when any failed, the others are still written.\n\n"
     "Exit status: 0 success, 1 a program, parameter, library or image error, 2 a usage "
     "error, 130 or 143 when interrupted."},
    {Command::kList, "", "list the programs of the library as GROUP/NAME", ""},
    {Command::kShow, "GROUP/NAME", "show a program's texts and parameters", ""},
    {Command::kCheck, "(--init TEXT | --transform TEXT | --file FILE)...  |  --program GROUP/NAME",
     "compile a program: \"ok\", or the editor's message with its line", ""},
    {Command::kTrace, "--at COLUMN,ROW PROGRAM INPUT",
     "show what a program does to one pixel, statement by statement",
     "Runs Init and then the Transform program for the pixel at COLUMN,ROW of INPUT (0,0 is "
     "the top-left pixel, as image viewers count) and prints each statement executed with "
     "the values it set, each test of an if or a while with its outcome, and what the pixel "
     "becomes: the colour written, or the position the source is read at and the colour "
     "read. PROGRAM is as for apply; --param and --interp too. The pixels before it are not "
     "run, so a program that carries values from pixel to pixel shows them as Init left "
     "them."},
    {Command::kImport, "", "merge the program files (*.txt) of the data folder into the library",
     "It asks first; with no terminal on standard input it needs --yes, and refuses without."},
    {Command::kAdd, "FILE...", "merge program files from anywhere into the library",
     "Each FILE is read where it is, not copied into the data folder, and merged as import "
     "merges: a program of the same group and name gets the file's texts, any other is "
     "added."},
    {Command::kRemove, "GROUP/NAME", "remove a program from the library",
     "It asks nothing, as the program is named exactly; 'morfel show --as-file GROUP/NAME > "
     "FILE' first keeps a copy that 'morfel add FILE' brings back."},
    {Command::kFunctions, "", "list the built-in functions and variables of the language", ""},
    {Command::kTitle, "", "print the plug-in's title", ""},
    {Command::kHelp, "[COMMAND]", "describe morfel or one command", ""},
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
