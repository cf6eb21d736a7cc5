// The code generator's private header: the emitter that writes a program's
// plan (native_plan.h) out as x86-64, shared by the files that make it up:
//   native_x64.cpp            code memory, Build and its outcome
//   native_x64_frame.cpp      the frame, registers, endings and constants
//   native_x64_lookahead.cpp  what the records around one allow (fusing an
//                             operand into its operator, truth values,
//                             loads nobody reads)
//   native_x64_branches.cpp   a comparison read only by its test
//   native_x64_clamp.cpp      min and max with a constant bound
//   native_x64_update.cpp     a variable updated in its register
//   native_x64_steps.cpp      the code of each record
//   native_x64_row.cpp        the row function's pixel loop
//   native_x64_fetch.cpp      its fetch of the source for coord 1 and 2
//   native_x64_pixels.cpp     the pixel built-ins that read one position
//   native_x64_stencil.cpp    Conv, getb, _Pset and _Tset
//   native_x64_fetch_vector.cpp  the fetch's sampling four doubles at a time
//
// Stack value k lives in xmm k while k < 6 and otherwise in its home in the
// frame; every value has a home, where a built-in finds its arguments. The
// most used variables live in xmm6..xmm12 for the whole run and are stored
// back to their cells (and read again afterwards) around everything that can
// see them: a built-in, the run budget's check and the end of the run; a
// row function keeps the run budget's count in r15d the same way (r15 is
// free between those stores and loads). xmm13..xmm15 are scratch. The double operations are the
// interpreter's, in its order, so every result is the same to the bit.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "script/native_code.h"
#include "script/native_plan.h"

#if defined(__x86_64__) || defined(_M_X64)
#define MORFEL_NATIVE_X64 1
#endif

#if defined(MORFEL_NATIVE_X64)
// xbyak reports a failure (code too long for its buffer) by throwing; Build
// catches it, so nothing is thrown beyond it. (Its other mode keeps the
// error in thread-local storage, which the plug-in, a loaded library,
// should not need.)
#include <xbyak/xbyak.h>

namespace native {
namespace x64 {

// The six comparisons, which give 0 or 1 (native_x64_lookahead.cpp).
bool IsComparison(PlanOperator op);

using Xbyak::Label;
using Xbyak::Reg32;
using Xbyak::Reg64;
using Xbyak::Xmm;

constexpr int32_t kSlotRegisters = 6;
constexpr int32_t kFirstVariableRegister = 6;
constexpr int32_t kVariableRegisters = 7;

#if defined(_WIN32)
constexpr bool kWindowsAbi = true;
#else
constexpr bool kWindowsAbi = false;
#endif

// What the code calls when the run budget's count runs out.
bool KeepGoingFromCode(ScriptEngine* engine);

inline int32_t StoppedCode(StopReason reason) {
  return static_cast<int32_t>(Ending::kStopped) | (static_cast<int32_t>(reason) << 8);
}

// The planes a run's pixel built-ins read, as the machine code finds them in
// its frame: read once on entry and again after every call that might
// change them. `ready` is 0 when the built-ins must be called instead (no
// run bound, planes of another layout, bound cells the code does not know).
struct PlaneView {
  const uint8_t* data;
  int64_t rowLength;
  int64_t width;
  int64_t height;
  int64_t wrapX;  // 256 widths: where the shifted positions start
  int64_t wrapY;
  double shiftX;  // the same as doubles
  double shiftY;
};
enum PlaneIndex : int32_t { kSourceRgb = 0, kSourceT, kDestinationRgb, kDestinationT, kPlanes };
struct PixelPlanes {
  PlaneView plane[kPlanes];
  // The code's own: the image slot getb reads, right after the planes so
  // that it is view kPlanes, and its bytes a pixel.
  PlaneView slot;
  int64_t slotChannels;
  int64_t ready;
  // The code's own: an interpolated read's fractions and their complements.
  double fractionX;
  double fractionY;
  double restX;
  double restY;
};

// What an inlined pixel built-in does with the bytes it reads: yields one,
// sets R, G, B (get) or adds them weighted (add).
enum class PixelRead : uint8_t { kChannel, kGet, kAdd };

// The cells the inlined pixel built-ins read and write, in this order.
enum PixelCell : int32_t {
  kCellCx = 0,
  kCellCy,
  kCellRed,
  kCellGreen,
  kCellBlue,
  kCellOpacity,
  kPixelCells
};

// True for the built-ins native_x64_stencil.cpp writes into the code.
bool InlinesStencil(BuiltinHandler handler);

// Fills `planes` from the engine's run, checking its bound cells against
// `expected` (kPixelCells of them).
void ReadPlanesFromCode(ScriptEngine* engine, PixelPlanes* planes, double* const* expected);

// The cells the pixel driver writes and reads, for a row function.
// The cells the pixel driver writes and reads, for a row function, and
// whether the program names r or t: each pixel then starts with them worked
// out (the driver's own test, over every record, reached or not).
struct RowCells : PixelCells {
  bool polarNamed = false;
};

// The row cells of `engine` for `code`, false when one is missing.
bool FindRowCells(ScriptEngine& engine, const GrowArray<Instruction>& code, RowCells* cells);

// What the row function calls for the polar position, with the driver's
// expressions: r and t (into[0], into[1]) of a loaded position, and the
// position (r, t, cx, cy at polar) fetched for coord 1.
void PolarOfPosition(const double* position, double* into);
void PositionOfPolar(const double* polar, double* position);

// The row function's fetch scratch in its frame, in doubles: the position,
// the polar position's inputs, a saved register, and the Bezier weights of
// each axis, each weight twice (both halves of a register, 16-byte aligned).
// The four-wide sampling keeps its weights in registers, turns the Bezier
// neighbourhood's bytes in the x weights' slots and keeps the last window's
// address in the first y weight's.
enum FetchSlot : int32_t {
  kFetchX = 0,
  kFetchY,
  kFetchR,
  kFetchT,
  kFetchCx,
  kFetchCy,
  kFetchSaved,
  kFetchWeightsX = 8,  // u = 1 - f, 3f, 3f f, f f f
  kFetchWeightsY = kFetchWeightsX + 8,
  kFetchSlots = kFetchWeightsY + 8,
  kFetchLastWindow = kFetchWeightsY,
};

// The operators written with any register or memory operand, so that a
// constant or variable before one fuses into it (the scalar and the lane
// emitters alike).
bool AppliesDirectly(PlanOperator op);
// True when the variable record `index` pushes is read by nothing but the
// assignment into it, on the straight run of records after it.
bool OnlyAssignedTo(const Plan& plan, const std::vector<bool>& jumpTarget, int32_t index);

class Emitter : public Xbyak::CodeGenerator {
 public:
  // With `row`, the function is a row function (CompiledRowFrame) with the
  // program inside its pixel loop; otherwise the program alone.
  Emitter(void* memory, size_t size, const Plan& plan, const NativeProgram& program,
          ScriptEngine& engine, const RowCells* row = nullptr)
      : Xbyak::CodeGenerator(size, memory),
        plan(plan),
        program(program),
        engine(engine),
        row(row),
        count(static_cast<int32_t>(plan.records.size())),
        labels(new Label[static_cast<size_t>(count) + 1]),
        finishes(new Label[static_cast<size_t>(plan.maxDepth) + 1]) {
    const size_t hot = plan.hotCells.size();
    variableCount = static_cast<int32_t>(hot < kVariableRegisters ? hot : kVariableRegisters);
  }

  void Generate();

  int32_t VariableCount() const { return variableCount; }

 private:
  // ---- frame, registers, endings and constants (native_x64_frame.cpp)
  void LayOutFrame();
  Xbyak::Address Home(int32_t k) { return qword[rsp + homeOffset + 8 * k]; }
  static Xmm SlotRegister(int32_t k) { return Xmm(k); }
  static Xmm VariableRegister(int32_t v) { return Xmm(kFirstVariableRegister + v); }
  int32_t VariableIndex(const double* cell) const;
  Xmm Fetch(int32_t k, const Xmm& scratch);
  void Put(int32_t k, const Xmm& value);
  void SpillSlots(int32_t depth);
  void ReloadSlots(int32_t from, int32_t to);
  void StoreVariables();
  void LoadVariables();
  void SpendUnit();
  const Reg64& Argument(int32_t n) const;
  void Prologue();
  void EmitEpilogue();
  void EndWith(int32_t code);
  void EndWithValue(int32_t depth, Ending ending);
  void EmitFinishes();
  const Label& Target(int32_t index, int32_t depth);
  void GoOn(int32_t next, int32_t depth);
  const Label& Constant(double value);
  void EmitConstants();

  // ---- the records around one (native_x64_lookahead.cpp)
  void FindJumpTargets();
  bool FusesWithNext(int32_t index) const;
  static bool GivesTruthValue(PlanOperator op);
  void NoteTruthValue(const PlannedRecord& step);
  static bool IsTruthValue(double value);
  bool EmptiedNext(int32_t index) const;

  // ---- a comparison read only by its test (native_x64_branches.cpp)
  int32_t ComparedTestLength(int32_t index) const;
  void EmitComparedTest(int32_t index, int32_t length);
  // ---- a variable updated in its register (native_x64_update.cpp)
  bool UpdatesInPlace(int32_t index) const;
  void EmitUpdateInPlace(int32_t index);
  // ---- min and max with a constant bound (native_x64_clamp.cpp)
  bool BoundsMinMax(int32_t index) const;
  void EmitBoundedMinMax(int32_t index);

  // ---- each record's code (native_x64_steps.cpp)
  void EmitStep(int32_t index, const PlannedRecord& step);
  void EmitFused(int32_t index);
  void ApplyOperator(PlanOperator op, const Xmm& a, const Xbyak::Operand& b);
  void EmitLoopBack(const PlannedRecord& step);
  void EmitCall(int32_t depth, int32_t takes, BuiltinHandler handler, bool mayMovePlanes = false);
  void TruthMask(const Xmm& into, const Xmm& value, const Xmm& scratch);
  void CombineTruths(PlanOperator op, const Xmm& a, const Xmm& b);
  void EmitOperator(const PlannedRecord& step);
  // min and max in two instructions instead of a call; false for any other
  // built-in.
  bool EmitMinMax(const PlannedRecord& step);

  // ---- pixel built-ins inlined (native_x64_pixels.cpp)
  void FindPixelCells();
  void RefreshPlanes();
  bool EmitPixelCall(const PlannedRecord& step);
  void EmitInterpolatedRead(int32_t plane);
  void InterpolateByte(int32_t channel);
  void TakePixelByte(PixelRead read, int32_t first, int32_t channel, const Xmm& value);
  void FinishPixelRead(PixelRead read, int32_t first);
  int32_t AxisSizeOffset(int32_t view, bool vertical) const;
  int32_t AxisWrapOffset(int32_t view, bool vertical) const;
  void WrapAxis(const Xmm& position, const Reg64& index, int32_t view, bool vertical, Label& slow);
  // ---- Conv, getb, _Pset and _Tset inlined (native_x64_stencil.cpp)
  bool EmitStencilCall(const PlannedRecord& step);
  void CentrePlus(int32_t cell, int32_t argument, const Xmm& into);
  void TruncateOrSlow(const Reg32& into, const Xmm& value, Label& slow);
  void EmitConvolution(int32_t first, int32_t plane, Label& slow, Label& done);
  void EmitConvolutionSide(int32_t first, int32_t plane, int32_t side, Label& slow);
  void WriteConvolutionWindow(int32_t side);
  void ReadSlotView(int32_t first, Label& slow);
  void EmitSlotRead(int32_t first, Label& slow, Label& done);
  void TakeSlotBytes(int32_t first, bool interpolated);
  void WrapPositionAt(int32_t first, int32_t view, Label& slow);
  void EmitColourWrite(int32_t first, Label& slow);
  void EmitOpacityWrite(int32_t first, Label& slow);
  void WholeInside(const Xmm& position, const Reg64& index, int32_t view, bool vertical,
                   Label& other);
  int32_t ViewOffset(int32_t plane) const {
    return planesOffset + static_cast<int32_t>(sizeof(PlaneView)) * plane;
  }

  // ---- the row function's pixel loop (native_x64_row.cpp)
  Xmm ReadVariable(double* cell, const Xmm& scratch);
  void AddVariable(const Xmm& to, double* cell, const Xmm& scratch);
  void WriteVariable(double* cell, const Xmm& value);
  template <typename Pointer>
  void ColumnAddress(Pointer CompiledRowFrame::*field, int32_t step);
  void LoadColour(int32_t offset, double* cell);
  void EmitPixelStart();
  void StoreColour(double* cell, int32_t offset);
  void EmitPixelEnd();
  void EmitPolarStart();

  // ---- the row function's fetch for coord 1 and 2 (native_x64_fetch.cpp)
  void EmitFetch(Label& done);
  void EmitFetchPosition(Label& done);
  void CallHelper(void (*helper)(const double*, double*), const Xbyak::Address& in,
                  int32_t outOffset);
  void CellValue(const double* cell, const Xmm& into);
  void FetchWrap(const Xmm& position, const Reg64& index, bool vertical, Label& slow);
  void LoadSample(const Xmm& into, const Reg64& rowStart, const Reg64& column, int32_t channel);
  void StoreFetchedColours();
  void FetchRound();
  void FetchLinear();
  void BezierWeights(const Xmm& fraction, int32_t offset);
  void BezierSegment(const Xmm* samples, int32_t weights, const Xmm& into);
  void LoadSamplePair(const Xmm& into, const Reg64& upper, const Reg64& lower, const Reg64& column,
                      int32_t channel);
  void FetchBezier();
  Xbyak::Address FetchSlot(int32_t k) { return qword[rsp + fetchOffset + 8 * k]; }

  // ---- its Linear and Bezier four doubles at a time (native_x64_fetch_vector.cpp)
  bool VectorFetch() const;
  void LoadBytesAsDoubles(const Xbyak::Ymm& into, const Xbyak::Address& bytes);
  void StoreFetchedVector(const Xbyak::Ymm& colours);
  void FetchLinearVector(Label& scalar);
  void PrefetchNextWindow(const Reg64& row, std::initializer_list<Reg64> rows);
  void BezierWeightsVector(const Xmm& fraction);
  void BezierCurveVector(const Xbyak::Ymm* points, const Xbyak::Ymm& into);
  void FetchBezierVector(Label& scalar);

  const Plan& plan;
  const NativeProgram& program;
  ScriptEngine& engine;
  const RowCells* row;
  std::vector<bool> jumpTarget;  // by record index, count included
  std::vector<bool> truthValue;  // by stack slot, while writing the code
  Label pixelLoop;
  Label pixelDone;
  Label rowDone;
  Label byteMax;
  Label thirds;  // 1/3 in both halves
  const int32_t count;
  std::unique_ptr<Label[]> labels;
  std::unique_ptr<Label[]> finishes;
  Label epilogue;
  Label one;
  Label absMask;
  Label signMask;
  Label emptyText;
  std::vector<std::pair<uint64_t, std::unique_ptr<Label>>> constants;
  int32_t variableCount = 0;
  // With pixel built-ins inlined: their cells, and the planes in the frame.
  bool inlinesPixels = false;
  double* pixelCells[kPixelCells] = {};
  Label pixelCellTable;
  // Conv's sums over a 3x3 and a 5x5 window, written once where first used.
  Label convolutionWindow[2];
  bool convolutionWritten[2] = {false, false};
  int32_t planesOffset = 0;
  int32_t fetchOffset = 0;  // a row function's fetch: kFetchSlots doubles
  int32_t homeOffset = 0;
  int32_t saveOffset = 0;
  int32_t frameSize = 0;
};

// The offset of `field` in CompiledRowFrame, for addressing it from code.
template <typename Field>
int32_t FrameOffset(Field CompiledRowFrame::*field) {
  static const CompiledRowFrame frame{};
  return static_cast<int32_t>(reinterpret_cast<const char*>(&(frame.*field)) -
                              reinterpret_cast<const char*>(&frame));
}

// The offset of the run budget's count in the engine.
inline int32_t WorkLeftOffset(const ScriptEngine& engine) {
  return static_cast<int32_t>(reinterpret_cast<const char*>(&engine.workLeft) -
                              reinterpret_cast<const char*>(&engine));
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
