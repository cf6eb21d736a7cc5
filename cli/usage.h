// The usage texts of morfel, all made from one description of the commands
// and the option table: the overview, one command's help, the manual page
// and the bash completion script (the last two are kept in the tree as
// docs/morfel.1 and tools/morfel-completion.bash).
#ifndef MORFEL_CLI_USAGE_H
#define MORFEL_CLI_USAGE_H

#include <string>

#include "cli/options.h"

constexpr const char* kMorfelVersion = "0.08";

// Every command's synopsis and summary, for `morfel help`.
std::string OverviewText();
// One command's synopsis, summary and options, for `morfel help COMMAND`.
std::string CommandHelpText(Command command);
// The one line after a usage error: where the help is.
std::string UsageHint(Command command);
std::string ManPage();
std::string BashCompletion();

#endif
