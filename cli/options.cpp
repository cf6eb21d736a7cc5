#include "cli/options.h"

#include <getopt.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "files/files.h"
#include "image/image.h"
#include "session/session.h"

namespace {

constexpr unsigned kApply = CommandBit(Command::kApply);
constexpr unsigned kShow = CommandBit(Command::kShow);
constexpr unsigned kCheck = CommandBit(Command::kCheck);
constexpr unsigned kTrace = CommandBit(Command::kTrace);
// The options that name a program.
constexpr unsigned kRunsProgram = kApply | kCheck | kTrace;
constexpr unsigned kImport = CommandBit(Command::kImport);
constexpr unsigned kAdd = CommandBit(Command::kAdd);
constexpr unsigned kRemove = CommandBit(Command::kRemove);
constexpr unsigned kTitle = CommandBit(Command::kTitle);
constexpr unsigned kHelpBit = CommandBit(Command::kHelp);
constexpr unsigned kEvery = ~0u;
// The most threads the plug-in takes from MORFEL_THREADS.
constexpr int64_t kMostThreads = 64;

// The options in the order the usage texts list them; the parser takes its
// table from the same list, so the two cannot disagree.
#define MORFEL_OPTIONS(X)                                                                        \
  X(kOptProgram, "program", 0, "GROUP/NAME", kRunsProgram, "a program of the library")           \
  X(kOptGroup, "group", 0, "GROUP", kRunsProgram, "a library program's group (--name too)")      \
  X(kOptName, "name", 0, "NAME", kRunsProgram, "a library program's name (--group too)")         \
  X(kOptInit, "init", 0, "TEXT", kRunsProgram, "an Init text")                                   \
  X(kOptInitFile, "init-file", 0, "FILE", kRunsProgram, "the Init text from a file")             \
  X(kOptTransform, "transform", 0, "TEXT", kRunsProgram, "a Transform text")                     \
  X(kOptTransformFile, "transform-file", 0, "FILE", kRunsProgram,                                \
    "the Transform text from a file")                                                            \
  X(kOptFile, "file", 0, "PROGRAM.txt", kRunsProgram, "a program file (as import reads)")        \
  X(kOptParam, "param", 0, "[NAME=]VALUE", kApply | kTrace,                                      \
    "a parameter by its variable name, or else the next parameter row")                          \
  X(kOptInterp, "interp", 0, "round|linear|bezier", kApply | kTrace,                             \
    "how source colours are sampled (default round)")                                            \
  X(kOptOutputDir, "output-dir", 'o', "DIR", kApply,                                             \
    "write DIR/<each input's name>; every other word is an input")                               \
  X(kOptFormat, "format", 0, "FORMAT", kApply,                                                   \
    "the output format: png, jpg, webp, tif, bmp, tga (default: by the output's name)")          \
  X(kOptQuality, "quality", 0, "1-100", kApply, "JPEG and lossy WebP quality (default 92)")      \
  X(kOptCompression, "compression", 0, "0-9", kApply,                                            \
    "PNG and TIFF: 0 stores, 1 is fastest (default), 9 smallest")                                \
  X(kOptLossless, "lossless", 0, nullptr, kApply, "WebP: lossless instead of lossy")             \
  X(kOptMaxPixels, "max-pixels", 0, "N", kApply,                                                 \
    "refuse an input of more pixels (default 268435456, 16384 x 16384)")                         \
  X(kOptTimeout, "timeout", 0, "SECONDS", kApply,                                                \
    "give up after SECONDS: exit 1, nothing written")                                            \
  X(kOptQuiet, "quiet", 'q', nullptr, kApply, "no progress bar, warnings, notes or \"wrote\"")   \
  X(kOptTimings, "timings", 0, nullptr, kApply, "say where the time went")                       \
  X(kOptThreads, "threads", 0, "N", kApply,                                                      \
    "threads a pass may use (default: MORFEL_THREADS, else all; 1 runs every pass on one)")      \
  X(kOptAt, "at", 0, "COLUMN,ROW", kTrace, "the pixel to trace, counted from the top-left")      \
  X(kOptExplain, "explain", 0, nullptr, kCheck, "say how the engine will run the program")       \
  X(kOptEngine, "engine", 0, "interpreter|compiled", kApply,                                     \
    "what runs the Transform program: the interpreter, or machine code (default)")               \
  X(kOptAsFile, "as-file", 0, nullptr, kShow, "print the program as a program file")             \
  X(kOptYes, "yes", 0, nullptr, kImport, "answer the question with yes")                         \
  X(kOptBase, "base", 0, "DIR",                                                                  \
    kRunsProgram | CommandBit(Command::kList) | kShow | kImport | kAdd | kRemove,                \
    "the base folder (default $XDG_DATA_HOME/morfel/, else ~/.local/share/morfel/)")             \
  X(kOptPlugin, "plugin", 0, "PATH", kApply | kCheck | kImport | kTitle,                         \
    "go through this plug-in library as an image editor does (default: apply and check run "     \
    "in morfel itself; import and title load the one beside morfel)")                            \
  X(kOptMan, "man", 0, nullptr, kHelpBit, "print the manual page (roff)")                        \
  X(kOptCompletion, "bash-completion", 0, nullptr, kHelpBit, "print the bash completion script") \
  X(kOptHelp, "help", 'h', nullptr, kEvery, "describe the command")                              \
  X(kOptVersion, "version", 0, nullptr, kEvery, "print the version")

enum OptionCode {
  kOptFirst = 1000,
#define MORFEL_OPTION_CODE(code, name, letter, argument, commands, text) code,
  MORFEL_OPTIONS(MORFEL_OPTION_CODE)
#undef MORFEL_OPTION_CODE
};

const char* const kCommandWords[] = {"",
#define MORFEL_COMMAND_WORD(command, word, ...) word,
                                     MORFEL_COMMANDS(MORFEL_COMMAND_WORD)
#undef MORFEL_COMMAND_WORD
};

bool SplitProgramName(const std::string& text, Options* options, std::string* error) {
  size_t slash = text.find('/');
  if (slash == std::string::npos) {
    *error = "a program is named GROUP/NAME: " + text;
    return false;
  }
  options->group = text.substr(0, slash);
  options->name = text.substr(slash + 1);
  options->haveProgramName = true;
  return true;
}

bool ReadProgramText(const char* path, std::string* text, std::string* error) {
  std::string content;
  if (!ReadTextFile(path, &content, error)) return false;
  *text = WithCrLf(content);
  return true;
}

// The interpolation's name as the option spells it: in lower case.
bool NamesInterpolation(const char* text, const char* name) {
  for (; *name != '\0'; ++text, ++name) {
    if (*text != std::tolower(static_cast<unsigned char>(*name))) return false;
  }
  return *text == '\0';
}

bool ParseInterpolation(const char* text, int* mode, std::string* error) {
  for (int i = 0; i < kInterpolationCount; ++i) {
    if (NamesInterpolation(text, kInterpolationNames[i])) {
      *mode = i;
      return true;
    }
  }
  *error = std::string("--interp takes round, linear or bezier, not ") + text;
  return false;
}

// A time in seconds, more than none and at most a million.
bool ParseSeconds(const char* text, double* seconds, std::string* error) {
  char* end = nullptr;
  errno = 0;
  const double number = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno != 0 || !(number > 0) || number > 1e6) {
    *error = std::string("--timeout takes a number of seconds above 0, not ") + text;
    return false;
  }
  *seconds = number;
  return true;
}

// A whole number from minimum to maximum.
bool ParseNumber(const char* option, const char* text, int64_t minimum, int64_t maximum,
                 int64_t* value, std::string* error) {
  char* end = nullptr;
  errno = 0;
  long long number = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || number < minimum || number > maximum) {
    *error = std::string("--") + option + " takes a whole number from " + std::to_string(minimum) +
             " to " + std::to_string(maximum) + ", not " + text;
    return false;
  }
  *value = number;
  return true;
}

// "COLUMN,ROW": two whole numbers from 0.
bool ParsePixel(const char* text, Options* options, std::string* error) {
  const std::string pixel = text;
  const size_t comma = pixel.find(',');
  int64_t column = 0;
  int64_t row = 0;
  std::string ignored;
  if (comma == std::string::npos ||
      !ParseNumber("at", pixel.substr(0, comma).c_str(), 0, INT32_MAX, &column, &ignored) ||
      !ParseNumber("at", pixel.substr(comma + 1).c_str(), 0, INT32_MAX, &row, &ignored)) {
    *error =
        "--at takes COLUMN,ROW, two whole numbers from 0 (0,0 is the top-left pixel), not " + pixel;
    return false;
  }
  options->atColumn = static_cast<int>(column);
  options->atRow = static_cast<int>(row);
  options->haveAt = true;
  return true;
}

bool ParseFormat(const char* text, ImageFormat* format, std::string* error) {
  *format = FormatByName(text);
  std::string reason;
  if (CanWrite(*format, &reason)) return true;
  *error = *format == ImageFormat::kUnknown
               ? std::string("--format takes ") + WritableExtensions() + ", not " + text
               : reason;
  return false;
}

// Takes one option; 0 with a message on a bad one.
bool TakeOption(int code, const char* argument, Options* options, std::string* error) {
  int64_t number = 0;
  switch (code) {
    case kOptBase:
      options->baseFolder = argument;
      return true;
    case kOptPlugin:
      options->pluginPath = argument;
      return true;
    case kOptProgram:
      return SplitProgramName(argument, options, error);
    case kOptGroup:
      options->group = argument;
      options->haveProgramName = true;
      return true;
    case kOptName:
      options->name = argument;
      options->haveProgramName = true;
      return true;
    case kOptInit:
      options->initText = WithCrLf(argument);
      options->haveInit = true;
      return true;
    case kOptTransform:
      options->transformText = WithCrLf(argument);
      options->haveTransform = true;
      return true;
    case kOptInitFile:
      options->haveInit = true;
      return ReadProgramText(argument, &options->initText, error);
    case kOptTransformFile:
      options->haveTransform = true;
      return ReadProgramText(argument, &options->transformText, error);
    case kOptFile:
      options->programFile = argument;
      return true;
    case kOptParam:
      options->params.push_back(argument);
      return true;
    case kOptInterp:
      return ParseInterpolation(argument, &options->interpolation, error);
    case kOptOutputDir:
      options->outputFolder = argument;
      return true;
    case kOptFormat:
      return ParseFormat(argument, &options->format, error);
    case kOptQuality:
      if (!ParseNumber("quality", argument, 1, 100, &number, error)) return false;
      options->write.quality = static_cast<int>(number);
      return true;
    case kOptCompression:
      if (!ParseNumber("compression", argument, 0, 9, &number, error)) return false;
      options->write.compression = static_cast<int>(number);
      return true;
    case kOptLossless:
      options->write.lossless = true;
      return true;
    case kOptMaxPixels:
      if (!ParseNumber("max-pixels", argument, 1, INT64_MAX / 4, &number, error)) return false;
      options->read.maxPixels = number;
      return true;
    case kOptTimeout:
      return ParseSeconds(argument, &options->timeoutSeconds, error);
    case kOptQuiet:
      options->quiet = true;
      return true;
    case kOptTimings:
      options->timings = true;
      return true;
    case kOptThreads:
      if (!ParseNumber("threads", argument, 1, kMostThreads, &number, error)) return false;
      options->threads = static_cast<int>(number);
      return true;
    case kOptEngine:
      if (std::string(argument) != "interpreter" && std::string(argument) != "compiled") {
        *error = "--engine takes interpreter or compiled";
        return false;
      }
      options->engine = argument;
      return true;
    case kOptExplain:
      options->explain = true;
      return true;
    case kOptAt:
      return ParsePixel(argument, options, error);
    case kOptYes:
      options->yes = true;
      return true;
    case kOptAsFile:
      options->asFile = true;
      return true;
    case kOptHelp:
      options->help = true;
      return true;
    case kOptVersion:
      options->version = true;
      return true;
    case kOptMan:
      options->manPage = true;
      return true;
    case kOptCompletion:
      options->completion = true;
      return true;
    default:
      *error = "unknown option";
      return false;
  }
}

std::string CommandSuggestion(const std::string& word) {
  std::vector<std::string> words(std::begin(kCommandWords) + 1, std::end(kCommandWords));
  return DidYouMean(word, words);
}

// Why getopt refused a word: a missing value, or an option the command does
// not have, with the nearest ones it has.
std::string OptionError(int code, const char* word, Command command) {
  std::string shown = word != nullptr ? word : "";
  std::string name = shown.substr(0, shown.find('='));
  if (code == ':') {
    for (const OptionInfo& info : OptionTable()) {
      if (info.argument == nullptr) continue;
      if (name == std::string("--") + info.name || (name.size() == 2 && name[1] == info.shortName))
        return shown + " needs a value: " + info.argument;
    }
    return shown + " needs a value";
  }
  if (name.rfind("--", 0) != 0) return "unknown option '" + shown + "'";
  std::vector<std::string> names;
  for (const OptionInfo& info : OptionTable()) {
    if ((info.commands & CommandBit(command)) != 0) names.push_back(std::string("--") + info.name);
  }
  return "unknown option '" + name + "'" + DidYouMean(name, names);
}

bool CheckApply(Options* options, std::string* error) {
  bool adHoc = options->haveInit || options->haveTransform || !options->programFile.empty();
  if (options->haveProgramName == adHoc) {
    *error =
        "apply needs one program: --program GROUP/NAME, --group and --name, --init/--transform, "
        "or --file";
    return false;
  }
  if (!options->programFile.empty() && (options->haveInit || options->haveTransform)) {
    *error = "--file cannot be combined with --init or --transform";
    return false;
  }
  if (options->haveProgramName && (options->group.empty() || options->name.empty())) {
    *error = "a library program needs both a group and a name";
    return false;
  }
  const std::vector<std::string>& words = options->positional;
  if (!options->outputFolder.empty()) {
    if (words.empty()) {
      *error = "apply -o DIR needs at least one INPUT";
      return false;
    }
    for (const std::string& word : words) {
      if (word == "-") {
        *error = "apply -o DIR reads files, not standard input";
        return false;
      }
    }
    return true;
  }
  if (words.size() != 2) {
    *error = "apply needs an INPUT and an OUTPUT image (or -o DIR and the inputs)";
    return false;
  }
  if (words[1] == "-" && options->format == ImageFormat::kUnknown) {
    *error = "apply writing to standard output needs --format";
    return false;
  }
  return true;
}

bool CheckTrace(Options* options, std::string* error) {
  bool adHoc = options->haveInit || options->haveTransform || !options->programFile.empty();
  if (adHoc == options->haveProgramName ||
      (!options->programFile.empty() && (options->haveInit || options->haveTransform))) {
    *error = "trace needs one program: --program GROUP/NAME, --init/--transform, or --file";
    return false;
  }
  if (options->haveProgramName && (options->group.empty() || options->name.empty())) {
    *error = "a library program needs both a group and a name";
    return false;
  }
  if (!options->haveAt) {
    *error = "trace needs --at COLUMN,ROW, the pixel to trace";
    return false;
  }
  if (options->positional.size() != 1) {
    *error = "trace needs one INPUT image";
    return false;
  }
  return true;
}

// Checks that the options fit the command.
bool CheckCombination(Options* options, std::string* error) {
  bool adHoc = options->haveInit || options->haveTransform || !options->programFile.empty();
  size_t positional = options->positional.size();
  switch (options->command) {
    case Command::kApply:
      return CheckApply(options, error);
    case Command::kShow:
      if (positional != 1) {
        *error = "show needs one GROUP/NAME";
        return false;
      }
      return SplitProgramName(options->positional[0], options, error);
    case Command::kCheck:
      if (adHoc == options->haveProgramName ||
          (!options->programFile.empty() && (options->haveInit || options->haveTransform))) {
        *error = "check needs --init and/or --transform, --file, or --program GROUP/NAME";
        return false;
      }
      if (options->haveProgramName && (options->group.empty() || options->name.empty())) {
        *error = "a library program needs both a group and a name";
        return false;
      }
      break;
    case Command::kTrace:
      return CheckTrace(options, error);
    case Command::kAdd:
      if (positional == 0) {
        *error = "add needs at least one program FILE";
        return false;
      }
      return true;
    case Command::kRemove:
      if (positional != 1) {
        *error = "remove needs one GROUP/NAME";
        return false;
      }
      return SplitProgramName(options->positional[0], options, error);
    case Command::kHelp:
      if (positional > 1) break;
      if (positional == 1) {
        options->helpCommand = CommandNamed(options->positional[0]);
        if (options->helpCommand == Command::kNone) {
          *error =
              "no command " + options->positional[0] + CommandSuggestion(options->positional[0]);
          return false;
        }
      }
      return true;
    default:
      break;
  }
  if (positional != 0) {
    *error = "unexpected argument: " + options->positional[0];
    return false;
  }
  return true;
}

std::vector<option> GetoptTable() {
  std::vector<option> table;
  for (size_t i = 0; i < OptionTable().size(); ++i) {
    const OptionInfo& info = OptionTable()[i];
    int code = kOptFirst + 1 + static_cast<int>(i);
    table.push_back(
        {info.name, info.argument != nullptr ? required_argument : no_argument, nullptr, code});
  }
  table.push_back({nullptr, 0, nullptr, 0});
  return table;
}

// The table row of a getopt result: a long option's code or a short letter.
const OptionInfo* OptionOfCode(int code) {
  const std::vector<OptionInfo>& table = OptionTable();
  if (code > kOptFirst && code <= kOptFirst + static_cast<int>(table.size())) {
    return &table[code - kOptFirst - 1];
  }
  for (const OptionInfo& info : table) {
    if (info.shortName != 0 && info.shortName == code) return &info;
  }
  return nullptr;
}

int CodeOf(const OptionInfo* info) {
  return kOptFirst + 1 + static_cast<int>(info - OptionTable().data());
}

}  // namespace

const std::vector<OptionInfo>& OptionTable() {
  static const std::vector<OptionInfo> table = {
#define MORFEL_OPTION_ROW(code, name, letter, argument, commands, text) \
  {name, letter, argument, commands, text},
      MORFEL_OPTIONS(MORFEL_OPTION_ROW)
#undef MORFEL_OPTION_ROW
  };
  return table;
}

const char* CommandWord(Command command) { return kCommandWords[static_cast<int>(command)]; }

Command CommandNamed(const std::string& word) {
  for (size_t i = 1; i < sizeof kCommandWords / sizeof kCommandWords[0]; ++i) {
    if (word == kCommandWords[i]) return static_cast<Command>(i);
  }
  return Command::kNone;
}

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  if (argc < 2) {
    *error = "no command given";
    return false;
  }
  std::string first = argv[1];
  options->command = CommandNamed(first);
  if (first == "--help" || first == "-h") options->command = Command::kHelp;
  if (first == "--version") {
    options->version = true;
    return true;
  }
  if (options->command == Command::kNone) {
    *error = "unknown command '" + first + "'" + CommandSuggestion(first);
    return false;
  }
  std::vector<option> table = GetoptTable();
  // A leading ':' tells a missing value from an unknown option.
  std::string shortOptions = ":";
  for (const OptionInfo& info : OptionTable()) {
    if (info.shortName == 0) continue;
    shortOptions += info.shortName;
    if (info.argument != nullptr) shortOptions += ':';
  }
  // 0, not 1: getopt then forgets everything of an earlier parse (glibc's
  // and mingw's alike), such as a word it stopped in the middle of.
  optind = 0;
  opterr = 0;
  int code;
  while ((code = getopt_long(argc - 1, argv + 1, shortOptions.c_str(), table.data(), nullptr)) !=
         -1) {
    const OptionInfo* info = OptionOfCode(code);
    if (code == '?' || code == ':' || info == nullptr) {
      // getopt has already stepped past the word it could not take.
      const char* word = argv[optind];
      *error = OptionError(code, word, options->command);
      return false;
    }
    if ((info->commands & CommandBit(options->command)) == 0) {
      *error = std::string("--") + info->name + " does not apply to " + first;
      return false;
    }
    if (!TakeOption(CodeOf(info), optarg, options, error)) return false;
  }
  for (int i = optind + 1; i < argc; ++i) options->positional.push_back(argv[i]);
  if (options->help && options->command != Command::kHelp) {
    options->helpCommand = options->command;
    options->command = Command::kHelp;
    return true;
  }
  if (options->version) return true;
  return CheckCombination(options, error);
}
