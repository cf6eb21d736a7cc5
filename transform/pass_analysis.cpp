// Whether the pixels of a pass are independent of each other, so that its
// rows may run on several threads and still leave exactly what one thread
// leaves. The paths of the Transform code are those of its plan (script.h),
// the walk the code generator writes machine code from: records no path
// reaches are left out, and each record's stack and successors are the
// plan's. Along them the analysis follows which variables are written on
// every path so far (where paths meet, only what all of them wrote) and
// which are read before that.
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

// A set of variables, one flag per cell of the program (CellIndex).
using CellSet = std::vector<uint8_t>;

class Analyser {
 public:
  Analyser(ScriptEngine& engine, PassAnalysis* result) : engine_(engine), result_(*result) {
    for (int32_t k = 0; k < kBuiltinVariableCount; ++k)
      named_[k] = engine.BuiltinCell(static_cast<BuiltinVariable>(k));
  }

  void Analyse() {
    const GrowArray<Instruction>* code = engine_.ProgramAt(ProgramSlot::kTransform);
    if (code == nullptr) return Refuse(OneThreadReason::kMayStop, "");
    code_ = code->data;
    PlanProgram(code->data, code->size, engine_.StackLimit(), &plan_);
    // Code whose paths bring different stacks to one record (odd texts such
    // as "if ((a, b))") is not followed: nothing is claimed for it.
    if (!plan_.ok) return Refuse(OneThreadReason::kMayStop, "");
    IndexCells();
    StartPixel(engine_.NamesOnDemandVariable(ProgramSlot::kTransform));
    const int32_t count = static_cast<int32_t>(plan_.records.size());
    for (int32_t i = 0; i <= count && Going(); ++i) {
      Arrive(i);
      if (!live_) continue;
      if (i == count)
        EndOfPixel();
      else
        Follow(i, plan_.records[static_cast<size_t>(i)]);
    }
    if (!Going()) return;
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

  // Numbers the cells the driver and the program name, and notes which
  // records a jump or a loop going round reaches.
  void IndexCells() {
    for (double* cell : named_) CellIndex(cell);
    const size_t count = plan_.records.size();
    jumpedTo_.assign(count + 1, false);
    for (const PlannedRecord& record : plan_.records) {
      CellIndex(record.cell);
      if (record.action == PlanAction::kJump || record.action == PlanAction::kTest ||
          record.action == PlanAction::kLoopBack)
        jumpedTo_[static_cast<size_t>(record.target)] = true;
    }
    written_.assign(index_.size(), 0);
    arrivals_.assign(count + 1, CellSet{});
    arrived_.assign(count + 1, false);
  }

  int32_t CellIndex(double* cell) {
    if (cell == nullptr) return -1;
    return index_.emplace(cell, static_cast<int32_t>(index_.size())).first->second;
  }

  bool WrittenNow(double* cell) {
    return cell != nullptr && written_[static_cast<size_t>(CellIndex(cell))] != 0;
  }

  // A read of the cell now, by the driver, a built-in or the program.
  void Read(double* cell) {
    if (cell != nullptr && !WrittenNow(cell) && !Contains(early_, cell)) early_.push_back(cell);
  }

  void Write(double* cell, bool onEveryPath) {
    if (cell == nullptr) return;
    if (!Contains(result_.written, cell)) result_.written.push_back(cell);
    if (onEveryPath) written_[static_cast<size_t>(CellIndex(cell))] = 1;
  }

  // The driver reads the centre and then loads the position and colour
  // before every pixel (r and t only for a program that names them).
  void StartPixel(bool onDemand) {
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
    live_ = true;
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

  // Record `index` is reached from the one before it (live_) and by the
  // jumps to it: only what every path wrote counts as written. A loop going
  // round brings back what its first round began with and more, so it adds
  // nothing to what is written on every path.
  void Arrive(int32_t index) {
    if (!arrived_[static_cast<size_t>(index)]) return;
    CellSet& jumped = arrivals_[static_cast<size_t>(index)];
    if (!live_) {
      written_ = jumped;
    } else {
      for (size_t k = 0; k < written_.size(); ++k) written_[k] &= jumped[k];
    }
    live_ = true;
    CellSet().swap(jumped);
  }

  void JumpTo(int32_t index, int32_t target) {
    if (target <= index) return;  // a loop going round
    CellSet& jumped = arrivals_[static_cast<size_t>(target)];
    if (!arrived_[static_cast<size_t>(target)]) {
      arrived_[static_cast<size_t>(target)] = true;
      jumped = written_;
    } else {
      for (size_t k = 0; k < written_.size(); ++k) jumped[k] &= written_[k];
    }
  }

  void Follow(int32_t index, const PlannedRecord& record) {
    switch (record.action) {
      case PlanAction::kUnreached:
      case PlanAction::kStop:
        live_ = false;
        if (record.action == PlanAction::kStop) Refuse(OneThreadReason::kMayStop, "");
        return;
      case PlanAction::kVar:
        if (record.valueRead) Read(record.cell);
        return;
      case PlanAction::kAssign:
        return Write(record.cell, true);
      case PlanAction::kJump:
      case PlanAction::kLoopBack:
        live_ = false;
        return JumpTo(index, record.target);
      case PlanAction::kTest:
        return JumpTo(index, record.target);
      case PlanAction::kExit:
        live_ = false;
        result_.mayExit = true;
        // The pixel ends here; unless the pass ends with it, it is written
        // as "coord" says.
        if (!EndsThePass(index)) EndOfPixel();
        return;
      case PlanAction::kCall:
        return Call(code_[index].code);
      default:
        return;
    }
  }

  // The exit at `index` takes a number written in the text (behind any
  // minus signs, with no path joining in between) that ends the pass.
  bool EndsThePass(int32_t index) const {
    double sign = 1.0;
    int32_t k = index - 1;
    for (; k >= 0 && !jumpedTo_[static_cast<size_t>(k) + 1]; --k) {
      const PlannedRecord& record = plan_.records[static_cast<size_t>(k)];
      if (record.action == PlanAction::kConst) return TruncateToInt32(sign * record.value) < 0;
      if (record.action != PlanAction::kOperator || record.op != PlanOperator::kNegate) break;
      sign = -sign;
    }
    return false;
  }

  void Call(int32_t code) {
    const BuiltinEntry* builtin = FindBuiltinByCode(code);
    if (builtin == nullptr) return Refuse(OneThreadReason::kMayStop, "");
    const BuiltinRule rule = RuleFor(builtin->effect);
    if (rule.refusal != OneThreadReason::kNone) return Refuse(rule.refusal, builtin->name);
    for (int32_t k = 0; k < kBuiltinVariableCount; ++k) {
      if ((rule.reads & (1u << k)) != 0) Read(named_[k]);
    }
    for (int32_t k = 0; k < kBuiltinVariableCount; ++k) {
      if ((rule.writes & (1u << k)) != 0) Write(named_[k], true);
      if ((rule.mayWrite & (1u << k)) != 0) Write(named_[k], false);
    }
    if (rule.readsSlots) result_.readsSlots = true;
  }

  ScriptEngine& engine_;
  PassAnalysis& result_;
  const Instruction* code_ = nullptr;
  ProgramPlan plan_;
  double* named_[kBuiltinVariableCount] = {};  // by BuiltinVariable
  std::unordered_map<double*, int32_t> index_;
  std::vector<bool> jumpedTo_;     // by record: a jump or a loop going round reaches it
  bool live_ = false;              // the record being followed is reached
  CellSet written_;                // by CellIndex: written on every path so far
  std::vector<bool> arrived_;      // by record: a jump to it was followed
  std::vector<CellSet> arrivals_;  // ... and what every such jump wrote
  std::vector<double*> early_;     // read while not yet written on every path
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
