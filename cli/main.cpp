// morfel: applies Morfel programs to image files from the command line.
// apply, check and show run the programs in this process through the
// session, the code behind the plug-in's dialogs; import and title, and
// apply and check given --plugin, load the plug-in through its three
// exports, exactly as an image editor does, and work its dialogs as a user
// would.
#include <cstdio>
#include <new>
#include <string>

#include "cli/commands.h"
#include "files/files.h"
#include "cli/options.h"
#include "cli/standard_output.h"
#include "cli/usage.h"

namespace {

struct CommandRun {
  Command command;
  int (*run)(const Options& options);
};

const CommandRun kCommandRuns[] = {
#define MORFEL_COMMAND_RUN(command, word, run, ...) {Command::command, run},
    MORFEL_COMMANDS(MORFEL_COMMAND_RUN)
#undef MORFEL_COMMAND_RUN
};

int Run(const Options& options) {
  if (options.version) {
    PrintOut("morfel %s\n", kMorfelVersion);
    return 0;
  }
  for (const CommandRun& command : kCommandRuns) {
    if (command.command == options.command) return command.run(options);
  }
  return HelpCommand(Options());
}

}  // namespace

int main(int argc, char** argv) {
  WatchInterrupts();
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
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
