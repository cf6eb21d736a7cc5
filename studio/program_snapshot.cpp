#include "studio/program_snapshot.h"

CompileReport PrepareProgram(FilterContext& context, const ProgramSnapshot& snapshot) {
  context.TakeProgramTexts(snapshot.texts.initText, snapshot.texts.transformText);
  context.ReadDeclarations(kDeclareKeepValues, nullptr);
  for (int32_t row = 0; row < kParamSlotCount; ++row) {
    context.SetParameterText(row, snapshot.values[row].c_str());
  }
  context.ChooseInterpolation(snapshot.interpolation);
  return context.CompileProgramTexts();
}
