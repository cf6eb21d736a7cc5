// Handlers of the built-in functions, one per line of builtin_list.h (exit
// excepted: Run ends the run itself). Each takes its numeric arguments with
// args[0] the first (deepest) and returns the value the call leaves on the
// stack; `text` is the run's text register (the file name of the loaders).
#pragma once

#include "script/script.h"

#define MORFEL_PROTOTYPE_CALL(handler) \
  double handler(ScriptEngine& engine, const double* args, const char* text);
#define MORFEL_PROTOTYPE_EXIT(handler)
#define MORFEL_BUILTIN(name, code, args, stackArgs, form, handler, effect, arguments, help) \
  MORFEL_PROTOTYPE_##form(handler)
#include "script/builtin_list.h"
#undef MORFEL_PROTOTYPE_CALL
#undef MORFEL_PROTOTYPE_EXIT
