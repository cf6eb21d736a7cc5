// The pixel built-ins that reach past one wrapped read, written into the
// code instead of called: Conv and _Conv (builtin_matrix.cpp), getb
// (builtin_pixel.cpp), _Pset and _Tset (builtin_planes.cpp) are the
// reference. A convolution whose window lies inside both planes sums it
// here, coefficient times byte added in the built-in's order, one sum a
// channel; getb wraps and interpolates the slot's pixel as get does the
// source's; _Pset and _Tset wrap their position and store the bytes the
// built-ins store. Whatever is unusual (a matrix or slot number outside
// 0..7, a window over an edge, a position the wrap leaves to the built-in,
// an empty slot) calls the built-in before anything has changed.
#include "script/native_x64_emitter.h"

#include <utility>

#if defined(MORFEL_NATIVE_X64)
#include <cstddef>

#include "script/builtin_support.h"
#include "script/builtins.h"

namespace native {
namespace x64 {

namespace {

enum class StencilKind : uint8_t { kConvolve, kSlotRead, kColourWrite, kOpacityWrite };

struct StencilBuiltin {
  BuiltinHandler handler;
  StencilKind kind;
  int32_t plane;  // a convolution's colour plane; its T plane follows it
};

constexpr StencilBuiltin kStencils[] = {
    {&BuiltinConv, StencilKind::kConvolve, kSourceRgb},
    {&BuiltinDstConv, StencilKind::kConvolve, kDestinationRgb},
    {&BuiltinGetb, StencilKind::kSlotRead, kPlanes},
    {&BuiltinPset, StencilKind::kColourWrite, kDestinationRgb},
    {&BuiltinTset, StencilKind::kOpacityWrite, kDestinationT},
};

static_assert(offsetof(PixelPlanes, slot) == sizeof(PlaneView) * kPlanes,
              "the slot's view is read as view kPlanes");

// The two matrix sides SetMatrix3 and SetMatrix5 give.
constexpr int32_t kSides[2] = {3, 5};

const StencilBuiltin* FindStencil(BuiltinHandler handler) {
  for (const StencilBuiltin& entry : kStencils)
    if (entry.handler == handler) return &entry;
  return nullptr;
}

int32_t Offset(size_t offset) { return static_cast<int32_t>(offset); }

// Where a field of an image lies within it (RgbtImage is no standard
// layout, so offsetof does not apply).
int32_t ImageField(const RgbtImage& image, const void* field) {
  return static_cast<int32_t>(static_cast<const char*>(field) -
                              reinterpret_cast<const char*>(&image));
}

// The bound cell each byte of a colour pixel (blue first) goes to.
constexpr PixelCell kCellOfByte[kColourBytes] = {kCellBlue, kCellGreen, kCellRed};

}  // namespace

bool InlinesStencil(BuiltinHandler handler) { return FindStencil(handler) != nullptr; }

bool Emitter::EmitStencilCall(const PlannedRecord& step) {
  const StencilBuiltin* builtin = inlinesPixels ? FindStencil(step.handler) : nullptr;
  if (builtin == nullptr) return false;
  const int32_t first = step.depth - step.takes;
  Label slow;
  Label done;
  if (builtin->kind == StencilKind::kConvolve)
    for (int32_t s = 0; s < 2; ++s) WriteConvolutionWindow(s);
  cmp(qword[rsp + planesOffset + Offset(offsetof(PixelPlanes, ready))], 0);
  je(slow, T_NEAR);
  switch (builtin->kind) {
    case StencilKind::kConvolve:
      EmitConvolution(first, builtin->plane, slow, done);
      break;
    case StencilKind::kSlotRead:
      EmitSlotRead(first, slow, done);
      break;
    case StencilKind::kColourWrite:
      EmitColourWrite(first, slow);
      break;
    case StencilKind::kOpacityWrite:
      EmitOpacityWrite(first, slow);
      break;
  }
  jmp(done, T_NEAR);
  L(slow);
  EmitCall(step.depth, step.takes, step.handler);
  L(done);
  return true;
}

// into = the centre cell plus argument `argument`, in that order. r11 and
// xmm15 are scratch.
void Emitter::CentrePlus(int32_t cell, int32_t argument, const Xmm& into) {
  const Xmm centre = ReadVariable(pixelCells[cell], into);
  if (centre.getIdx() != into.getIdx()) movapd(into, centre);
  addsd(into, Fetch(argument, xmm15));
}

// into = TruncateToInt32(value), going to `slow` where the conversion
// fails (NaN, beyond the 32 bits) and at INT32_MIN itself.
void Emitter::TruncateOrSlow(const Reg32& into, const Xmm& value, Label& slow) {
  cvttsd2si(into, value);
  cmp(into, INT32_MIN);
  je(slow, T_NEAR);
}

// Conv(n, dx, dy): n in r10, the pixel (x, y) in r8 and r9, then the code
// of the matrix's side.
void Emitter::EmitConvolution(int32_t first, int32_t plane, Label& slow, Label& done) {
  cvttsd2si(r10d, Fetch(first, xmm13));
  cmp(r10d, kMatrixSlots - 1);
  ja(slow, T_NEAR);  // unsigned: below 0 and NaN too
  CentrePlus(kCellCx, first + 1, xmm14);
  TruncateOrSlow(r8d, xmm14, slow);
  CentrePlus(kCellCy, first + 2, xmm14);
  TruncateOrSlow(r9d, xmm14, slow);
  movsxd(r8, r8d);
  movsxd(r9, r9d);
  // A matrix never set convolves as side 5 with zeros: the built-in's.
  Label sides[2];
  mov(r11, reinterpret_cast<uint64_t>(&engine.matrixSize[0]));
  mov(eax, dword[r11 + r10 * 4]);
  cmp(eax, kSides[0]);
  je(sides[0], T_NEAR);
  cmp(eax, kSides[1]);
  jne(slow, T_NEAR);
  for (int32_t s = 1; s >= 0; --s) {
    L(sides[s]);
    EmitConvolutionSide(first, plane, kSides[s], slow);
    if (s > 0) jmp(done, T_NEAR);
  }
}

// The window of `side` around (r8, r9) inside both planes, else `slow`;
// then its sums, scaled by the factor, into R, G, B and T.
void Emitter::EmitConvolutionSide(int32_t first, int32_t plane, int32_t side, Label& slow) {
  const int32_t half = side / 2;
  const int32_t rgb = ViewOffset(plane);
  const int32_t alpha = ViewOffset(plane + 1);
  const int32_t width = Offset(offsetof(PlaneView, width));
  const int32_t height = Offset(offsetof(PlaneView, height));
  const int32_t data = Offset(offsetof(PlaneView, data));
  const int32_t rowLength = Offset(offsetof(PlaneView, rowLength));
  // x - half >= 0 and x + half < width, in both planes; y likewise.
  const std::pair<const Reg64*, int32_t> axes[] = {{&r8, width}, {&r9, height}};
  for (const auto& [centre, size] : axes) {
    sub(*centre, half);
    js(slow, T_NEAR);
    lea(rax, ptr[*centre + side]);
    cmp(rax, qword[rsp + rgb + size]);
    jg(slow, T_NEAR);
    cmp(rax, qword[rsp + alpha + size]);
    jg(slow, T_NEAR);
  }
  // The window's first pixel in each plane, the matrix, the row steps.
  mov(rcx, qword[rsp + rgb + data]);
  mov(rax, r9);
  imul(rax, qword[rsp + rgb + rowLength]);
  add(rcx, rax);
  lea(rax, ptr[r8 + r8 * 2]);
  add(rcx, rax);
  mov(rdx, qword[rsp + alpha + data]);
  imul(r9, qword[rsp + alpha + rowLength]);
  add(rdx, r9);
  add(rdx, r8);
  imul(r10, r10, kMatrixCells * static_cast<int32_t>(sizeof(double)));
  mov(r11, reinterpret_cast<uint64_t>(&engine.matrixSlot[0][0]));
  add(r11, r10);
  mov(r8, qword[rsp + rgb + rowLength]);
  mov(r9, qword[rsp + alpha + rowLength]);
  // Every value below the arguments goes home: the sums take xmm0..xmm5.
  SpillSlots(first);
  call(convolutionWindow[side == kSides[0] ? 0 : 1]);
  movsd(xmm4, qword[r11 + 8 * side * side]);  // the factor
  mulsd(xmm0, xmm4);
  mulsd(xmm1, xmm4);
  mulsd(xmm2, xmm4);
  mulsd(xmm3, xmm4);
  WriteVariable(pixelCells[kCellRed], xmm2);
  WriteVariable(pixelCells[kCellGreen], xmm1);
  WriteVariable(pixelCells[kCellBlue], xmm0);
  WriteVariable(pixelCells[kCellOpacity], xmm3);
  Put(first, xmm1);
  ReloadSlots(0, first);
}

// The sums of a side x side window (once a function, called): rcx and rdx
// its first colour and T pixel, r8 and r9 the planes' row lengths, r11 the
// matrix; B, G, R, T sums in xmm0..xmm3, each 0 plus coefficient times byte
// in the matrix's order. rcx, rdx, eax and xmm4, xmm5, xmm13..xmm15 change.
void Emitter::WriteConvolutionWindow(int32_t s) {
  if (convolutionWritten[s]) return;
  convolutionWritten[s] = true;
  const int32_t side = kSides[s];
  Label after;
  jmp(after, T_NEAR);
  L(convolutionWindow[s]);
  for (int32_t k = 0; k < 4; ++k) xorpd(Xmm(k), Xmm(k));
  const Xmm products[4] = {xmm4, xmm5, xmm13, xmm14};
  for (int32_t row = 0; row < side; ++row) {
    for (int32_t column = 0; column < side; ++column) {
      const int32_t element = 8 * (row * side + column);
      for (int32_t k = 0; k < 4; ++k) {
        const Xmm& product = products[k];
        if (k < kColourBytes)
          movzx(eax, byte[rcx + 3 * column + k]);
        else
          movzx(eax, byte[rdx + column]);
        xorpd(product, product);
        cvtsi2sd(product, eax);
        mulsd(product, qword[r11 + element]);
        addsd(Xmm(k), product);
      }
    }
    if (row + 1 < side) {
      add(rcx, r8);
      add(rdx, r9);
    }
  }
  ret();
  L(after);
}

// The slot's view in the frame from engine.imageSlot[n], as
// ReadPlanesFromCode reads the planes'; `slow` for a number outside 0..7
// and a slot without pixels.
void Emitter::ReadSlotView(int32_t first, Label& slow) {
  const RgbtImage& image = engine.imageSlot[0];
  const int32_t view = ViewOffset(kPlanes);
  cvttsd2si(eax, Fetch(first, xmm13));
  cmp(eax, kImageSlots - 1);
  ja(slow, T_NEAR);
  imul(eax, eax, static_cast<int32_t>(sizeof(RgbtImage)));
  mov(r11, reinterpret_cast<uint64_t>(&image));
  add(r11, rax);
  mov(rcx, qword[r11 + ImageField(image, &image.data)]);
  test(rcx, rcx);
  jz(slow, T_NEAR);
  mov(qword[rsp + view + Offset(offsetof(PlaneView, data))], rcx);
  movsxd(rax, dword[r11 + ImageField(image, &image.rowLength)]);
  mov(qword[rsp + view + Offset(offsetof(PlaneView, rowLength))], rax);
  movsxd(rax, dword[r11 + ImageField(image, &image.channels)]);
  test(rax, rax);
  jle(slow, T_NEAR);
  mov(qword[rsp + planesOffset + Offset(offsetof(PixelPlanes, slotChannels))], rax);
  const struct {
    const int32_t* field;
    size_t size;
    size_t wrap;
    size_t shift;
  } axes[] = {{&image.width, offsetof(PlaneView, width), offsetof(PlaneView, wrapX),
               offsetof(PlaneView, shiftX)},
              {&image.height, offsetof(PlaneView, height), offsetof(PlaneView, wrapY),
               offsetof(PlaneView, shiftY)}};
  for (const auto& axis : axes) {
    movsxd(rax, dword[r11 + ImageField(image, axis.field)]);
    test(rax, rax);
    jle(slow, T_NEAR);
    mov(qword[rsp + view + Offset(axis.size)], rax);
    shl(rax, 8);  // 256 sizes, exact as a double too
    mov(qword[rsp + view + Offset(axis.wrap)], rax);
    cvtsi2sd(xmm15, rax);
    movsd(qword[rsp + view + Offset(axis.shift)], xmm15);
  }
}

// The wrapped pixel of arguments first, first + 1 in `view`: the column in
// r8 and the row in r9, their fractions in xmm13 and xmm14.
void Emitter::WrapPositionAt(int32_t first, int32_t view, Label& slow) {
  // shifted = 256 sizes + centre + offset, in that order.
  movsd(xmm13, qword[rsp + view + Offset(offsetof(PlaneView, shiftX))]);
  addsd(xmm13, ReadVariable(pixelCells[kCellCx], xmm14));
  addsd(xmm13, Fetch(first, xmm14));
  WrapAxis(xmm13, r8, view, false, slow);
  movsd(xmm14, qword[rsp + view + Offset(offsetof(PlaneView, shiftY))]);
  addsd(xmm14, ReadVariable(pixelCells[kCellCy], xmm15));
  addsd(xmm14, Fetch(first + 1, xmm15));
  WrapAxis(xmm14, r9, view, true, slow);
}

// getb(n, x, y): get's read from the slot's view, as many bytes as the
// slot has up to three.
void Emitter::EmitSlotRead(int32_t first, Label& slow, Label& done) {
  ReadSlotView(first, slow);
  const int32_t view = ViewOffset(kPlanes);
  WrapPositionAt(first + 1, view, slow);
  Label interpolated;
  movq(rax, xmm13);
  movq(rdx, xmm14);
  or_(rax, rdx);
  jnz(interpolated, T_NEAR);
  // Both fractions 0: the interpolation gives the pixel's bytes.
  mov(rcx, qword[rsp + view + Offset(offsetof(PlaneView, data))]);
  imul(r9, qword[rsp + view + Offset(offsetof(PlaneView, rowLength))]);
  add(rcx, r9);
  imul(r8, qword[rsp + planesOffset + Offset(offsetof(PixelPlanes, slotChannels))]);
  add(rcx, r8);
  TakeSlotBytes(first, false);
  jmp(done, T_NEAR);
  L(interpolated);
  EmitInterpolatedRead(kPlanes);  // the columns still in pixels
  mov(rax, qword[rsp + planesOffset + Offset(offsetof(PixelPlanes, slotChannels))]);
  imul(r8, rax);
  imul(r10, rax);
  TakeSlotBytes(first, true);
}

// Bytes 2, 1, 0 of the slot's pixel, each one the slot has, into R, G, B;
// then the new G is the value.
void Emitter::TakeSlotBytes(int32_t first, bool interpolated) {
  const int32_t channels = planesOffset + Offset(offsetof(PixelPlanes, slotChannels));
  for (int32_t k = kColourBytes - 1; k >= 0; --k) {
    Label absent;
    if (k > 0) {
      cmp(qword[rsp + channels], k);
      jbe(absent, T_NEAR);
    }
    if (interpolated) {
      InterpolateByte(k);
    } else {
      movzx(eax, byte[rcx + k]);
      xorpd(xmm15, xmm15);
      cvtsi2sd(xmm15, eax);
    }
    TakePixelByte(PixelRead::kGet, first, k, xmm15);
    L(absent);
  }
  FinishPixelRead(PixelRead::kGet, first);
}

// _Pset(dx, dy): R, G, B clamped to 0..255 and truncated into the wrapped
// destination pixel; the value is 0.
void Emitter::EmitColourWrite(int32_t first, Label& slow) {
  const int32_t view = ViewOffset(kDestinationRgb);
  WrapPositionAt(first, view, slow);
  mov(rcx, qword[rsp + view + Offset(offsetof(PlaneView, data))]);
  imul(r9, qword[rsp + view + Offset(offsetof(PlaneView, rowLength))]);
  add(rcx, r9);
  lea(r8, ptr[r8 + r8 * 2]);
  add(rcx, r8);
  xorpd(xmm14, xmm14);
  for (int32_t k = 0; k < kColourBytes; ++k) {
    const Xmm value = ReadVariable(pixelCells[kCellOfByte[k]], xmm15);
    if (value.getIdx() != xmm15.getIdx()) movapd(xmm15, value);
    // max takes 0 for NaN and below, min 255 above.
    maxsd(xmm15, xmm14);
    minsd(xmm15, ptr[rip + byteMax]);
    cvttsd2si(eax, xmm15);
    mov(byte[rcx + k], al);
  }
  Put(first, xmm14);
}

// _Tset(dx, dy): the low byte of TruncateToInt32(T) into the wrapped
// destination T pixel; the value is 0.
void Emitter::EmitOpacityWrite(int32_t first, Label& slow) {
  const int32_t view = ViewOffset(kDestinationT);
  WrapPositionAt(first, view, slow);
  mov(rcx, qword[rsp + view + Offset(offsetof(PlaneView, data))]);
  imul(r9, qword[rsp + view + Offset(offsetof(PlaneView, rowLength))]);
  add(rcx, r9);
  add(rcx, r8);
  const Xmm value = ReadVariable(pixelCells[kCellOpacity], xmm15);
  // The failed conversion's INT32_MIN has the low byte of INT32_MIN and of
  // NaN's 0; only T at 2^31 and above wants INT32_MAX's.
  Label store;
  cvttsd2si(eax, value);
  cmp(eax, INT32_MIN);
  jne(store, T_NEAR);
  xorpd(xmm14, xmm14);
  ucomisd(value, xmm14);
  jbe(store, T_NEAR);  // also unordered
  mov(eax, 0xFF);
  L(store);
  mov(byte[rcx], al);
  xorpd(xmm14, xmm14);
  Put(first, xmm14);
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
