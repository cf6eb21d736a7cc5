#include <string>

#include "cli/commands.h"
#include "cli/standard_output.h"
#include "cli/usage.h"

int HelpCommand(const Options& options) {
  std::string text = options.manPage                         ? ManPage()
                     : options.completion                    ? BashCompletion()
                     : options.helpCommand == Command::kNone ? OverviewText()
                                                             : CommandHelpText(options.helpCommand);
  PutOut(text);
  return 0;
}
