// The pixel built-ins that read one position of a run's plane (R(x,y) and
// its kin, get, add and their destination forms) written into the code
// instead of called. builtin_pixel.cpp is the reference: the position is
// shifted, wrapped and split into pixel and fraction with the same double
// operations, and a whole position reads its pixel's bytes, which is what
// the interpolation gives when both fractions are 0. A position outside the
// image costs one integer remainder; anything unusual (a fraction, a
// position left of the shifted range, NaN or infinity, no run bound) calls
// the built-in as before.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)
#include <cstddef>

#include "script/builtin_support.h"
#include "script/builtins.h"

namespace native {
namespace x64 {

namespace {

enum class PixelRead : uint8_t { kChannel, kGet, kAdd };

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

constexpr BoundCell kBoundOfPixelCell[kPixelCells] = {CELL_CX, CELL_CY, CELL_R, CELL_G, CELL_B};
constexpr const char* kPixelCellNames[kPixelCells] = {"cx", "cy", "R", "G", "B"};
// The colour cell a byte of an RGB pixel (blue first) goes to.
constexpr PixelCell kCellOfByte[kColourBytes] = {kCellBlue, kCellGreen, kCellRed};

int32_t Offset(size_t offset) { return static_cast<int32_t>(offset); }

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
  for (const Step& step : plan.steps)
    if (step.action == Action::kCall && FindInlined(step.handler) != nullptr) any = true;
  if (!any) return;
  for (int32_t k = 0; k < kPixelCells; ++k) {
    pixelCells[k] = engine.VariableCell(kPixelCellNames[k]);
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

// position = shifted position on entry; on exit its fraction, with the
// wrapped pixel index in `index`. rax, rdx and xmm15 are scratch. Goes to
// `slow` for positions below 0 (where floor and truncation part), NaN and
// beyond 2^63, which the built-in handles.
void Emitter::WrapAxis(const Xmm& position, const Reg64& index, int32_t view, bool vertical,
                       Label& slow) {
  const int32_t size =
      view + Offset(vertical ? offsetof(PlaneView, height) : offsetof(PlaneView, width));
  const int32_t wrap =
      view + Offset(vertical ? offsetof(PlaneView, wrapY) : offsetof(PlaneView, wrapX));
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

bool Emitter::EmitPixelCall(const Step& step) {
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
  addsd(xmm13, ReadVariable(pixelCells[kCellCx], xmm14));
  addsd(xmm13, Fetch(first, xmm14));
  WrapAxis(xmm13, r8, view, false, slow);
  movsd(xmm14, qword[rsp + view + Offset(offsetof(PlaneView, shiftY))]);
  addsd(xmm14, ReadVariable(pixelCells[kCellCy], xmm15));
  addsd(xmm14, Fetch(first + 1, xmm15));
  WrapAxis(xmm14, r9, view, true, slow);
  // A fraction (even -0.0) is interpolated by the built-in.
  movq(rax, xmm13);
  movq(rdx, xmm14);
  or_(rax, rdx);
  jnz(slow, T_NEAR);
  // Nothing was changed up to here; from here on the call is not made.
  mov(rcx, qword[rsp + view + Offset(offsetof(PlaneView, data))]);
  imul(r9, qword[rsp + view + Offset(offsetof(PlaneView, rowLength))]);
  add(rcx, r9);
  if (builtin->plane == kSourceRgb || builtin->plane == kDestinationRgb) lea(r8, ptr[r8 + r8 * 2]);
  add(rcx, r8);
  switch (builtin->read) {
    case PixelRead::kChannel:
      movzx(eax, byte[rcx + builtin->byte]);
      xorpd(xmm15, xmm15);
      cvtsi2sd(xmm15, eax);
      Put(first, xmm15);
      break;
    case PixelRead::kGet:
      for (int32_t k = 0; k < kColourBytes; ++k) {
        movzx(eax, byte[rcx + k]);
        xorpd(xmm15, xmm15);
        cvtsi2sd(xmm15, eax);
        WriteVariable(pixelCells[kCellOfByte[k]], xmm15);
      }
      Put(first, ReadVariable(pixelCells[kCellGreen], xmm15));
      break;
    case PixelRead::kAdd: {
      const Xmm weight = Fetch(first + 2, xmm14);
      // Red, green, blue: each colour + weight * byte.
      for (int32_t k = kColourBytes - 1; k >= 0; --k) {
        double* cell = pixelCells[kCellOfByte[k]];
        movzx(eax, byte[rcx + k]);
        xorpd(xmm15, xmm15);
        cvtsi2sd(xmm15, eax);
        mulsd(xmm15, weight);
        const int32_t v = VariableIndex(cell);
        if (v >= 0) {
          addsd(VariableRegister(v), xmm15);
        } else {
          mov(r11, reinterpret_cast<uint64_t>(cell));
          movsd(xmm13, qword[r11]);
          addsd(xmm13, xmm15);
          movsd(qword[r11], xmm13);
        }
      }
      Put(first, ReadVariable(pixelCells[kCellGreen], xmm15));
      break;
    }
  }
  jmp(done, T_NEAR);
  L(slow);
  EmitCall(step.depth, step.takes, step.handler);
  L(done);
  return true;
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
