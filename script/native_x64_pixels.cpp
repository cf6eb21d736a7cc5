// The pixel built-ins that read one position of a run's plane (R(x,y) and
// its kin, get, add and their destination forms) written into the code
// instead of called. builtin_pixel.cpp is the reference: the position is
// shifted, wrapped and split into pixel and fraction with the same double
// operations, a whole position reads its pixel's bytes (what the
// interpolation gives when both fractions are 0), and a position between
// pixels interpolates the four around it in the built-in's order. A
// position outside the image costs one integer remainder; anything unusual
// (a position left of the shifted range, NaN or infinity, no run bound)
// calls the built-in as before.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)
#include <cstddef>

#include "script/builtin_support.h"
#include "script/builtins.h"

namespace native {
namespace x64 {

namespace {

struct InlinedBuiltin {
  BuiltinHandler handler;
  PixelRead read;
  int32_t plane;
  int32_t byte;  // kChannel: the byte within the pixel
};

constexpr InlinedBuiltin kInlined[] = {
    {&BuiltinSrcR, PixelRead::kChannel, kSourceRgb, 2},
    {&BuiltinSrcG, PixelRead::kChannel, kSourceRgb, 1},
    {&BuiltinSrcB, PixelRead::kChannel, kSourceRgb, 0},
    {&BuiltinSrcT, PixelRead::kChannel, kSourceT, 0},
    {&BuiltinDstR, PixelRead::kChannel, kDestinationRgb, 2},
    {&BuiltinDstG, PixelRead::kChannel, kDestinationRgb, 1},
    {&BuiltinDstB, PixelRead::kChannel, kDestinationRgb, 0},
    {&BuiltinDstT, PixelRead::kChannel, kDestinationT, 0},
    {&BuiltinGet, PixelRead::kGet, kSourceRgb, 0},
    {&BuiltinDstGet, PixelRead::kGet, kDestinationRgb, 0},
    {&BuiltinAdd, PixelRead::kAdd, kSourceRgb, 0},
    {&BuiltinDstAdd, PixelRead::kAdd, kDestinationRgb, 0},
};

const InlinedBuiltin* FindInlined(BuiltinHandler handler) {
  for (const InlinedBuiltin& entry : kInlined)
    if (entry.handler == handler) return &entry;
  return nullptr;
}

constexpr BoundCell kBoundOfPixelCell[kPixelCells] = {CELL_CX, CELL_CY, CELL_R,
                                                      CELL_G,  CELL_B,  CELL_T};
constexpr BuiltinVariable kVariableOfPixelCell[kPixelCells] = {
    BuiltinVariable::kCx,    BuiltinVariable::kCy,   BuiltinVariable::kRed,
    BuiltinVariable::kGreen, BuiltinVariable::kBlue, BuiltinVariable::kAlpha};
// The colour cell a byte of an RGB pixel (blue first) goes to.
constexpr PixelCell kCellOfByte[kColourBytes] = {kCellBlue, kCellGreen, kCellRed};

int32_t Offset(size_t offset) { return static_cast<int32_t>(offset); }

bool IsColourPlane(int32_t plane) { return plane == kSourceRgb || plane == kDestinationRgb; }

bool TakesByte(const InlinedBuiltin& builtin, int32_t byte) {
  return builtin.read != PixelRead::kChannel || builtin.byte == byte;
}

}  // namespace

void ReadPlanesFromCode(ScriptEngine* engine, PixelPlanes* planes, double* const* expected) {
  planes->ready = 0;
  if (!HasBoundRun(*engine)) return;
  for (int32_t k = 0; k < kPixelCells; ++k)
    if (engine->boundCells[kBoundOfPixelCell[k]] != expected[k]) return;
  const RgbtImage* images[kPlanes] = {engine->srcRgb, engine->srcT, engine->dstRgb, engine->dstT};
  constexpr int32_t kChannels[kPlanes] = {kColourBytes, 1, kColourBytes, 1};
  for (int32_t p = 0; p < kPlanes; ++p) {
    const RgbtImage& image = *images[p];
    if (image.channels != kChannels[p]) return;
    PlaneView& view = planes->plane[p];
    view.data = image.data;
    view.rowLength = image.rowLength;
    view.width = image.width;
    view.height = image.height;
    view.wrapX = int64_t{256} * image.width;
    view.wrapY = int64_t{256} * image.height;
    view.shiftX = 256.0 * image.width;
    view.shiftY = 256.0 * image.height;
  }
  planes->ready = 1;
}

void Emitter::FindPixelCells() {
  inlinesPixels = false;
  bool any = false;
  for (const PlannedRecord& step : plan.records)
    if (step.action == PlanAction::kCall &&
        (FindInlined(step.handler) != nullptr || InlinesStencil(step.handler)))
      any = true;
  if (!any) return;
  for (int32_t k = 0; k < kPixelCells; ++k) {
    pixelCells[k] = engine.BuiltinCell(kVariableOfPixelCell[k]);
    if (pixelCells[k] == nullptr) return;
  }
  inlinesPixels = true;
}

// Reads the planes into the frame. Every register but the frame's own is
// lost: callers have their values in memory.
void Emitter::RefreshPlanes() {
  if (!inlinesPixels) return;
  mov(Argument(0), rbx);
  lea(Argument(1), ptr[rsp + planesOffset]);
  lea(Argument(2), ptr[rip + pixelCellTable]);
  mov(r10, reinterpret_cast<uint64_t>(&ReadPlanesFromCode));
  call(r10);
}

// Where the frame holds a plane view's size along an axis, and the 256
// sizes its positions are shifted by.
int32_t Emitter::AxisSizeOffset(int32_t view, bool vertical) const {
  return view + Offset(vertical ? offsetof(PlaneView, height) : offsetof(PlaneView, width));
}
int32_t Emitter::AxisWrapOffset(int32_t view, bool vertical) const {
  return view + Offset(vertical ? offsetof(PlaneView, wrapY) : offsetof(PlaneView, wrapX));
}

// position = shifted position on entry; on exit its fraction, with the
// wrapped pixel index in `index`. rax, rdx and xmm15 are scratch. Goes to
// `slow` for positions below 0 (where floor and truncation part), NaN and
// beyond 2^63, which the built-in handles.
void Emitter::WrapAxis(const Xmm& position, const Reg64& index, int32_t view, bool vertical,
                       Label& slow) {
  const int32_t size = AxisSizeOffset(view, vertical);
  const int32_t wrap = AxisWrapOffset(view, vertical);
  xorpd(xmm15, xmm15);
  ucomisd(position, xmm15);
  jb(slow, T_NEAR);  // below 0 or unordered
  cvttsd2si(rax, position);
  test(rax, rax);
  js(slow, T_NEAR);  // too large for the conversion
  cvtsi2sd(xmm15, rax);
  subsd(position, xmm15);
  // Inside the image the shifted whole is just 256 sizes on.
  Label inside;
  mov(index, rax);
  sub(index, qword[rsp + wrap]);
  cmp(index, qword[rsp + size]);
  jb(inside, T_NEAR);
  xor_(edx, edx);
  div(qword[rsp + size]);
  mov(index, rdx);
  L(inside);
}

// The common case in a few instructions: a shifted position that is a whole
// number inside the 256th copy of the image, whose pixel index is just the
// whole minus 256 sizes (what WrapAxis gives it, with a fraction of 0).
// Anything else, NaN, negatives and the far out included, goes to `other`
// with `position` as it was. xmm15 is scratch.
void Emitter::WholeInside(const Xmm& position, const Reg64& index, int32_t view, bool vertical,
                          Label& other) {
  const int32_t size = AxisSizeOffset(view, vertical);
  const int32_t wrap = AxisWrapOffset(view, vertical);
  cvttsd2si(index, position);
  xorpd(xmm15, xmm15);
  cvtsi2sd(xmm15, index);
  ucomisd(position, xmm15);
  jp(other, T_NEAR);
  jne(other, T_NEAR);
  sub(index, qword[rsp + wrap]);
  cmp(index, qword[rsp + size]);
  jae(other, T_NEAR);
}

bool Emitter::EmitPixelCall(const PlannedRecord& step) {
  const InlinedBuiltin* builtin = inlinesPixels ? FindInlined(step.handler) : nullptr;
  if (builtin == nullptr) return false;
  const int32_t first = step.depth - step.takes;
  const int32_t view = ViewOffset(builtin->plane);
  Label slow;
  Label done;
  cmp(qword[rsp + planesOffset + Offset(offsetof(PixelPlanes, ready))], 0);
  je(slow, T_NEAR);
  // shifted = 256 sizes + centre + offset, in that order.
  movsd(xmm13, qword[rsp + view + Offset(offsetof(PlaneView, shiftX))]);
  AddVariable(xmm13, pixelCells[kCellCx], xmm14);
  addsd(xmm13, Fetch(first, xmm14));
  movsd(xmm14, qword[rsp + view + Offset(offsetof(PlaneView, shiftY))]);
  AddVariable(xmm14, pixelCells[kCellCy], xmm15);
  addsd(xmm14, Fetch(first + 1, xmm15));
  Label wrapped;
  Label whole;
  WholeInside(xmm13, r8, view, false, wrapped);
  WholeInside(xmm14, r9, view, true, wrapped);
  // Nothing was changed up to here; from here on the call is not made.
  // Both fractions 0: the interpolation gives the pixel's bytes.
  L(whole);
  mov(rcx, qword[rsp + view + Offset(offsetof(PlaneView, data))]);
  imul(r9, qword[rsp + view + Offset(offsetof(PlaneView, rowLength))]);
  add(rcx, r9);
  if (IsColourPlane(builtin->plane)) lea(r8, ptr[r8 + r8 * 2]);
  add(rcx, r8);
  for (int32_t k = kColourBytes - 1; k >= 0; --k) {
    if (!TakesByte(*builtin, k)) continue;
    movzx(eax, byte[rcx + k]);
    xorpd(xmm15, xmm15);
    cvtsi2sd(xmm15, eax);
    TakePixelByte(builtin->read, first, k, xmm15);
  }
  FinishPixelRead(builtin->read, first);
  jmp(done, T_NEAR);
  L(wrapped);
  WrapAxis(xmm13, r8, view, false, slow);
  WrapAxis(xmm14, r9, view, true, slow);
  movq(rax, xmm13);
  movq(rdx, xmm14);
  or_(rax, rdx);
  jz(whole, T_NEAR);
  EmitInterpolatedRead(builtin->plane);
  for (int32_t k = kColourBytes - 1; k >= 0; --k) {
    if (!TakesByte(*builtin, k)) continue;
    InterpolateByte(k);
    TakePixelByte(builtin->read, first, k, xmm15);
  }
  FinishPixelRead(builtin->read, first);
  jmp(done, T_NEAR);
  L(slow);
  EmitCall(step.depth, step.takes, step.handler);
  L(done);
  return true;
}

// One byte of the pixel read: the built-in's result, a colour variable, or
// a weighted addition to one. `value` is xmm15; xmm13 and xmm14 are scratch.
void Emitter::TakePixelByte(PixelRead read, int32_t first, int32_t channel, const Xmm& value) {
  double* cell = pixelCells[kCellOfByte[channel]];
  switch (read) {
    case PixelRead::kChannel:
      return Put(first, value);
    case PixelRead::kGet:
      return WriteVariable(cell, value);
    case PixelRead::kAdd: {
      // colour + weight * byte
      mulsd(value, Fetch(first + 2, xmm14));
      const int32_t v = VariableIndex(cell);
      if (v >= 0) return addsd(VariableRegister(v), value);
      mov(r11, reinterpret_cast<uint64_t>(cell));
      movsd(xmm13, qword[r11]);
      addsd(xmm13, value);
      movsd(qword[r11], xmm13);
      return;
    }
  }
}

// get and add yield the new G.
void Emitter::FinishPixelRead(PixelRead read, int32_t first) {
  if (read != PixelRead::kChannel) Put(first, ReadVariable(pixelCells[kCellGreen], xmm15));
}

// The four pixels around a position between pixels: rcx and rdx the two
// rows, r8 and r10 the two columns' byte offsets; the fractions (xmm13,
// xmm14) and their complements go to the frame.
void Emitter::EmitInterpolatedRead(int32_t plane) {
  const int32_t view = ViewOffset(plane);
  const int32_t fractions = planesOffset + Offset(offsetof(PixelPlanes, fractionX));
  movsd(qword[rsp + fractions], xmm13);
  movsd(qword[rsp + fractions + 8], xmm14);
  movsd(xmm15, ptr[rip + one]);
  subsd(xmm15, xmm13);
  movsd(qword[rsp + fractions + 16], xmm15);
  movsd(xmm15, ptr[rip + one]);
  subsd(xmm15, xmm14);
  movsd(qword[rsp + fractions + 24], xmm15);
  // The next column and row, 0 after the last.
  Label nextColumn;
  Label nextRow;
  lea(r10, ptr[r8 + 1]);
  cmp(r10, qword[rsp + view + Offset(offsetof(PlaneView, width))]);
  jb(nextColumn, T_NEAR);
  xor_(r10d, r10d);
  L(nextColumn);
  lea(r11, ptr[r9 + 1]);
  cmp(r11, qword[rsp + view + Offset(offsetof(PlaneView, height))]);
  jb(nextRow, T_NEAR);
  xor_(r11d, r11d);
  L(nextRow);
  mov(rcx, qword[rsp + view + Offset(offsetof(PlaneView, data))]);
  mov(rdx, rcx);
  imul(r9, qword[rsp + view + Offset(offsetof(PlaneView, rowLength))]);
  imul(r11, qword[rsp + view + Offset(offsetof(PlaneView, rowLength))]);
  add(rcx, r9);
  add(rdx, r11);
  if (IsColourPlane(plane)) {
    lea(r8, ptr[r8 + r8 * 2]);
    lea(r10, ptr[r10 + r10 * 2]);
  }
}

// xmm15 = ((1 - fy) * top + fy * bottom) truncated, where top and bottom are
// (1 - fx) * left + fx * right of their row: the built-in's arithmetic.
void Emitter::InterpolateByte(int32_t channel) {
  const int32_t fx = planesOffset + Offset(offsetof(PixelPlanes, fractionX));
  const int32_t fy = fx + 8;
  const int32_t restX = fx + 16;
  const int32_t restY = fx + 24;
  const struct {
    const Reg64& row;
    const Xmm& into;
  } rows[] = {{rcx, xmm15}, {rdx, xmm14}};
  for (const auto& row : rows) {
    movzx(eax, byte[row.row + r8 + channel]);
    xorpd(row.into, row.into);
    cvtsi2sd(row.into, eax);
    mulsd(row.into, qword[rsp + restX]);
    movzx(eax, byte[row.row + r10 + channel]);
    xorpd(xmm13, xmm13);
    cvtsi2sd(xmm13, eax);
    mulsd(xmm13, qword[rsp + fx]);
    addsd(row.into, xmm13);
  }
  mulsd(xmm15, qword[rsp + restY]);
  mulsd(xmm14, qword[rsp + fy]);
  addsd(xmm15, xmm14);
  cvttsd2si(eax, xmm15);
  xorpd(xmm15, xmm15);
  cvtsi2sd(xmm15, eax);
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
