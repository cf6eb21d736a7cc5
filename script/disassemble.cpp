// Writes compiled code as readable text, one "|"-separated item per record:
// "VAR x | CONST 1 | OP = | END". Markers print by name, calls as
// "CALL name", string operands quoted.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "script/script.h"

namespace {

// How each OP code of instruction_set.h prints: operators with two
// operands as "OP" and their token, the others by their name with '-' for
// '_' ("IF-TEST").
struct OpName {
  int32_t code;
  const char* name;
  const char* token;
  bool printsToken;
};

#define MORFEL_PRINTS_TOKEN_MARKER false
#define MORFEL_PRINTS_TOKEN_TEST false
#define MORFEL_PRINTS_TOKEN_UNARY false
#define MORFEL_PRINTS_TOKEN_BINARY true
#define MORFEL_PRINTS_TOKEN_ASSIGN true

constexpr OpName kOpNames[] = {
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) \
  {code, #NAME, token, MORFEL_PRINTS_TOKEN_##form},
#include "script/instruction_set.h"
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

void AppendName(TextSink& sink, const char* name) {
  char printed[32];
  size_t length = strnlen(name, sizeof printed - 1);
  for (size_t k = 0; k < length; ++k) printed[k] = name[k] == '_' ? '-' : name[k];
  printed[length] = '\0';
  sink.Append("%s", printed);
}

void AppendOp(TextSink& sink, int32_t code) {
  for (const OpName& op : kOpNames) {
    if (op.code != code) continue;
    if (op.printsToken) {
      sink.Append("OP %s", op.token);
    } else {
      AppendName(sink, op.name);
    }
    return;
  }
  if (const BuiltinEntry* builtin = FindBuiltinByCode(code)) {
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
