#include "host/options.h"

#include <getopt.h>

#include <cstring>

#include "host/host_files.h"

namespace {

enum LongOnly {
  kOptBase = 1000,
  kOptPlugin,
  kOptProgram,
  kOptGroup,
  kOptName,
  kOptInit,
  kOptInitFile,
  kOptTransform,
  kOptTransformFile,
  kOptFile,
  kOptParam,
  kOptInterp,
  kOptQuiet,
  kOptTimings,
  kOptYes,
  kOptHelp,
};

const option kLongOptions[] = {
    {"base", required_argument, nullptr, kOptBase},
    {"plugin", required_argument, nullptr, kOptPlugin},
    {"program", required_argument, nullptr, kOptProgram},
    {"group", required_argument, nullptr, kOptGroup},
    {"name", required_argument, nullptr, kOptName},
    {"init", required_argument, nullptr, kOptInit},
    {"init-file", required_argument, nullptr, kOptInitFile},
    {"transform", required_argument, nullptr, kOptTransform},
    {"transform-file", required_argument, nullptr, kOptTransformFile},
    {"file", required_argument, nullptr, kOptFile},
    {"param", required_argument, nullptr, kOptParam},
    {"interp", required_argument, nullptr, kOptInterp},
    {"quiet", no_argument, nullptr, kOptQuiet},
    {"timings", no_argument, nullptr, kOptTimings},
    {"yes", no_argument, nullptr, kOptYes},
    {"help", no_argument, nullptr, kOptHelp},
    {nullptr, 0, nullptr, 0},
};

struct CommandWord {
  const char* word;
  Command command;
};

const CommandWord kCommands[] = {
    {"apply", Command::kApply}, {"list", Command::kList},     {"show", Command::kShow},
    {"check", Command::kCheck}, {"import", Command::kImport}, {"title", Command::kTitle},
    {"help", Command::kHelp},
};

int SplitProgramName(const std::string& text, Options* options, std::string* error) {
  size_t slash = text.find('/');
  if (slash == std::string::npos) {
    *error = "a program is named GROUP/NAME: " + text;
    return 0;
  }
  options->group = text.substr(0, slash);
  options->name = text.substr(slash + 1);
  options->haveProgramName = true;
  return 1;
}

int ReadProgramText(const char* path, std::string* text, std::string* error) {
  std::string content;
  if (!ReadTextFile(path, &content, error)) return 0;
  *text = WithCrLf(content);
  return 1;
}

int ParseInterpolation(const char* text, int* mode, std::string* error) {
  static const char* const kNames[] = {"round", "linear", "bezier"};
  for (int i = 0; i < 3; ++i) {
    if (std::strcmp(text, kNames[i]) == 0) {
      *mode = i;
      return 1;
    }
  }
  *error = std::string("--interp takes round, linear or bezier, not ") + text;
  return 0;
}

// Takes one option; 0 with a message on a bad one.
int TakeOption(int code, const char* argument, Options* options, std::string* error) {
  switch (code) {
    case kOptBase:
      options->baseFolder = argument;
      return 1;
    case kOptPlugin:
      options->pluginPath = argument;
      return 1;
    case kOptProgram:
      return SplitProgramName(argument, options, error);
    case kOptGroup:
      options->group = argument;
      options->haveProgramName = true;
      return 1;
    case kOptName:
      options->name = argument;
      options->haveProgramName = true;
      return 1;
    case kOptInit:
      options->initText = WithCrLf(argument);
      options->haveInit = true;
      return 1;
    case kOptTransform:
      options->transformText = WithCrLf(argument);
      options->haveTransform = true;
      return 1;
    case kOptInitFile:
      options->haveInit = true;
      return ReadProgramText(argument, &options->initText, error);
    case kOptTransformFile:
      options->haveTransform = true;
      return ReadProgramText(argument, &options->transformText, error);
    case kOptFile:
      options->programFile = argument;
      return 1;
    case kOptParam:
      options->params.push_back(argument);
      return 1;
    case kOptInterp:
      return ParseInterpolation(argument, &options->interpolation, error);
    case kOptQuiet:
      options->quiet = true;
      return 1;
    case kOptTimings:
      options->timings = true;
      return 1;
    case kOptYes:
      options->yes = true;
      return 1;
    case kOptHelp:
      options->command = Command::kHelp;
      return 1;
    default:
      *error = "unknown option";
      return 0;
  }
}

// Checks that the options fit the command.
int CheckCombination(Options* options, std::string* error) {
  bool adHoc = options->haveInit || options->haveTransform || !options->programFile.empty();
  size_t positional = options->positional.size();
  switch (options->command) {
    case Command::kApply:
      if (options->haveProgramName == adHoc) {
        *error =
            "apply needs one program: --program GROUP/NAME, --group and --name, "
            "--init/--transform, or --file";
        return 0;
      }
      if (!options->programFile.empty() && (options->haveInit || options->haveTransform)) {
        *error = "--file cannot be combined with --init or --transform";
        return 0;
      }
      if (options->haveProgramName && (options->group.empty() || options->name.empty())) {
        *error = "a library program needs both a group and a name";
        return 0;
      }
      if (positional != 2) {
        *error = "apply needs an INPUT and an OUTPUT image";
        return 0;
      }
      return 1;
    case Command::kShow:
      if (positional != 1) {
        *error = "show needs one GROUP/NAME";
        return 0;
      }
      return SplitProgramName(options->positional[0], options, error);
    case Command::kCheck:
      if (!adHoc ||
          (!options->programFile.empty() && (options->haveInit || options->haveTransform))) {
        *error = "check needs --init and/or --transform, or --file";
        return 0;
      }
      break;
    default:
      break;
  }
  if (positional != 0) {
    *error = "unexpected argument: " + options->positional[0];
    return 0;
  }
  return 1;
}

}  // namespace

int ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  if (argc < 2) {
    *error = "no command given";
    return kParseError;
  }
  for (const CommandWord& word : kCommands) {
    if (std::strcmp(argv[1], word.word) == 0) options->command = word.command;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    options->command = Command::kHelp;
  }
  if (options->command == Command::kNone) {
    *error = std::string("unknown command: ") + argv[1];
    return kParseError;
  }
  optind = 1;
  opterr = 0;
  int code;
  while ((code = getopt_long(argc - 1, argv + 1, "h", kLongOptions, nullptr)) != -1) {
    if (code == 'h') code = kOptHelp;
    if (code == '?' || code == ':') {
      // getopt has already stepped past the word it could not take.
      const char* word = argv[optind];
      *error = std::string("unknown option or missing value: ") + (word != nullptr ? word : "");
      return kParseError;
    }
    if (!TakeOption(code, optarg, options, error)) return kParseError;
  }
  for (int i = optind + 1; i < argc; ++i) options->positional.push_back(argv[i]);
  if (options->command == Command::kHelp) return kParsedOk;
  return CheckCombination(options, error) ? kParsedOk : kParseError;
}

const char* UsageText() {
  return "usage:\n"
         "  morfel apply [--base DIR] PROGRAM [--param TEXT]... [--interp round|linear|bezier]\n"
         "               [--quiet] [--timings] [--plugin PATH] INPUT OUTPUT\n"
         "      PROGRAM is one of:\n"
         "        --program GROUP/NAME, or --group G --name N   a program of the library\n"
         "        --init TEXT | --init-file F, and/or --transform TEXT | --transform-file F\n"
         "        --file PROGRAM.txt                            a program file\n"
         "      each --param fills the next parameter row; the others keep their defaults\n"
         "  morfel list [--base DIR]              the programs of the library, GROUP/NAME\n"
         "  morfel show [--base DIR] GROUP/NAME   a program's texts and parameters\n"
         "  morfel check (--init.. --transform.. | --file F)\n"
         "                                        \"ok\", or the editor's message with its line\n"
         "  morfel import [--base DIR] [--yes]    merges the data folder's *.txt program files\n"
         "  morfel title [--plugin PATH]          the plug-in's title\n"
         "Images: PNG, JPEG, BMP, TGA in; PNG, JPEG, BMP out (by OUTPUT's extension).\n"
         "The base folder defaults to $XDG_DATA_HOME/morfel/ (else ~/.local/share/morfel/).\n";
}
