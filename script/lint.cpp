// Warnings: a walk over the compiled code of Init and then Transform that
// follows, path by path, what coord holds where it is a plain constant,
// which colours and positions were set and not read since, and which
// variables were set or read, and notes what a run would plainly waste.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "script/operators.h"
#include "script/parser.h"
#include "script/scanner.h"

namespace {

const char* const kWarningFormats[] = {
#define MORFEL_WARNING(Name, format) format,
#include "script/warning_list.h"
};

// The colours and positions whose setting coord may discard (bit k of a
// Flow's pending is row k).
struct Watched {
  const char* name;
  bool colour;
};
constexpr Watched kWatched[] = {{"R", true},  {"G", true},  {"B", true},  {"T", true},
                                {"x", false}, {"y", false}, {"r", false}, {"t", false}};
constexpr int32_t kWatchedCount = sizeof kWatched / sizeof kWatched[0];

struct Value {
  bool known;
  double number;
};

// What holds on one path at one point of the code.
struct Flow {
  bool coordKnown = true;
  double coord = 1.0;                     // coord's start value
  uint32_t pending = 0;                   // kWatched bits set and not read since
  int32_t pendingAt[kWatchedCount] = {};  // where each was set
};

bool Same(double a, double b) { return a == b || (a != a && b != b); }

Flow Join(const Flow& a, const Flow& b) {
  Flow joined = a;
  joined.coordKnown = a.coordKnown && b.coordKnown && Same(a.coord, b.coord);
  for (int32_t k = 0; k < kWatchedCount; ++k) {
    const uint32_t bit = 1u << k;
    if ((b.pending & bit) && (!(a.pending & bit) || b.pendingAt[k] < a.pendingAt[k]))
      joined.pendingAt[k] = b.pendingAt[k];
  }
  joined.pending = a.pending | b.pending;
  return joined;
}

bool Equal(const Flow& a, const Flow& b) {
  if (a.coordKnown != b.coordKnown || a.pending != b.pending) return false;
  return !a.coordKnown || Same(a.coord, b.coord);
}

// Two-operand operators and unary minus on constants, as the engines
// compute them; false for any other code.
bool Fold(int32_t code, const Value* operands, double* result) {
  switch (code) {
#define MORFEL_LINT_BINARY(Name, code)                                        \
  case code:                                                                  \
    *result = script_operators::Name(operands[0].number, operands[1].number); \
    return true;
#define MORFEL_LINT_UNARY(Name, code)                     \
  case code:                                              \
    *result = script_operators::Name(operands[1].number); \
    return true;
#define MORFEL_LINT_MARKER(Name, code)
#define MORFEL_LINT_TEST(Name, code)
#define MORFEL_LINT_ASSIGN(Name, code)
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) \
  MORFEL_LINT_##form(Name, code)
#include "script/instruction_set.h"
#undef MORFEL_LINT_BINARY
#undef MORFEL_LINT_UNARY
#undef MORFEL_LINT_MARKER
#undef MORFEL_LINT_TEST
#undef MORFEL_LINT_ASSIGN
    default:
      return false;
  }
}

// Built-ins that compute from their values alone and touch no variable.
bool IsPureFunction(int32_t code) {
  const BuiltinEntry* row = FindBuiltinByCode(code);
  if (row == nullptr) return false;
  return row->effect == BuiltinEffect::kPure || row->effect == BuiltinEffect::kRandom ||
         row->effect == BuiltinEffect::kEnds;
}

struct CompiledText {
  const char* text = nullptr;
  ProgramSlot slot = ProgramSlot::kInit;
  GrowArray<Instruction> code;
  SourceMap sources;
  bool compiled = false;
};

// Where a record's partner or end lies: the marker that closes the
// construct opened at `open`, and the ELSE or LOOP-TEST in between.
struct Construct {
  int32_t middle;  // ELSE or LOOP-TEST, -1 when none
  int32_t end;     // IF-END or LOOP-END
};

Construct FindConstruct(const GrowArray<Instruction>& code, int32_t open, int32_t middleCode) {
  Construct found = {-1, code.size};
  int32_t depth = 0;
  for (int32_t i = open + 1; i < code.size; ++i) {
    const Instruction& record = code.data[i];
    if (record.kind != KIND_OP) continue;
    if (record.code == OP_IF_TEST || record.code == OP_LOOP_START) {
      ++depth;
    } else if (record.code == OP_IF_END || record.code == OP_LOOP_END) {
      if (depth == 0) {
        found.end = i;
        return found;
      }
      --depth;
    } else if (depth == 0 && record.code == middleCode && found.middle < 0) {
      found.middle = i;
    }
  }
  return found;
}

class Linter {
 public:
  // Variables from firstUser on are the program's own (before them: the
  // built-ins and the parameters, which a run sets before Init).
  Linter(ScriptEngine& engine, int32_t firstUser, ProgramWarnings* out)
      : engine_(engine), out_(out), firstUser_(firstUser) {
    const int32_t variables = engine.variableTable.count();
    read_.Allocate(variables);
    assigned_.Allocate(variables);
    coord_ = engine.variableTable.IndexOf("coord");
    for (int32_t k = 0; k < kWatchedCount; ++k)
      watched_[k] = engine.variableTable.IndexOf(kWatched[k].name);
  }

  void WalkText(const CompiledText& text, Flow* flow) {
    current_ = &text;
    Walk(0, text.code.size, flow);
  }

  void ReportDiscarded(const CompiledText& transform, const Flow& end) {
    if (!end.coordKnown) return;
    for (int32_t k = 0; k < kWatchedCount; ++k) {
      if (!(end.pending & (1u << k))) continue;
      if (kWatched[k].colour == (end.coord == 0.0)) continue;
      char detail[32];
      std::snprintf(detail, sizeof detail, "%g", end.coord);
      Add(kWatched[k].colour ? WarningKind::kColourDiscarded : WarningKind::kPositionDiscarded,
          transform, end.pendingAt[k], kWatched[k].name, detail);
    }
  }

  bool WasRead(int32_t variable) const {
    return variable >= 0 && variable < read_.size && read_.data[variable] != 0;
  }

  void Add(WarningKind kind, const CompiledText& where, int32_t offset, const char* subject,
           const char* detail);
  void AddAtLine(WarningKind kind, const char* text, int32_t line, const char* subject);

 private:
  void Walk(int32_t from, int32_t to, Flow* flow);
  void FollowRecord(int32_t i, Flow* flow);
  int32_t VariableOf(int32_t record) const;
  void Read(int32_t record, int32_t variable, Flow* flow);
  void Assign(int32_t variable, int32_t targetRecord, const Value& value, Flow* flow);
  Value Pop() {
    if (depth_ == 0) return {false, 0.0};
    return stack_[--depth_];
  }
  void Push(Value value) {
    if (depth_ < kStackDepth) stack_[depth_++] = value;
  }
  void Test(int32_t record);

  static constexpr int32_t kStackDepth = 64;
  ScriptEngine& engine_;
  ProgramWarnings* out_;
  int32_t firstUser_;
  int32_t coord_;
  int32_t watched_[kWatchedCount];
  const CompiledText* current_ = nullptr;
  GrowArray<uint8_t> read_;
  GrowArray<uint8_t> assigned_;
  Value stack_[kStackDepth] = {};
  int32_t depth_ = 0;
};

int32_t Linter::VariableOf(int32_t record) const {
  const int32_t offset = current_->sources.data[record].offset;
  const char* name = current_->text + offset;
  const int32_t length = NameAt(name);
  if (length == 0 || length > kValueNameMax) return -1;
  char copy[kValueNameMax + 1];
  std::memcpy(copy, name, static_cast<size_t>(length));
  copy[length] = '\0';
  return engine_.variableTable.IndexOf(copy);
}

void Linter::Read(int32_t record, int32_t variable, Flow* flow) {
  if (variable < 0 || variable >= read_.size) return;
  read_.data[variable] = 1;
  for (int32_t k = 0; k < kWatchedCount; ++k)
    if (watched_[k] == variable) flow->pending &= ~(1u << k);
  if (current_->slot == ProgramSlot::kInit && variable >= firstUser_ &&
      assigned_.data[variable] == 0) {
    assigned_.data[variable] = 1;  // one warning per variable
    const char* name = engine_.variableTable.NameAt(variable);
    // A slip of the keys is likelier than a value kept on purpose: name
    // the built-in or parameter meant when one is close.
    const char* known[96];
    int32_t count = 0;
    for (int32_t k = 0; k < firstUser_ && count < 96; ++k)
      known[count++] = engine_.variableTable.NameAt(k);
    char hint[96] = "";
    if (const char* closest = ClosestName(name, known, count))
      std::snprintf(hint, sizeof hint, " (did you mean '%s'?)", closest);
    Add(WarningKind::kReadBeforeAssignment, *current_, current_->sources.data[record].offset, name,
        hint);
  }
}

void Linter::Assign(int32_t variable, int32_t targetRecord, const Value& value, Flow* flow) {
  if (variable < 0 || variable >= assigned_.size) return;
  assigned_.data[variable] = 1;
  if (variable == coord_) {
    flow->coordKnown = value.known;
    flow->coord = value.number;
  }
  if (current_->slot != ProgramSlot::kTransform) return;
  for (int32_t k = 0; k < kWatchedCount; ++k) {
    if (watched_[k] != variable) continue;
    const uint32_t bit = 1u << k;
    if (!(flow->pending & bit)) flow->pendingAt[k] = current_->sources.data[targetRecord].offset;
    flow->pending |= bit;
  }
}

void Linter::Test(int32_t record) {
  const Value condition = Pop();
  if (!condition.known) return;
  // The engines test the exact value: only 0.0 is false.
  const WarningKind kind =
      condition.number != 0.0 ? WarningKind::kAlwaysTrue : WarningKind::kAlwaysFalse;
  const int32_t offset = current_->sources.data[record].offset;
  // The condition as written: from its '(' to the matching ')'.
  const char* open = current_->text + offset;
  int32_t length = 0;
  for (int32_t depth = 0; open[length] != '\0' && length < 40; ++length) {
    if (open[length] == '(') ++depth;
    if (open[length] == ')' && --depth == 0) {
      ++length;
      break;
    }
  }
  char subject[48];
  std::snprintf(subject, sizeof subject, "%.*s", length, open);
  Add(kind, *current_, offset, subject, "");
}

void Linter::Walk(int32_t from, int32_t to, Flow* flow) {
  const GrowArray<Instruction>& code = current_->code;
  for (int32_t i = from; i < to; ++i) {
    const Instruction& record = code.data[i];
    if (record.kind == KIND_OP && record.code == OP_IF_TEST) {
      Test(i);
      const Construct branch = FindConstruct(code, i, OP_ELSE);
      Flow otherwise = *flow;
      const int32_t thenEnd = branch.middle >= 0 ? branch.middle : branch.end;
      Walk(i + 1, thenEnd, flow);
      if (branch.middle >= 0) Walk(branch.middle + 1, branch.end, &otherwise);
      *flow = Join(*flow, otherwise);
      i = branch.end;
    } else if (record.kind == KIND_OP && record.code == OP_LOOP_START) {
      const Construct loop = FindConstruct(code, i, OP_LOOP_TEST);
      const int32_t test = loop.middle >= 0 ? loop.middle : loop.end;
      // Round the loop until nothing new flows back from its end.
      Flow entry = *flow;
      for (int32_t round = 0; round < 4; ++round) {
        Flow condition = entry;
        Walk(i + 1, test, &condition);
        if (test < loop.end) Test(test);
        Flow body = condition;
        Walk(test + 1, loop.end, &body);
        const Flow next = Join(entry, body);
        *flow = condition;
        if (Equal(next, entry)) break;
        entry = next;
      }
      depth_ = 0;
      i = loop.end;
    } else {
      FollowRecord(i, flow);
    }
  }
}

void Linter::FollowRecord(int32_t i, Flow* flow) {
  const Instruction& record = current_->code.data[i];
  const RecordSource& source = current_->sources.data[i];
  switch (record.kind) {
    case KIND_CONST:
      Push({true, record.value});
      return;
    case KIND_VAR: {
      const int32_t variable = VariableOf(i);
      if (source.role != RecordRole::kAssignTarget) Read(i, variable, flow);
      Push({false, 0.0});
      return;
    }
    case KIND_STR:
      if (source.role == RecordRole::kTextAsValue) {
        char subject[48];
        std::snprintf(subject, sizeof subject, "\"%s\"", record.text);
        Add(WarningKind::kTextAsValue, *current_, source.offset, subject, "");
      }
      return;
    default:
      break;
  }
  if (record.code == OP_END) {
    depth_ = 0;
    return;
  }
  if (record.code == OP_ASSIGN) {
    const Value value = Pop();
    Pop();
    if (source.partner >= 0) Assign(VariableOf(source.partner), source.partner, value, flow);
    Push(value);
    return;
  }
  Value operands[2] = {{false, 0.0}, {false, 0.0}};
  double result = 0.0;
  if (record.code == OP_NEG) {
    operands[1] = Pop();
    const bool folded = operands[1].known && Fold(record.code, operands, &result);
    Push({folded, result});
    return;
  }
  if (const BuiltinEntry* row = FindBuiltinByCode(record.code)) {
    for (int32_t k = 0; k < row->stackArgs; ++k) Pop();
    if (!IsPureFunction(record.code)) {
      for (int32_t k = 0; k < kWatchedCount; ++k)
        if (kWatched[k].colour) flow->pending &= ~(1u << k);
    }
    Push({false, 0.0});
    return;
  }
  operands[1] = Pop();
  operands[0] = Pop();
  const bool folded =
      operands[0].known && operands[1].known && Fold(record.code, operands, &result);
  Push({folded, result});
}

void Linter::Add(WarningKind kind, const CompiledText& where, int32_t offset, const char* subject,
                 const char* detail) {
  for (int32_t k = 0; k < out_->count; ++k) {
    const ScriptWarning& seen = out_->items[k];
    if (seen.kind == kind && seen.text == where.slot && seen.offset == offset) return;
  }
  if (out_->count >= kMaxWarnings) return;
  ScriptWarning& warning = out_->items[out_->count++];
  warning.kind = kind;
  warning.text = where.slot;
  warning.offset = offset;
  warning.line = 1;
  const char* lineStart = where.text;
  for (const char* c = where.text; c < where.text + offset; ++c) {
    if (*c == '\n') {
      ++warning.line;
      lineStart = c + 1;
    }
  }
  warning.column = static_cast<int32_t>(where.text + offset - lineStart) + 1;
  std::snprintf(warning.subject, sizeof warning.subject, "%s", subject);
  std::snprintf(warning.message, sizeof warning.message,
                kWarningFormats[static_cast<int32_t>(kind)], subject, detail);
}

// A declaration's line holds nothing in the stripped Init text: the place
// is its name, after the '?'.
void Linter::AddAtLine(WarningKind kind, const char* text, int32_t line, const char* subject) {
  CompiledText where;
  where.text = text;
  int32_t offset = 0;
  for (int32_t seen = 1; seen < line && text[offset] != '\0'; ++offset)
    if (text[offset] == '\n') ++seen;
  const int32_t before = out_->count;
  Add(kind, where, offset, subject, "");
  if (out_->count > before) {
    out_->items[before].line = line;
    out_->items[before].column = 2;
  }
}

bool CompileMapped(ScriptEngine& engine, CompiledText* compiled) {
  engine.scratchCode.Release();
  engine.furthestPoint = compiled->text;
  compiled->sources.Release();
  Parser parser(engine, compiled->text, &compiled->sources);
  const int32_t n = parser.Sequence(compiled->text);
  if (parser.outOfMemory || compiled->sources.size != engine.scratchCode.size) return false;
  const char* rest = compiled->text + n;
  if (rest[0] != '\0' && !(n == 0 && rest[SkipBlanks(rest)] == '\0')) return false;
  return compiled->code.CopyFrom(engine.scratchCode) != 0;
}

void SortByPlace(ProgramWarnings* out) {
  for (int32_t i = 1; i < out->count; ++i) {
    for (int32_t j = i; j > 0; --j) {
      ScriptWarning& a = out->items[j - 1];
      ScriptWarning& b = out->items[j];
      const bool later = a.text > b.text || (a.text == b.text && a.offset > b.offset);
      if (!later) break;
      const ScriptWarning swap = a;
      a = b;
      b = swap;
    }
  }
}

}  // namespace

void FindWarnings(const char* initText, const char* transformText, const DeclaredName* parameters,
                  int32_t parameterCount, ProgramWarnings* out) {
  out->count = 0;
  std::unique_ptr<ScriptEngine> engine(new (std::nothrow) ScriptEngine());
  std::unique_ptr<CompiledText> init(new (std::nothrow) CompiledText());
  std::unique_ptr<CompiledText> transform(new (std::nothrow) CompiledText());
  if (engine == nullptr || init == nullptr || transform == nullptr) return;
  RgbtImage image(1, 1, 3);
  engine->InstallBuiltinVariables(image);
  for (int32_t k = 0; k < parameterCount; ++k) engine->DefineVariable(parameters[k].name, 0.0);
  // Built-ins and parameters have their values before Init runs.
  const int32_t firstUser = engine->variableTable.count();
  init->text = initText != nullptr ? initText : "";
  init->slot = ProgramSlot::kInit;
  transform->text = transformText != nullptr ? transformText : "";
  transform->slot = ProgramSlot::kTransform;
  init->compiled = CompileMapped(*engine, init.get());
  transform->compiled = CompileMapped(*engine, transform.get());
  Linter linter(*engine, firstUser, out);
  Flow flow;
  if (init->compiled) linter.WalkText(*init, &flow);
  if (transform->compiled) {
    // coord carries from one pixel to the next: walk until the start state
    // holds what the end of a pixel leaves too.
    Flow start = flow;
    Flow end;
    for (int32_t round = 0; round < 3; ++round) {
      end = start;
      end.pending = 0;
      linter.WalkText(*transform, &end);
      const Flow next = Join(start, end);
      if (next.coordKnown == start.coordKnown && Same(next.coord, start.coord)) break;
      start = next;
      start.pending = 0;
    }
    linter.ReportDiscarded(*transform, end);
  }
  if (init->compiled && transform->compiled) {
    for (int32_t k = 0; k < parameterCount; ++k) {
      const int32_t variable = engine->variableTable.IndexOf(parameters[k].name);
      if (!linter.WasRead(variable))
        linter.AddAtLine(WarningKind::kParameterNeverRead, init->text, parameters[k].line,
                         parameters[k].name);
    }
  }
  SortByPlace(out);
}
