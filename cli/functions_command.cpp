// morfel functions: the language's built-in functions, named from the
// compiler's own table, and its built-in variables, one line each.
#include <cstdio>
#include <string>

#include "cli/standard_output.h"
#include "cli/commands.h"
#include "script/script.h"

int FunctionsCommand(const Options&) {
  PrintOut("Built-in functions (positions are offsets from the centre cx, cy):\n");
  for (int i = 0; BuiltinTable[i].name != nullptr; ++i) {
    const BuiltinEntry& function = BuiltinTable[i];
    std::string call = std::string(function.name) + "(" + function.arguments + ")";
    PrintOut("  %-26s %s\n", call.c_str(), function.help);
  }
  PrintOut("\nBuilt-in variables (set before every run):\n");
  for (const BuiltinVariableEntry& variable : kBuiltinVariableTable) {
    PrintOut("  %-10s %s\n", variable.name, variable.help);
  }
  return 0;
}
