// The row function's fetch for a coord other than 0: the position (the
// polar one for coord 1, x and y otherwise), wrapped onto the source, and
// its colour by the pass's interpolation, written into the destination.
// transform's pixel driver and fetch and image's sampling kernels are the
// reference: the same double operations in the same order, so every byte
// is the same. The polar position's square root, arc tangent, cosine and
// sine are worked out by the driver's own expressions in small C++ helpers.
// A position the wrap's usual range does not cover (far out, NaN, infinite)
// goes to the driver's own code, as does every pixel of a frame without a
// fetch.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)
#include <cmath>
#include <cstddef>

#include "script/builtin_support.h"

namespace native {
namespace x64 {

void PolarOfPosition(const double* position, double* into) {
  into[0] = std::sqrt(position[0] * position[0] + position[1] * position[1]);
  into[1] = std::atan2(position[1], position[0]);
}

void PositionOfPolar(const double* polar, double* position) {
  position[0] = polar[0] * std::cos(polar[1]) + polar[2];
  position[1] = polar[0] * std::sin(polar[1]) + polar[3];
}

namespace {

int32_t FetchField(size_t offset) {
  return FrameOffset(&CompiledRowFrame::fetch) + static_cast<int32_t>(offset);
}

constexpr double kInt32Limit = 2147483648.0;

}  // namespace

// Calls `helper(in, slot)`; every register but the frame's own is lost.
void Emitter::CallHelper(void (*helper)(const double*, double*), const Xbyak::Address& in,
                         int32_t outOffset) {
  lea(Argument(0), in);
  lea(Argument(1), FetchSlot(outOffset));
  mov(r10, reinterpret_cast<uint64_t>(helper));
  call(r10);
}

void Emitter::CellValue(const double* cell, const Xmm& into) {
  mov(r11, reinterpret_cast<uint64_t>(cell));
  movsd(into, qword[r11]);
}

// Every variable is in its cell. Goes on at `done` with the pixel written or
// left alone.
void Emitter::EmitFetch(Label& done) {
  Label slow;
  Label round;
  Label linear;
  EmitFetchPosition(done);
  cmp(qword[r13 + FetchField(offsetof(CompiledFetch, rgb))], 0);
  je(slow, T_NEAR);
  movsd(xmm2, FetchSlot(kFetchX));
  FetchWrap(xmm2, r8, false, slow);
  movsd(xmm3, FetchSlot(kFetchY));
  FetchWrap(xmm3, r9, true, slow);
  // T is never interpolated: the byte of the pixel the position falls in.
  mov(rax, r9);
  imul(rax, qword[r13 + FetchField(offsetof(CompiledFetch, tRowLength))]);
  add(rax, qword[r13 + FetchField(offsetof(CompiledFetch, t))]);
  movzx(eax, byte[rax + r8]);
  ColumnAddress(&CompiledRowFrame::destinationT, 1);
  mov(byte[r10], al);
  mov(eax, dword[r13 + FetchField(offsetof(CompiledFetch, interpolation))]);
  cmp(eax, kInterpRound);
  je(round, T_NEAR);
  cmp(eax, kInterpLinear);
  je(linear, T_NEAR);
  // Any other value is Bezier, as the driver reads it.
  if (VectorFetch()) {
    Label scalarBezier;
    FetchBezierVector(scalarBezier);
    jmp(done, T_NEAR);
    L(scalarBezier);
  }
  FetchBezier();
  jmp(done, T_NEAR);
  L(linear);
  if (VectorFetch()) {
    Label scalarLinear;
    FetchLinearVector(scalarLinear);
    jmp(done, T_NEAR);
    L(scalarLinear);
  }
  FetchLinear();
  jmp(done, T_NEAR);
  L(round);
  FetchRound();
  jmp(done, T_NEAR);
  L(slow);
  mov(Argument(0), qword[r13 + FrameOffset(&CompiledRowFrame::context)]);
  mov(Argument(1).cvt32(), r14d);
  call(qword[r13 + FrameOffset(&CompiledRowFrame::storeOther)]);
  jmp(done, T_NEAR);
}

// The position into kFetchX and kFetchY: coord 1 the polar position, any
// other coord in 0..2 x and y (coord 0 never comes here); the rest go to
// `done`, the pixel left as it was.
void Emitter::EmitFetchPosition(Label& done) {
  Label polar;
  Label known;
  CellValue(row->coord, xmm0);
  ucomisd(xmm0, ptr[rip + one]);
  Label cartesian;
  jp(cartesian, T_NEAR);
  je(polar, T_NEAR);
  L(cartesian);
  xorpd(xmm1, xmm1);
  ucomisd(xmm0, xmm1);
  jb(done, T_NEAR);  // below 0 or NaN
  ucomisd(xmm0, ptr[rip + Constant(2.0)]);
  ja(done, T_NEAR);
  const struct {
    double* axis;
    double* centre;
    int32_t slot;
  } axes[] = {{row->x, row->cx, kFetchX}, {row->y, row->cy, kFetchY}};
  for (const auto& axis : axes) {
    CellValue(axis.axis, xmm1);
    CellValue(axis.centre, xmm2);
    addsd(xmm1, xmm2);
    movsd(FetchSlot(axis.slot), xmm1);
  }
  jmp(known, T_NEAR);
  L(polar);
  if (row->polarNamed) {
    CellValue(row->r, xmm1);
    movsd(FetchSlot(kFetchR), xmm1);
    CellValue(row->t, xmm1);
    movsd(FetchSlot(kFetchT), xmm1);
  } else {
    CallHelper(&PolarOfPosition, qword[r13 + FrameOffset(&CompiledRowFrame::loadedX)], kFetchR);
  }
  CellValue(row->cx, xmm1);
  movsd(FetchSlot(kFetchCx), xmm1);
  CellValue(row->cy, xmm1);
  movsd(FetchSlot(kFetchCy), xmm1);
  CallHelper(&PositionOfPolar, FetchSlot(kFetchR), kFetchX);
  L(known);
}

// WrapAxis: position = the position on entry, its fraction on exit, with
// the pixel in `index`. rax, rdx and xmm15 are scratch.
void Emitter::FetchWrap(const Xmm& position, const Reg64& index, bool vertical, Label& slow) {
  const int32_t offset = FetchField(vertical ? offsetof(CompiledFetch, tileOffsetY)
                                             : offsetof(CompiledFetch, tileOffsetX));
  const int32_t tile =
      FetchField(vertical ? offsetof(CompiledFetch, tileY) : offsetof(CompiledFetch, tileX));
  const int32_t size =
      FetchField(vertical ? offsetof(CompiledFetch, height) : offsetof(CompiledFetch, width));
  addsd(position, qword[r13 + offset]);
  xorpd(xmm15, xmm15);
  ucomisd(position, xmm15);
  jb(slow, T_NEAR);  // below 0 or NaN
  ucomisd(position, ptr[rip + Constant(kInt32Limit)]);
  jae(slow, T_NEAR);
  cvttsd2si(eax, position);  // rax: the whole part, zero-extended
  xorpd(xmm15, xmm15);
  cvtsi2sd(xmm15, eax);
  subsd(position, xmm15);
  // Near the image the whole part less the tiles is the pixel itself.
  Label inside;
  mov(index, rax);
  sub(index, qword[r13 + tile]);
  cmp(index, qword[r13 + size]);
  jb(inside, T_NEAR);
  xor_(edx, edx);
  div(qword[r13 + size]);
  mov(index, rdx);
  L(inside);
}

void Emitter::LoadSample(const Xmm& into, const Reg64& rowStart, const Reg64& column,
                         int32_t channel) {
  movzx(eax, byte[rowStart + column + channel]);
  xorpd(into, into);
  cvtsi2sd(into, eax);
}

// TruncateToByte of xmm10 + k into the destination's byte k.
void Emitter::StoreFetchedColours() {
  ColumnAddress(&CompiledRowFrame::destinationRgb, 3);
  xorpd(xmm15, xmm15);
  for (int32_t k = 0; k < kColourBytes; ++k) {
    const Xmm value(10 + k);
    maxsd(value, xmm15);  // NaN gives the second operand, 0
    minsd(value, ptr[rip + byteMax]);
    cvttsd2si(eax, value);
    mov(byte[r10 + k], al);
  }
}

void Emitter::FetchRound() {
  mov(rcx, r9);
  imul(rcx, qword[r13 + FetchField(offsetof(CompiledFetch, rgbRowLength))]);
  add(rcx, qword[r13 + FetchField(offsetof(CompiledFetch, rgb))]);
  lea(r8, ptr[r8 + r8 * 2]);
  movzx(eax, word[rcx + r8]);
  movzx(edx, byte[rcx + r8 + 2]);
  ColumnAddress(&CompiledRowFrame::destinationRgb, 3);
  mov(word[r10], ax);
  mov(byte[r10 + 2], dl);
}

// SampleLinearPixel: the right and bottom neighbours wrap; each channel is
// fy (fx p11 + (1 - fx) p01) + (1 - fy) (fx p10 + (1 - fx) p00).
void Emitter::FetchLinear() {
  const int32_t rgb = FetchField(offsetof(CompiledFetch, rgb));
  const int32_t rowLength = FetchField(offsetof(CompiledFetch, rgbRowLength));
  xor_(eax, eax);
  lea(r10, ptr[r8 + 1]);
  cmp(r10, qword[r13 + FetchField(offsetof(CompiledFetch, width))]);
  cmove(r10, rax);
  lea(r11, ptr[r9 + 1]);
  cmp(r11, qword[r13 + FetchField(offsetof(CompiledFetch, height))]);
  cmove(r11, rax);
  mov(rcx, r9);
  mov(rdx, r11);
  for (const Reg64& rowStart : {rcx, rdx}) {
    imul(rowStart, qword[r13 + rowLength]);
    add(rowStart, qword[r13 + rgb]);
  }
  lea(r8, ptr[r8 + r8 * 2]);
  lea(r10, ptr[r10 + r10 * 2]);
  movsd(xmm4, ptr[rip + one]);
  subsd(xmm4, xmm2);
  movsd(xmm5, ptr[rip + one]);
  subsd(xmm5, xmm3);
  for (int32_t k = 0; k < kColourBytes; ++k) {
    LoadSample(xmm0, rdx, r10, k);  // p11
    mulsd(xmm0, xmm2);
    LoadSample(xmm1, rdx, r8, k);  // p01
    mulsd(xmm1, xmm4);
    addsd(xmm0, xmm1);
    mulsd(xmm0, xmm3);
    LoadSample(xmm13, rcx, r10, k);  // p10
    mulsd(xmm13, xmm2);
    LoadSample(xmm14, rcx, r8, k);  // p00
    mulsd(xmm14, xmm4);
    addsd(xmm13, xmm14);
    mulsd(xmm13, xmm5);
    addsd(xmm0, xmm13);
    movapd(Xmm(10 + k), xmm0);
  }
  StoreFetchedColours();
}

// The weights of BezierSegment for the fraction t, each in both halves:
// u = 1 - t, 3t, 3t t and t t t, each rounded as the kernel's expression
// rounds it.
void Emitter::BezierWeights(const Xmm& fraction, int32_t offset) {
  movsd(xmm13, ptr[rip + one]);
  subsd(xmm13, fraction);
  movsd(xmm14, ptr[rip + Constant(3.0)]);
  mulsd(xmm14, fraction);
  movapd(xmm15, xmm14);
  mulsd(xmm15, fraction);
  movapd(xmm12, fraction);
  mulsd(xmm12, fraction);
  mulsd(xmm12, fraction);
  const Xmm weights[] = {xmm13, xmm14, xmm15, xmm12};
  for (int32_t w = 0; w < 4; ++w) {
    unpcklpd(weights[w], weights[w]);
    movapd(FetchSlot(offset + 2 * w), weights[w]);
  }
}

// InteriorBezierSegment(before, y0, y1, after) into `into`, for the two
// halves of the registers at once (the same operations on each):
//   c1 = y0 + (y1 - before) / 3, c2 = y1 - (after - y0) / 3,
//   ((u y0 + 3t c1) u + 3t t c2) u + t t t y1.
// xmm13 to xmm15 are scratch.
void Emitter::BezierSegment(const Xmm* samples, int32_t weights, const Xmm& into) {
  const Xmm& before = samples[0];
  const Xmm& y0 = samples[1];
  const Xmm& y1 = samples[2];
  const Xmm& after = samples[3];
  const Xbyak::Address u = FetchSlot(weights);
  movapd(xmm13, y1);
  subpd(xmm13, before);
  mulpd(xmm13, ptr[rip + thirds]);
  addpd(xmm13, y0);  // c1
  movapd(xmm14, after);
  subpd(xmm14, y0);
  mulpd(xmm14, ptr[rip + thirds]);
  movapd(xmm15, y1);
  subpd(xmm15, xmm14);  // c2
  movapd(into, y0);
  mulpd(into, u);
  mulpd(xmm13, FetchSlot(weights + 2));
  addpd(into, xmm13);
  mulpd(into, u);
  mulpd(xmm15, FetchSlot(weights + 4));
  addpd(into, xmm15);
  mulpd(into, u);
  movapd(xmm13, y1);
  mulpd(xmm13, FetchSlot(weights + 6));
  addpd(into, xmm13);
}

// The byte of `channel` in one column of two rows, as two doubles (`upper`'s
// in the low half). rax and rdx are scratch.
void Emitter::LoadSamplePair(const Xmm& into, const Reg64& upper, const Reg64& lower,
                             const Reg64& column, int32_t channel) {
  movzx(eax, byte[upper + column + channel]);
  movzx(edx, byte[lower + column + channel]);
  movd(into, eax);
  pinsrw(into, edx, 2);  // the second 32-bit integer, its high half still 0
  cvtdq2pd(into, into);
}

// SampleBezierPixel: the 4 x 4 neighbourhood, edges repeated (clamped, not
// wrapped); a curve across each row, then one down the column of results.
// The curves across rows 0 and 1, and 2 and 3, run in the two halves of the
// registers, as do those down channels 0 and 1.
void Emitter::FetchBezier() {
  BezierWeights(xmm2, kFetchWeightsX);
  BezierWeights(xmm3, kFetchWeightsY);
  mov(FetchSlot(kFetchSaved), rsi);  // the Windows convention keeps it
  // Rows y - 1 .. y + 2 into rcx, rsi, r15, rbp, as row starts.
  mov(rax, qword[r13 + FetchField(offsetof(CompiledFetch, height))]);
  sub(rax, 1);
  lea(rcx, ptr[r9 - 1]);
  test(r9, r9);
  cmovz(rcx, r9);
  mov(rsi, r9);
  lea(r15, ptr[r9 + 1]);
  cmp(r15, rax);
  cmovg(r15, rax);
  lea(rbp, ptr[r9 + 2]);
  cmp(rbp, rax);
  cmovg(rbp, rax);
  const Reg64 rows[] = {rcx, rsi, r15, rbp};
  for (const Reg64& rowStart : rows) {
    imul(rowStart, qword[r13 + FetchField(offsetof(CompiledFetch, rgbRowLength))]);
    add(rowStart, qword[r13 + FetchField(offsetof(CompiledFetch, rgb))]);
  }
  // Columns x - 1 .. x + 2 into r9, r8, r10, r11, as byte offsets.
  mov(rax, qword[r13 + FetchField(offsetof(CompiledFetch, width))]);
  sub(rax, 1);
  lea(r9, ptr[r8 - 1]);
  test(r8, r8);
  cmovz(r9, r8);
  lea(r10, ptr[r8 + 1]);
  cmp(r10, rax);
  cmovg(r10, rax);
  lea(r11, ptr[r8 + 2]);
  cmp(r11, rax);
  cmovg(r11, rax);
  const Reg64 columns[] = {r9, r8, r10, r11};
  for (const Reg64& column : columns) lea(column, ptr[column + column * 2]);
  // across[k][p]: channel k's curves across rows 2p and 2p + 1.
  const Xmm samples[] = {xmm0, xmm1, xmm2, xmm3};
  const Xmm across[kColourBytes][2] = {{xmm4, xmm5}, {xmm6, xmm7}, {xmm8, xmm9}};
  for (int32_t k = 0; k < kColourBytes; ++k) {
    for (int32_t p = 0; p < 2; ++p) {
      for (int32_t i = 0; i < 4; ++i)
        LoadSamplePair(samples[i], rows[2 * p], rows[2 * p + 1], columns[i], k);
      BezierSegment(samples, kFetchWeightsX, across[k][p]);
    }
  }
  mov(rsi, FetchSlot(kFetchSaved));
  // Down the column: channels 0 and 1 together into xmm10, then channel 2
  // (in both halves) into xmm12; channel 1 moves down to xmm11.
  const struct {
    int32_t low;
    int32_t high;
    Xmm into;
  } downs[] = {{0, 1, xmm10}, {2, 2, xmm12}};
  for (const auto& down : downs) {
    for (int32_t j = 0; j < 4; ++j) {
      movapd(samples[j], across[down.low][j / 2]);
      if (j % 2 == 0)
        unpcklpd(samples[j], across[down.high][j / 2]);
      else
        unpckhpd(samples[j], across[down.high][j / 2]);
    }
    BezierSegment(samples, kFetchWeightsY, down.into);
  }
  movapd(xmm11, xmm10);
  unpckhpd(xmm11, xmm11);
  StoreFetchedColours();
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
