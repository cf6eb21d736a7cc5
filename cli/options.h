// The morfel command line: one command word followed by its options.
#ifndef MORFEL_CLI_OPTIONS_H
#define MORFEL_CLI_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_list.h"
#include "files/files.h"

enum class Command {
  kNone,
#define MORFEL_COMMAND_ENUM(command, ...) command,
  MORFEL_COMMANDS(MORFEL_COMMAND_ENUM)
#undef MORFEL_COMMAND_ENUM
};

// The command's word ("apply"), "" for kNone.
const char* CommandWord(Command command);
// The command a word names, kNone for none.
Command CommandNamed(const std::string& word);

struct Options {
  Command command = Command::kNone;
  // `help COMMAND`, `COMMAND --help`: the command to describe (kNone: all).
  bool help = false;
  Command helpCommand = Command::kNone;
  bool version = false;
  // Generated files of `help`: the man page or the bash completion script.
  bool manPage = false;
  bool completion = false;

  std::string baseFolder;  // empty: the default
  std::string pluginPath;  // empty: beside the program
  // A library program, by group and name...
  std::string group;
  std::string name;
  bool haveProgramName = false;
  // ...or an ad-hoc one.
  std::string initText;
  std::string transformText;
  bool haveInit = false;
  bool haveTransform = false;
  std::string programFile;
  std::vector<std::string> params;
  int interpolation = 0;  // an Interpolation: 0 round, 1 linear, 2 bezier
  bool quiet = false;
  bool timings = false;       // report where the time of apply went
  double timeoutSeconds = 0;  // --timeout: 0 for none
  int threads = 0;            // threads a pass may use; 0: the plug-in's default
  bool explain = false;       // check: say how the engine will run the program
  // trace --at COLUMN,ROW: the pixel to trace, from the top-left.
  bool haveAt = false;
  int atColumn = 0;
  int atRow = 0;
  // The engine the plug-in runs the Transform program with ("interpreter",
  // "compiled"; empty: its default), handed on as MORFEL_ENGINE.
  std::string engine;
  bool yes = false;
  bool asFile = false;  // show: as a program file

  // Image files.
  std::string outputFolder;  // -o DIR: every positional word is an input
  ImageFormat format = ImageFormat::kUnknown;
  ReadSettings read = {kDefaultMaxPixels, "--max-pixels"};
  WriteSettings write;

  std::vector<std::string> positional;
};

// The commands an option applies to, as bits of (1 << Command).
constexpr unsigned CommandBit(Command command) { return 1u << static_cast<unsigned>(command); }

// One option of the command line, for the parser and the usage texts.
struct OptionInfo {
  const char* name;      // long name without "--"
  char shortName;        // 0 for none
  const char* argument;  // its value's placeholder, null for a flag
  unsigned commands;     // CommandBit of every command that takes it
  const char* text;      // one line of help
};
const std::vector<OptionInfo>& OptionTable();

// Parses argv. False on a usage error, with a one-line message.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);

#endif
