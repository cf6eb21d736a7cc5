// morfel functions: the language's built-in functions, named from the
// compiler's own table, and its built-in variables, one line each.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/standard_output.h"
#include "cli/commands.h"
#include "script/script.h"

int FunctionsCommand(const Options&) {
  PrintOut("Built-in functions (positions are offsets from the centre cx, cy):\n");
  for (int i = 0; BuiltinTable[i].name != nullptr; ++i) {
    const BuiltinHelp* function = FindFunctionHelp(BuiltinTable[i].name);
    std::string call = std::string(BuiltinTable[i].name) + "(" +
                       (function != nullptr ? function->arguments : "") + ")";
    PrintOut("  %-26s %s\n", call.c_str(), function != nullptr ? function->text : "");
  }
  PrintOut("\nBuilt-in variables (set before every run):\n");
  for (const BuiltinHelp* variable = kBuiltinVariableHelp; variable->name != nullptr; ++variable) {
    PrintOut("  %-10s %s\n", variable->name, variable->text);
  }
  return 0;
}
