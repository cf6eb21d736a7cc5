// morfel: applies Morfel programs to image files from the command line. It
// loads the plug-in through its three exports, exactly as an image editor
// does, and works its dialogs as a user would.
#include <cstdio>
#include <string>

#include "host/commands.h"
#include "host/options.h"

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (ParseOptions(argc, argv, &options, &error) != kParsedOk) {
    std::fprintf(stderr, "morfel: %s\n%s", error.c_str(), UsageText());
    return 2;
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
    case Command::kImport:
      return ImportCommand(options);
    case Command::kTitle:
      return TitleCommand(options);
    case Command::kHelp:
      std::printf("%s", UsageText());
      return 0;
    default:
      std::fprintf(stderr, "%s", UsageText());
      return 2;
  }
}
