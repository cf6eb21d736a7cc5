#include "plugin/plugin.h"
#include "ui/editor_internal.h"

ProgramLibrary& EditorLibrary() { return *ActiveFilterContext()->library; }
FilterSettings& EditorSettings() { return ActiveFilterContext()->settings; }
CurrentProgram& EditorProgram() { return *ActiveFilterContext()->program; }
const char* EditorBaseFolder() { return Module().baseFolder; }
HINSTANCE EditorModuleInstance() { return Module().instance; }

const char* ChosenGroupName() {
  const FilterContext& context = *ActiveFilterContext();
  return NameAt(*context.groupList, context.settings.GroupNo);
}

const char* ChosenFunctionName() {
  const FilterContext& context = *ActiveFilterContext();
  return NameAt(*context.functionList, context.settings.FuncNo);
}

void StripDeclarations(const char* text, char* destination, int size) {
  StripDeclarationLines(text, "?", destination, size);
}

int CheckDeclarations() {
  FilterContext& context = *ActiveFilterContext();
  ParamTable table = {context.slots, &context.paramCount};
  return ParseParamDeclarations(*context.engine, context.program->initText, table,
                                kDeclareCheckOnly, nullptr);
}
