// The row as the engine runs it: through the lanes, group by group, with
// each group they hand back run by the scalar row function.
#include <algorithm>

#include "script/native_code.h"

namespace native {

int32_t RunRow(const NativeProgram& program, ScriptEngine* engine, double* value,
               CompiledRowFrame* frame, bool lanes) {
  if (!lanes || program.lanes == nullptr) return program.row(engine, value, frame);
  const int32_t group = program.lanesWidth;
  const int32_t width = frame->width;
  for (;;) {
    int32_t code = program.lanes(engine, value, frame);
    if (static_cast<Ending>(code) != Ending::kLanesHandOver) return code;
    // The scalar code runs the group's pixels, then the lanes go on.
    frame->width = std::min(width, frame->column + group);
    code = program.row(engine, value, frame);
    frame->width = width;
    if (static_cast<Ending>(code & 0xFF) != Ending::kRowDone || frame->column >= width) return code;
  }
}

}  // namespace native
