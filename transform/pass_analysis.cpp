// Whether the pixels of a pass are independent of each other, so that its
// rows may run on several threads and still leave exactly what one thread
// leaves. The Transform code is followed once, record by record, with a
// model of the value stack (which value came from which variable, read
// when) and of the variables written on every path so far; if, else and
// while are followed by their markers, so each branch and a loop's first
// round start from what held before them.
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "script/script.h"
#include "transform/transform.h"

namespace {

// The variables the driver and the built-ins reach by name.
enum Named : int32_t {
  kX,
  kY,
  kPolarR,
  kPolarT,
  kCx,
  kCy,
  kRed,
  kGreen,
  kBlue,
  kAlpha,
  kH,
  kL,
  kS,
  kCoord,
  kNamedCount
};
constexpr const char* kNamedVariables[kNamedCount] = {"x", "y", "r", "t", "cx", "cy", "R",
                                                      "G", "B", "T", "H", "L",  "S",  "coord"};

constexpr uint32_t Bit(Named named) { return 1u << named; }
constexpr uint32_t kCentre = Bit(kCx) | Bit(kCy);
constexpr uint32_t kColour = Bit(kRed) | Bit(kGreen) | Bit(kBlue);

// What a built-in does besides computing its value.
struct BuiltinRule {
  const char* name;
  OneThreadReason refusal;  // kNone when pixels may call it independently
  uint32_t reads;           // named variables read through the engine's cells
  uint32_t writes;          // ... written on every call
  uint32_t mayWrite;        // ... written on some calls
  bool readsSlots;
};

constexpr OneThreadReason kFree = OneThreadReason::kNone;

// Every built-in but exit, which the analysis follows itself. One missing
// here is refused (kUnknownBuiltin), never guessed.
constexpr BuiltinRule kBuiltinRules[] = {
    {"sin", kFree, 0, 0, 0, false},
    {"cos", kFree, 0, 0, 0, false},
    {"tan", kFree, 0, 0, 0, false},
    {"exp", kFree, 0, 0, 0, false},
    {"log", kFree, 0, 0, 0, false},
    {"pow", kFree, 0, 0, 0, false},
    {"abs", kFree, 0, 0, 0, false},
    {"sqrt", kFree, 0, 0, 0, false},
    {"rand", OneThreadReason::kRandom, 0, 0, 0, false},
    {"srand", OneThreadReason::kRandom, 0, 0, 0, false},
    {"int", kFree, 0, 0, 0, false},
    {"acos", kFree, 0, 0, 0, false},
    {"asin", kFree, 0, 0, 0, false},
    {"atan2", kFree, 0, 0, 0, false},
    {"min", kFree, 0, 0, 0, false},
    {"max", kFree, 0, 0, 0, false},
    {"sgn", kFree, 0, 0, 0, false},
    {"get", kFree, kCentre | Bit(kGreen), kColour, 0, false},
    {"_get", OneThreadReason::kReadsResult, 0, 0, 0, false},
    {"add", kFree, kCentre | kColour, kColour, 0, false},
    {"_add", OneThreadReason::kReadsResult, 0, 0, 0, false},
    {"getb", kFree, kCentre | Bit(kGreen), 0, kColour, true},
    {"R", kFree, kCentre, 0, 0, false},
    {"G", kFree, kCentre, 0, 0, false},
    {"B", kFree, kCentre, 0, 0, false},
    {"T", kFree, kCentre, 0, 0, false},
    {"_R", OneThreadReason::kReadsResult, 0, 0, 0, false},
    {"_G", OneThreadReason::kReadsResult, 0, 0, 0, false},
    {"_B", OneThreadReason::kReadsResult, 0, 0, 0, false},
    {"_T", OneThreadReason::kReadsResult, 0, 0, 0, false},
    {"HLS", kFree, 0, Bit(kH) | Bit(kL) | Bit(kS), 0, false},
    {"RGB", kFree, 0, kColour, 0, false},
    {"SetMatrix3", OneThreadReason::kSetsMatrix, 0, 0, 0, false},
    {"SetMatrix5", OneThreadReason::kSetsMatrix, 0, 0, 0, false},
    {"LoadBmp", OneThreadReason::kLoadsImage, 0, 0, 0, false},
    {"LoadBmpNum", OneThreadReason::kLoadsImage, 0, 0, 0, false},
    {"Conv", kFree, kCentre | Bit(kGreen), 0, kColour | Bit(kAlpha), false},
    {"_Conv", OneThreadReason::kReadsResult, 0, 0, 0, false},
    {"_Fill", OneThreadReason::kWritesResult, 0, 0, 0, false},
    {"_FillT", OneThreadReason::kWritesResult, 0, 0, 0, false},
    {"_Copy", OneThreadReason::kWritesResult, 0, 0, 0, false},
    {"_Draw", OneThreadReason::kWritesResult, 0, 0, 0, false},
    {"_DrawT", OneThreadReason::kWritesResult, 0, 0, 0, false},
    {"_Pset", OneThreadReason::kWritesResult, 0, 0, 0, false},
    {"_Tset", OneThreadReason::kWritesResult, 0, 0, 0, false},
    {"xs", kFree, 0, 0, 0, true},
    {"ys", kFree, 0, 0, 0, true},
    {"clean", OneThreadReason::kChangesSource, 0, 0, 0, false},
};

const BuiltinRule* RuleFor(const char* name) {
  for (const BuiltinRule& rule : kBuiltinRules) {
    if (std::strcmp(rule.name, name) == 0) return &rule;
  }
  return nullptr;
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
      : engine_(engine), result_(*result), stackLimit_(StackLimit(engine)) {
    for (int32_t k = 0; k < kNamedCount; ++k) named_[k] = engine.VariableCell(kNamedVariables[k]);
  }

  void Analyse() {
    const GrowArray<Instruction>* code = engine_.ProgramAt(ProgramSlot::kTransform);
    if (code == nullptr) return Refuse(OneThreadReason::kMayStop, "");
    bool polar = false;
    for (int32_t i = 0; i < code->size; ++i) {
      const Instruction& record = code->data[i];
      if (record.kind == KIND_VAR &&
          (record.cell == named_[kPolarR] || record.cell == named_[kPolarT]))
        polar = true;
    }
    // The driver loads the position and colour before every pixel (r and t
    // only for a program that names them) after reading cx and cy.
    Read(named_[kCx]);
    Read(named_[kCy]);
    for (Named loaded : {kX, kY, kRed, kGreen, kBlue, kAlpha}) Write(named_[loaded], true);
    if (polar) {
      Write(named_[kPolarR], true);
      Write(named_[kPolarT], true);
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
  static int32_t StackLimit(const ScriptEngine& engine) {
    return engine.valueStack.size < engine.addressStack.size ? engine.valueStack.size
                                                             : engine.addressStack.size;
  }

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
    for (Named read : {kCoord, kX, kY, kPolarR, kPolarT, kCx, kCy, kRed, kGreen, kBlue, kAlpha})
      Read(named_[read]);
  }

  const char* NameOf(const double* cell) const {
    const ValueList& table = engine_.variableTable;
    for (int index = 0; index < table.count(); ++index)
      if (table.ValueAt(index) == cell) return table.NameAt(index);
    return "";
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
    const BuiltinRule* rule = RuleFor(builtin->name);
    if (rule == nullptr) return Refuse(OneThreadReason::kUnknownBuiltin, builtin->name);
    if (rule->refusal != OneThreadReason::kNone) return Refuse(rule->refusal, builtin->name);
    if (stack_.empty() || static_cast<int32_t>(stack_.size()) < builtin->stackArgs)
      return Refuse(OneThreadReason::kMayStop, "");
    for (int32_t k = 0; k < builtin->stackArgs; ++k) {
      Use(stack_.back());
      stack_.pop_back();
    }
    for (int32_t k = 0; k < kNamedCount; ++k) {
      if ((rule->reads & (1u << k)) != 0) Read(named_[k]);
    }
    for (int32_t k = 0; k < kNamedCount; ++k) {
      if ((rule->writes & (1u << k)) != 0) Write(named_[k], true);
      if ((rule->mayWrite & (1u << k)) != 0) Write(named_[k], false);
    }
    if (rule->readsSlots) result_.readsSlots = true;
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
  double* named_[kNamedCount] = {};
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
