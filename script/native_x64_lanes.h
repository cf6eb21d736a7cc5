// The code generator's vector lanes, private to it: a row function that runs
// four neighbouring pixels at once in the 256-bit registers of AVX2, or
// eight in the 512-bit ones of AVX-512, for programs whose Transform is
// arithmetic, comparisons, ifs and loops alone.
//   native_x64_lanes_shape.cpp  which programs the lanes can run, and how
//                               they keep each variable
//   native_x64_lanes.cpp        the code: a group of pixels a turn
//   native_x64_lanes_group.cpp  a group's pixels loaded, stored and handed
//                               back to the cells
//
// Every lane does the scalar code's double operations in its order (no fused
// multiply-add), so each pixel's result is the same to the bit. An if or a
// loop runs under a mask of the lanes that take it; a lane that leaves a
// loop waits, masked, for the others. A group whose pixels the lanes cannot
// finish exactly (the run budget's check falls inside it, a coord other than
// 0, fewer pixels left than lanes) changes nothing and is handed to the
// scalar row function, which runs it pixel by pixel as before.
//
// Registers: ymm0..5 the stack's first values (the rest in homes in the
// frame), ymm6..11 the most used variables, ymm12 the mask of running lanes,
// ymm13..15 scratch. Every variable has a slot in the frame, as wide as the
// lanes. Eight lanes are no slower a turn than four, so a loop that runs
// near the latency of its one chain of operations does twice the pixels in
// the same time: the 512-bit form keeps the same registers (zmm0..15) and
// holds its masks the same way, as all-one lanes, going through k1 only
// where a comparison, a blend or a count needs it.
#pragma once

#include <cstdint>
#include <vector>

#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)

namespace native {
namespace x64 {

constexpr int32_t kLanes = 4;
constexpr int32_t kWideLanes = 8;

// True when this processor and its system run the lanes' instructions:
// AVX2 with the system saving the 256-bit registers (XGETBV), and POPCNT.
bool LanesRunHere();
// The same for eight lanes: AVX-512 F, DQ and VL with the system saving the
// 512-bit registers.
bool WideLanesRunHere();

// How the lanes keep a variable across a group of pixels.
enum class LaneVariable : uint8_t {
  kReadOnly,  // never assigned by the program: its cell's value in every lane
  kLoaded,    // set by the driver for every pixel (x y R G B T)...
  kDriven,    // ...and never assigned: the last pixel's, written on leaving
  kWhole,     // assigned on every path: lane 3 gives its cell
  kTracked,   // assigned on some paths: the last lane that assigned it does
};

// An if (opened by its IF-TEST) or a while loop (by its LOOP-START).
struct LaneBlock {
  bool loop = false;
  int32_t test = 0;       // the IF-TEST or LOOP-TEST record
  int32_t elseJump = -1;  // an if's ELSE record, or -1
  int32_t end = 0;        // the record after the statement
};

struct LanesShape {
  std::vector<double*> cells;  // every variable the lanes keep
  std::vector<LaneVariable> kinds;
  std::vector<int32_t> blockAt;  // by record: index in blocks, or -1
  std::vector<LaneBlock> blocks;
  std::vector<bool> jumpTarget;  // by record, the end included
  int32_t nesting = 0;           // ifs and loops inside each other, at most
  int32_t x = -1, y = -1, cx = -1, cy = -1, coord = -1;
  int32_t colour[4] = {-1, -1, -1, -1};  // B G R T, as the bytes lie
  bool ok = false;
  char reason[96] = {};
};

// Whether the lanes run `plan` (of `records`) exactly, and how.
void ShapeLanes(const Plan& plan, const Instruction* records, const RowCells& row,
                LanesShape* shape);

// Writes the lanes' row function after the program's code, for a program
// with a row function on a processor that runs the lanes (eight of them
// where the processor has them and the engine allows): where it starts, or
// 0 when there is none. Sets the program's lanesWidth.
size_t WriteLanes(NativeProgram& program, const Plan& plan, ScriptEngine& engine,
                  const RowCells& row);

class LanesEmitter : public Xbyak::CodeGenerator {
 public:
  LanesEmitter(void* memory, size_t size, const Plan& plan, const LanesShape& shape,
               ScriptEngine& engine, int32_t lanes);
  void Generate();

 private:
  using Ymm = Xbyak::Ymm;
  // ---- frame, values and variables (native_x64_lanes.cpp)
  void LayOutFrame();
  void Prologue();
  void EmitEpilogue();
  Xbyak::Address Home(int32_t k) { return ptr[rsp + homeOffset + width * k]; }
  Xbyak::Address Slot(int32_t v) { return ptr[rsp + slotOffset + width * v]; }
  Xbyak::Address InvariantSlot(int32_t k) { return ptr[rsp + invariantOffset + width * k]; }
  Xbyak::Address KeptSlot(size_t k) {
    return ptr[rsp + keptOffset + width * static_cast<int32_t>(k)];
  }
  Xbyak::Address MaskOf(int32_t v) { return ptr[rsp + maskOffset + width * v]; }
  Xbyak::Address SavedMask(int32_t level) { return ptr[rsp + nestOffset + 2 * width * level]; }
  Xbyak::Address Condition(int32_t level) {
    return ptr[rsp + nestOffset + 2 * width * level + width];
  }
  // Vector register k as wide as the lanes; and its half, which holds a
  // 32-bit integer a lane.
  Ymm V(int32_t k) const {
    return wide ? Ymm(k, Xbyak::Operand::ZMM, 512) : Ymm(k, Xbyak::Operand::YMM, 256);
  }
  Xbyak::Xmm Narrow(int32_t k) const { return wide ? Xbyak::Xmm(Ymm(k)) : Xbyak::Xmm(k); }
  // The instructions that differ between the forms: a comparison into a
  // mask of all-one lanes, a mask's sign bits into a general register, a
  // blend under a mask, every lane set.
  void CompareInto(const Ymm& into, const Ymm& a, const Xbyak::Operand& b, uint8_t predicate);
  void MoveMask(const Xbyak::Reg32& into, const Ymm& mask);
  void Blend(const Ymm& into, const Ymm& a, const Ymm& b, const Ymm& mask);
  void SetAllOnes(const Ymm& into);
  int32_t RegisterOf(int32_t v) const { return registerOf[static_cast<size_t>(v)]; }
  int32_t VariableOf(const double* cell) const;
  Ymm Fetch(int32_t k, const Ymm& scratch);
  void Put(int32_t k, const Ymm& value);
  Ymm ReadVariable(int32_t v, const Ymm& scratch);
  void SetVariable(int32_t v, const Ymm& value);  // every lane
  void AssignVariable(int32_t v, const Ymm& value);
  const Xbyak::Label& Constant(double value);
  void EmitConstants();

  // ---- the program's records (native_x64_lanes.cpp)
  void FindInvariants();
  void FindInvariantsOf(const LaneBlock& block, int32_t start);
  void EmitRange(int32_t begin, int32_t end, bool hoisting = false);
  int32_t EmitIf(int32_t index);
  int32_t EmitLoop(int32_t index);
  void EmitStep(int32_t index);
  bool FusesWithNext(int32_t index) const;
  int32_t EmitFused(int32_t index, int32_t end, const Ymm* first = nullptr);
  int32_t ApplyFused(int32_t index, int32_t end, const Ymm* first, const Xbyak::Operand& second);
  int32_t AssignedAlone(int32_t index, int32_t end, int32_t slot) const;
  bool TakesAsOperand(int32_t index, int32_t slot) const;
  bool ReadsIntoFused(int32_t index, bool hoisting) const;
  void EmitOperator(const PlannedRecord& step);
  void ApplyOperator(PlanOperator op, const Ymm& into, const Ymm& a, const Xbyak::Operand& b);
  void TestMask(int32_t depth);
  void MaskIsEmpty();

  // ---- a group of pixels (native_x64_lanes_group.cpp)
  void EmitGroupStart();
  void EmitGroupEnd();
  void StoreBytes();
  void ClampToBytes(int32_t v, const Xbyak::Xmm& into, const Ymm& scratch);
  void CarryToCells();
  void EmitLastPixel();
  void EmitHandOver();

  const Plan& plan;
  const LanesShape& shape;
  ScriptEngine& engine;
  const int32_t count;
  const int32_t lanes;
  const bool wide;                  // eight lanes in the 512-bit registers
  const int32_t width;              // bytes of one value's lanes
  std::vector<int32_t> registerOf;  // by variable: ymm index, or -1
  int32_t nesting = 0;              // ifs and loops around the code being written
  // What each stack slot holds on the straight run being written: a
  // comparison's result stays a mask of all-one lanes until a number is
  // needed, which is 1.0 where the mask is set.
  enum class Held : uint8_t { kNumber, kTruth, kMask };  // kTruth: 0.0 or 1.0
  std::vector<Held> held;
  void ForgetHeld() { held.assign(held.size(), Held::kNumber); }
  void MakeNumber(int32_t k);
  // Values a loop computes alike on every turn, from variables it never
  // assigns: worked out once before it, each into a slot of its own.
  struct Invariant {
    int32_t loop;   // its LOOP-START
    int32_t first;  // its records
    int32_t last;
  };
  std::vector<Invariant> invariants;
  std::vector<int32_t> invariantAt;  // by record: the one that starts there, or -1
  int32_t invariantOffset = 0;
  // In a loop every lane computes and assignments do not blend: each
  // variable the loop assigns is kept, at every test, for the lanes that
  // were running, and comes back from there when the loop ends. Only code
  // under an if blends what it assigns.
  struct Kept {
    int32_t loop;  // its LOOP-START
    int32_t variable;
  };
  std::vector<Kept> kept;
  int32_t keptOffset = 0;
  bool blending = false;
  Xbyak::Label groupLoop;
  Xbyak::Label replay;
  Xbyak::Label handOver;
  Xbyak::Label epilogue;
  Xbyak::Label one;
  Xbyak::Label absMask;
  Xbyak::Label signMask;
  Xbyak::Label byteMax;
  Xbyak::Label laneSteps;
  Xbyak::Label spread[3];
  Xbyak::Label pack;
  std::vector<std::pair<uint64_t, std::unique_ptr<Xbyak::Label>>> constants;
  int32_t homeOffset = 0;
  int32_t slotOffset = 0;
  int32_t maskOffset = 0;
  int32_t nestOffset = 0;
  int32_t laneOffset = 0;  // one value's lanes, to pick one from
  int32_t workOffset = 0;  // the run budget's count as the group found it
  int32_t saveOffset = 0;
  int32_t frameSize = 0;
};

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
