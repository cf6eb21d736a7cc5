#include <cstdio>
#include <new>

#include "image/image.h"
#include "script/script.h"
#include "ui/editor_internal.h"

// Compiles text on the private engine; on failure tells the user the line
// with the message format given. An empty text has nothing to check.
static int CompileForCheck(HWND dialog, ScriptEngine& engine, const char* text,
                           const char* failureFormat) {
  if (text[0] == '\0' || engine.Compile(text, -1) != 0) return 1;
  char message[96];
  std::snprintf(message, sizeof message, failureFormat, static_cast<int>(engine.errorLine));
  ShowErrorMessage(dialog, message);
  return 0;
}

static int CheckTexts(HWND dialog, ScriptEngine& engine) {
  const CurrentProgram& program = EditorProgram();
  char strippedInit[kProgramTextSize];
  StripDeclarations(program.initText, strippedInit, sizeof strippedInit);
  if (!CheckDeclarations()) {
    ShowErrorMessage(dialog, "Error in Initial parameter setting.");
    return 0;
  }
  if (!CompileForCheck(dialog, engine, strippedInit, "Error in Initialize program in line %d.")) {
    return 0;
  }
  return CompileForCheck(dialog, engine, program.transformText,
                         "Error in Transform program in line %d.");
}

// Compiles the edited texts on an engine of its own, so the programs the
// main dialog compiled stay as they were.
int CheckProgram(HWND dialog) {
  CurrentProgram& program = EditorProgram();
  GetDlgItemTextA(dialog, IDC_EDIT_INIT, program.initText, kProgramTextSize);
  GetDlgItemTextA(dialog, IDC_EDIT_TRANSFORM, program.transformText, kProgramTextSize);

  ScriptEngine* engine = new (std::nothrow) ScriptEngine();
  RgbtImage* image = new (std::nothrow) RgbtImage(5, 5, 3);
  int result = 0;
  if (engine != nullptr && image != nullptr) {
    engine->InstallBuiltinVariables(*image);
    result = CheckTexts(dialog, *engine);
  } else {
    ShowErrorMessage(dialog, "Not enough memory to check the program.");
  }
  delete image;
  delete engine;
  return result;
}
