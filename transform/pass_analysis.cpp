// Whether the pixels of a pass are independent of each other, so that its
// rows may run on several threads and still leave exactly what one thread
// leaves. The Transform code is followed once, record by record, with a
// model of the value stack (which value came from which variable, read
// when) and of the variables written on every path so far; if, else and
// while are followed by their markers, so each branch and a loop's first
// round start from what held before them.
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "script/script.h"
#include "transform/transform.h"

namespace {

// The built-in variables a call reaches, as bits by BuiltinVariable.
constexpr uint32_t Bit(BuiltinVariable variable) { return 1u << static_cast<int32_t>(variable); }
static_assert(kBuiltinVariableCount <= 32, "a bit for every built-in variable");
constexpr uint32_t kCentre = Bit(BuiltinVariable::kCx) | Bit(BuiltinVariable::kCy);
constexpr uint32_t kColour =
    Bit(BuiltinVariable::kRed) | Bit(BuiltinVariable::kGreen) | Bit(BuiltinVariable::kBlue);
constexpr uint32_t kGreen = Bit(BuiltinVariable::kGreen);
constexpr uint32_t kAlpha = Bit(BuiltinVariable::kAlpha);
constexpr uint32_t kHls = Bit(BuiltinVariable::kHue) | Bit(BuiltinVariable::kLightness) |
                          Bit(BuiltinVariable::kSaturation);

// What a call does to the pixel's variables and the state pixels share.
struct BuiltinRule {
  OneThreadReason refusal = OneThreadReason::kNone;  // kNone: pixels may call it independently
  uint32_t reads = 0;     // named variables read through the engine's cells
  uint32_t writes = 0;    // ... written on every call
  uint32_t mayWrite = 0;  // ... written on some calls
  bool readsSlots = false;
};

constexpr BuiltinRule Refused(OneThreadReason reason) { return {reason, 0, 0, 0, false}; }

// Every effect has its rule: a built-in added to the list names its effect,
// so none can be left without one.
constexpr BuiltinRule RuleFor(BuiltinEffect effect) {
  switch (effect) {
    case BuiltinEffect::kPure:
      return {};
    case BuiltinEffect::kRandom:
      return Refused(OneThreadReason::kRandom);
    case BuiltinEffect::kEnds:  // followed as OP_EXIT, never called
      return Refused(OneThreadReason::kMayStop);
    case BuiltinEffect::kReadsSource:
      return {OneThreadReason::kNone, kCentre, 0, 0, false};
    case BuiltinEffect::kGetsSource:
      return {OneThreadReason::kNone, kCentre | kGreen, kColour, 0, false};
    case BuiltinEffect::kAddsSource:
      return {OneThreadReason::kNone, kCentre | kColour, kColour, 0, false};
    case BuiltinEffect::kGetsSlot:
      return {OneThreadReason::kNone, kCentre | kGreen, 0, kColour, true};
    case BuiltinEffect::kSetsHls:
      return {OneThreadReason::kNone, 0, kHls, 0, false};
    case BuiltinEffect::kSetsRgb:
      return {OneThreadReason::kNone, 0, kColour, 0, false};
    case BuiltinEffect::kConvolves:
      return {OneThreadReason::kNone, kCentre | kGreen, 0, kColour | kAlpha, false};
    case BuiltinEffect::kSlotSize:
      return {OneThreadReason::kNone, 0, 0, 0, true};
    case BuiltinEffect::kReadsResult:
      return Refused(OneThreadReason::kReadsResult);
    case BuiltinEffect::kWritesResult:
      return Refused(OneThreadReason::kWritesResult);
    case BuiltinEffect::kSetsMatrix:
      return Refused(OneThreadReason::kSetsMatrix);
    case BuiltinEffect::kLoadsImage:
      return Refused(OneThreadReason::kLoadsImage);
    case BuiltinEffect::kChangesSource:
      return Refused(OneThreadReason::kChangesSource);
  }
  return Refused(OneThreadReason::kMayStop);
}

// A value on the modelled stack: the cell an assignment would store to, and
// the variable it was read from while that variable was not yet written on
// every path (null when it was, or when it is no variable's value).
struct ModelValue {
  double* cell;
  double* earlyRead;
  bool constant = false;  // a number written in the text (value)
  double value = 0.0;
};

// An if or while being followed: what was written on every path when it
// began, and, for an if, at the end of its then branch; for a while, after
// its first test.
struct Construct {
  bool isLoop;
  bool hasElse;
  int32_t depth;  // stack height its branches start and end at
  std::vector<uint8_t> before;
  std::vector<uint8_t> branchEnd;
};

class Analyser {
 public:
  Analyser(ScriptEngine& engine, PassAnalysis* result)
      : engine_(engine), result_(*result), stackLimit_(engine.StackLimit()) {
    for (int32_t k = 0; k < kBuiltinVariableCount; ++k)
      named_[k] = engine.BuiltinCell(static_cast<BuiltinVariable>(k));
  }

  void Analyse() {
    const GrowArray<Instruction>* code = engine_.ProgramAt(ProgramSlot::kTransform);
    if (code == nullptr) return Refuse(OneThreadReason::kMayStop, "");
    const bool onDemand = engine_.NamesOnDemandVariable(ProgramSlot::kTransform);
    // The driver reads the centre and then loads the position and colour
    // before every pixel (r and t only for a program that names them).
    for (PixelRole role : {PixelRole::kCentre, PixelRole::kLoaded, PixelRole::kOnDemand}) {
      if (role == PixelRole::kOnDemand && !onDemand) continue;
      for (int32_t k = 0; k < kBuiltinVariableCount; ++k) {
        if (kBuiltinVariableTable[k].pixel != role) continue;
        if (role == PixelRole::kCentre)
          Read(named_[k]);
        else
          Write(named_[k], true);
      }
    }
    for (int32_t i = 0; i < code->size && Going(); ++i) Step(code->data[i]);
    if (!Going()) return;
    if (!constructs_.empty()) return Refuse(OneThreadReason::kMayStop, "");
    EndOfPixel();
    for (double* cell : early_) {
      if (Contains(result_.written, cell))
        return Refuse(OneThreadReason::kCarriesVariable, NameOf(cell));
    }
  }

 private:
  bool Going() const { return result_.reason == OneThreadReason::kNone; }

  void Refuse(OneThreadReason reason, const char* name) {
    if (!Going()) return;
    result_.reason = reason;
    std::snprintf(result_.name, sizeof result_.name, "%s", name);
  }

  static bool Contains(const std::vector<double*>& cells, const double* cell) {
    for (const double* known : cells)
      if (known == cell) return true;
    return false;
  }

  int32_t IndexOf(double* cell) {
    auto found = index_.find(cell);
    if (found != index_.end()) return found->second;
    const int32_t index = static_cast<int32_t>(index_.size());
    index_.emplace(cell, index);
    written_.resize(index_.size(), 0);
    for (Construct& construct : constructs_) {
      construct.before.resize(index_.size(), 0);
      construct.branchEnd.resize(index_.size(), 0);
    }
    return index;
  }

  bool WrittenNow(double* cell) { return cell != nullptr && written_[IndexOf(cell)] != 0; }

  // A read of the cell now, by the driver or a built-in.
  void Read(double* cell) {
    if (cell != nullptr && !WrittenNow(cell) && !Contains(early_, cell)) early_.push_back(cell);
  }

  void Write(double* cell, bool onEveryPath) {
    if (cell == nullptr) return;
    if (!Contains(result_.written, cell)) result_.written.push_back(cell);
    if (onEveryPath) written_[IndexOf(cell)] = 1;
  }

  // A value taken from the stack to compute with.
  void Use(const ModelValue& value) {
    if (value.earlyRead != nullptr && !Contains(early_, value.earlyRead))
      early_.push_back(value.earlyRead);
  }

  bool Pop(ModelValue* value) {
    if (stack_.empty()) {
      Refuse(OneThreadReason::kMayStop, "");
      return false;
    }
    *value = stack_.back();
    stack_.pop_back();
    return true;
  }

  void Push(ModelValue value) {
    if (static_cast<int32_t>(stack_.size()) >= stackLimit_)
      return Refuse(OneThreadReason::kMayStop, "");
    stack_.push_back(value);
  }

  // What the driver reads after the program: "coord", then the position or
  // colour variables it selects.
  void EndOfPixel() {
    for (int32_t k = 0; k < kBuiltinVariableCount; ++k)
      if (kBuiltinVariableTable[k].pixel == PixelRole::kResult) Read(named_[k]);
    for (int32_t k = 0; k < kBuiltinVariableCount; ++k) {
      const PixelRole pixel = kBuiltinVariableTable[k].pixel;
      if (pixel != PixelRole::kNone && pixel != PixelRole::kResult) Read(named_[k]);
    }
  }

  const char* NameOf(const double* cell) const {
    const char* name = engine_.NameOfCell(cell);
    return name != nullptr ? name : "";
  }

  void Step(const Instruction& record) {
    switch (record.kind) {
      case KIND_CONST:
        return Push({nullptr, nullptr, true, record.value});
      case KIND_VAR:
        if (record.cell == nullptr) return Refuse(OneThreadReason::kMayStop, "");
        return Push({record.cell, WrittenNow(record.cell) ? nullptr : record.cell});
      case KIND_STR:
        return;
      case KIND_OP:
        return Operation(record.code);
      default:
        return Refuse(OneThreadReason::kMayStop, "");
    }
  }

  void Operation(int32_t code) {
    ModelValue a;
    ModelValue b;
    switch (code) {
      case OP_END:
        stack_.clear();
        return;
      case OP_IF_TEST:
        if (!Pop(&b)) return;
        Use(b);
        constructs_.push_back({false, false, Depth(), written_, {}});
        return;
      case OP_ELSE:
        if (!InConstruct(false)) return;
        constructs_.back().hasElse = true;
        constructs_.back().branchEnd = written_;
        written_ = constructs_.back().before;
        return;
      case OP_IF_END: {
        if (!InConstruct(false)) return;
        Construct& construct = constructs_.back();
        if (construct.hasElse) {
          for (size_t k = 0; k < written_.size(); ++k) written_[k] &= construct.branchEnd[k];
        } else {
          written_ = construct.before;
        }
        constructs_.pop_back();
        return;
      }
      case OP_LOOP_START:
        if (LoopsOpen() >= kMaxLoopNesting) return Refuse(OneThreadReason::kMayStop, "");
        constructs_.push_back({true, false, Depth(), written_, {}});
        return;
      case OP_LOOP_TEST:
        if (!Pop(&b)) return;
        Use(b);
        if (!InConstruct(true)) return;
        constructs_.back().branchEnd = written_;
        return;
      case OP_LOOP_END:
        if (!InConstruct(true)) return;
        written_ = constructs_.back().branchEnd;
        constructs_.pop_back();
        return;
      case OP_ASSIGN:
        if (!Pop(&b) || !Pop(&a)) return;
        Use(b);
        Write(a.cell, true);
        return Push({a.cell, nullptr});
      case OP_NEG:
        if (!Pop(&b)) return;
        Use(b);
        return Push({nullptr, nullptr, b.constant, -b.value});
      case OP_EXIT:
        if (!Pop(&b)) return;
        Use(b);
        result_.mayExit = true;
        // The pixel ends here; unless the pass ends with it, it is written
        // as "coord" says.
        if (!b.constant || TruncateToInt32(b.value) >= 0) EndOfPixel();
        return Push({nullptr, nullptr});
      default:
        break;
    }
    if (IsBinary(code)) {
      if (!Pop(&b) || !Pop(&a)) return;
      Use(b);
      Use(a);
      return Push({a.cell, nullptr});
    }
    Call(code);
  }

  static bool IsBinary(int32_t code) {
    switch (code) {
#define MORFEL_BINARY_CASE_BINARY(NAME) case OP_##NAME:
#define MORFEL_BINARY_CASE_MARKER(NAME)
#define MORFEL_BINARY_CASE_TEST(NAME)
#define MORFEL_BINARY_CASE_UNARY(NAME)
#define MORFEL_BINARY_CASE_ASSIGN(NAME)
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) \
  MORFEL_BINARY_CASE_##form(NAME)
#include "script/instruction_set.h"
#undef MORFEL_BINARY_CASE_BINARY
#undef MORFEL_BINARY_CASE_MARKER
#undef MORFEL_BINARY_CASE_TEST
#undef MORFEL_BINARY_CASE_UNARY
#undef MORFEL_BINARY_CASE_ASSIGN
      return true;
      default:
        return false;
    }
  }

  void Call(int32_t code) {
    const BuiltinEntry* builtin = FindBuiltinByCode(code);
    if (builtin == nullptr || builtin->handler == nullptr)
      return Refuse(OneThreadReason::kMayStop, "");
    const BuiltinRule rule = RuleFor(builtin->effect);
    if (rule.refusal != OneThreadReason::kNone) return Refuse(rule.refusal, builtin->name);
    if (stack_.empty() || static_cast<int32_t>(stack_.size()) < builtin->stackArgs)
      return Refuse(OneThreadReason::kMayStop, "");
    for (int32_t k = 0; k < builtin->stackArgs; ++k) {
      Use(stack_.back());
      stack_.pop_back();
    }
    for (int32_t k = 0; k < kBuiltinVariableCount; ++k) {
      if ((rule.reads & (1u << k)) != 0) Read(named_[k]);
    }
    for (int32_t k = 0; k < kBuiltinVariableCount; ++k) {
      if ((rule.writes & (1u << k)) != 0) Write(named_[k], true);
      if ((rule.mayWrite & (1u << k)) != 0) Write(named_[k], false);
    }
    if (rule.readsSlots) result_.readsSlots = true;
    Push({nullptr, nullptr});
  }

  int32_t Depth() const { return static_cast<int32_t>(stack_.size()); }

  int32_t LoopsOpen() const {
    int32_t loops = 0;
    for (const Construct& construct : constructs_) loops += construct.isLoop ? 1 : 0;
    return loops;
  }

  // The marker closes or splits the innermost construct, of the kind
  // expected, with the stack as high as when it began; otherwise the code
  // has a shape the engine may stop on, and the analysis does not follow it.
  bool InConstruct(bool loop) {
    if (constructs_.empty() || constructs_.back().isLoop != loop ||
        constructs_.back().depth != Depth()) {
      Refuse(OneThreadReason::kMayStop, "");
      return false;
    }
    return true;
  }

  ScriptEngine& engine_;
  PassAnalysis& result_;
  const int32_t stackLimit_;
  double* named_[kBuiltinVariableCount] = {};  // by BuiltinVariable
  std::unordered_map<double*, int32_t> index_;
  std::vector<uint8_t> written_;  // by IndexOf: written on every path so far
  std::vector<double*> early_;    // read while not yet written on every path
  std::vector<ModelValue> stack_;
  std::vector<Construct> constructs_;
};

}  // namespace

PassAnalysis AnalysePass(ScriptEngine& engine) {
  PassAnalysis result;
  Analyser(engine, &result).Analyse();
  return result;
}

int32_t DescribeThreads(const PassAnalysis& analysis, char* out, int32_t outSize) {
  if (out == nullptr || outSize <= 0) return 0;
  static const char* const kTexts[] = {
#define MORFEL_ONE_THREAD_REASON_TEXT(name, text) text,
      MORFEL_ONE_THREAD_REASONS(MORFEL_ONE_THREAD_REASON_TEXT)
#undef MORFEL_ONE_THREAD_REASON_TEXT
  };
  char reason[160];
  std::snprintf(reason, sizeof reason, kTexts[static_cast<int32_t>(analysis.reason)],
                analysis.name);
  const int written = analysis.Independent()
                          ? std::snprintf(out, static_cast<size_t>(outSize), "several")
                          : std::snprintf(out, static_cast<size_t>(outSize), "one (%s)", reason);
  if (written < 0) return 0;
  return written < outSize ? written : outSize - 1;
}
