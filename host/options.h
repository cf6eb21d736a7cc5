// The morfel command line: one command word followed by its options.
#ifndef MORFEL_HOST_OPTIONS_H
#define MORFEL_HOST_OPTIONS_H

#include <string>
#include <vector>

enum class Command { kNone, kApply, kList, kShow, kCheck, kImport, kTitle, kHelp };

struct Options {
  Command command = Command::kNone;
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
  int interpolation = 0;  // 0 round, 1 linear, 2 bezier
  bool quiet = false;
  bool timings = false;  // report where the time of apply went
  bool yes = false;
  std::vector<std::string> positional;
};

enum ParseResult { kParsedOk = 0, kParseError = 2 };

// Parses argv. On a usage error returns kParseError with a message.
int ParseOptions(int argc, char** argv, Options* options, std::string* error);

// The usage text, printed for --help and after a usage error.
const char* UsageText();

#endif
