// Writes compiled code as readable text, one "|"-separated item per record:
// "VAR x | CONST 1 | OP = | END". Markers print by name, calls as
// "CALL name", string operands quoted.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "script/operators.h"
#include "script/script.h"

namespace {

struct MarkerName {
  int32_t code;
  const char* name;
};

constexpr MarkerName kMarkerNames[] = {
    {OP_END, "END"},
    {OP_IF_TEST, "IF-TEST"},
    {OP_ELSE, "ELSE"},
    {OP_IF_END, "IF-END"},
    {OP_LOOP_START, "LOOP-START"},
    {OP_LOOP_TEST, "LOOP-TEST"},
    {OP_LOOP_END, "LOOP-END"},
    {OP_NEG, "NEG"},
};

// Appends formatted text to a bounded buffer, never past its end.
class TextSink {
 public:
  TextSink(char* out, int32_t size) : out(out), size(size) {
    if (size > 0) out[0] = '\0';
  }
  void Append(const char* format, ...) {
    if (length + 1 >= size) return;
    va_list args;
    va_start(args, format);
    int written = vsnprintf(out + length, static_cast<size_t>(size - length), format, args);
    va_end(args);
    if (written > 0) length += written < size - length ? written : size - length - 1;
  }
  int32_t Length() const { return length; }

 private:
  char* out;
  int32_t size;
  int32_t length = 0;
};

const char* VariableName(ScriptEngine& engine, const double* cell) {
  for (int32_t k = 0; const char* name = engine.variableTable.NameAt(k); ++k)
    if (engine.variableTable.ValueAt(k) == cell) return name;
  return "?";
}

void AppendOp(TextSink& sink, int32_t code) {
  for (const MarkerName& marker : kMarkerNames) {
    if (marker.code == code) {
      sink.Append("%s", marker.name);
      return;
    }
  }
  if (const char* text = OperatorText(code)) {
    sink.Append("OP %s", text);
  } else if (const BuiltinEntry* builtin = FindBuiltinByCode(code)) {
    sink.Append("CALL %s", builtin->name);
  } else {
    sink.Append("OP #%d", code);
  }
}

}  // namespace

int32_t DisassembleProgram(ScriptEngine& engine, const GrowArray<Instruction>& code, char* out,
                           int32_t outSize) {
  TextSink sink(out, outSize);
  for (int32_t i = 0; i < code.size; ++i) {
    const Instruction& record = code.data[i];
    if (i > 0) sink.Append(" | ");
    switch (record.kind) {
      case KIND_CONST:
        sink.Append("CONST %.15g", record.value);
        break;
      case KIND_VAR:
        sink.Append("VAR %s", VariableName(engine, record.cell));
        break;
      case KIND_OP:
        AppendOp(sink, record.code);
        break;
      case KIND_STR:
        sink.Append("STR \"%.*s\"", static_cast<int>(sizeof(record.text) - 1), record.text);
        break;
      default:
        sink.Append("KIND %d", record.kind);
        break;
    }
  }
  return sink.Length();
}
