// morfel: applies Morfel programs to image files from the command line.
// apply, check and show run the programs in this process through the
// session, the code behind the plug-in's dialogs; import and title, and
// apply and check given --plugin, load the plug-in through its three
// exports, exactly as an image editor does, and work its dialogs as a user
// would.
#include <cstdio>
#include <new>
#include <string>

#include "host/commands.h"
#include "host/interrupts.h"
#include "host/options.h"
#include "host/standard_output.h"
#include "host/usage.h"

namespace {

int HelpCommand(const Options& options) {
  std::string text = options.manPage                         ? ManPage()
                     : options.completion                    ? BashCompletion()
                     : options.helpCommand == Command::kNone ? OverviewText()
                                                             : CommandHelpText(options.helpCommand);
  PutOut(text);
  return 0;
}

int Run(const Options& options) {
  if (options.version) {
    PrintOut("morfel %s\n", kMorfelVersion);
    return 0;
  }
  switch (options.command) {
    case Command::kApply:
      return ApplyCommand(options);
    case Command::kList:
      return ListCommand(options);
    case Command::kShow:
      return ShowCommand(options);
    case Command::kCheck:
      return CheckCommand(options);
    case Command::kTrace:
      return TraceCommand(options);
    case Command::kImport:
      return ImportCommand(options);
    case Command::kAdd:
      return AddCommand(options);
    case Command::kRemove:
      return RemoveCommand(options);
    case Command::kFunctions:
      return FunctionsCommand(options);
    case Command::kTitle:
      return TitleCommand(options);
    case Command::kHelp:
      return HelpCommand(options);
    default:
      return HelpCommand(Options());
  }
}

}  // namespace

int main(int argc, char** argv) {
  WatchInterrupts();
  Options options;
  std::string error;
  if (ParseOptions(argc, argv, &options, &error) != kParsedOk) {
    std::fprintf(stderr, "morfel: %s\n%s\n", error.c_str(), UsageHint(options.command).c_str());
    return 2;
  }
  try {
    return FinishStandardOutput(Run(options));
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "morfel: not enough memory\n");
    return 1;
  }
}
