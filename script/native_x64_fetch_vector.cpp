// The row fetch's Linear and Bezier sampling four doubles at a time, on a
// processor with AVX2 (the lanes' own check) and unless the environment
// turns the lanes off. Each lane does the scalar kernel's operations in its
// order, so the bytes are the same: no fused multiply-add, no reordering.
// Linear puts the three channels in the lanes; Bezier puts the four rows of
// its neighbourhood in them for the curves across, then the channels for
// the curve down. Only windows wholly inside the source's rows are taken
// here (a pixel's bytes read as a group); an edge column goes to the scalar
// code, which repeats or wraps it.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)
#include <cstddef>
#include <initializer_list>

#include "script/builtin_support.h"
#include "script/native_x64_lanes.h"

namespace native {
namespace x64 {

using Xbyak::Ymm;

namespace {

int32_t FetchField(size_t offset) {
  return FrameOffset(&CompiledRowFrame::fetch) + static_cast<int32_t>(offset);
}

// 2^52: a byte in the low bits of its pattern is 2^52 + the byte, exactly.
constexpr double kTwoTo52 = 4503599627370496.0;

}  // namespace

bool Emitter::VectorFetch() const { return engine.lanesWanted && LanesRunHere(); }

// The four bytes at `bytes` as four doubles, through 2^52 (ymm15 holds it
// in every lane): exact for any byte.
void Emitter::LoadBytesAsDoubles(const Ymm& into, const Xbyak::Address& bytes) {
  vpmovzxbq(into, bytes);
  vpor(into, into, ymm15);
  vsubpd(into, into, ymm15);
}

// TruncateToByte of lanes 0 to 2 of `colours` into the destination's bytes;
// rax is scratch. Truncation, then saturation by the packs, is the same
// for the values sampling gives here: fractions from 0 up to 1 and byte
// samples keep every result finite and far inside the 32-bit range.
// Leaves the upper halves clean for the scalar code after it.
void Emitter::StoreFetchedVector(const Ymm& colours) {
  const Xmm low(colours.getIdx());
  vcvttpd2dq(low, colours);
  vpackusdw(low, low, low);
  vpackuswb(low, low, low);
  vmovd(eax, low);
  vzeroupper();
  ColumnAddress(&CompiledRowFrame::destinationRgb, 3);
  mov(word[r10], ax);
  shr(eax, 16);
  mov(byte[r10 + 2], al);
}

// FetchLinear with the channels in the lanes, when the pixel and its right
// neighbour are followed by a third in the row (a 4-byte read of each stays
// in the row); otherwise on to `scalar`, the indices and fractions intact.
void Emitter::FetchLinearVector(Label& scalar) {
  lea(rax, ptr[r8 + 2]);
  cmp(rax, qword[r13 + FetchField(offsetof(CompiledFetch, width))]);
  jge(scalar, T_NEAR);
  mov(r10, qword[r13 + FetchField(offsetof(CompiledFetch, rgb))]);
  mov(rax, qword[r13 + FetchField(offsetof(CompiledFetch, rgbRowLength))]);
  mov(rcx, r9);
  imul(rcx, rax);
  add(rcx, r10);
  lea(rdx, ptr[rcx + rax]);
  lea(r11, ptr[r9 + 1]);  // the bottom neighbour wraps to row 0
  cmp(r11, qword[r13 + FetchField(offsetof(CompiledFetch, height))]);
  cmove(rdx, r10);
  lea(r8, ptr[r8 + r8 * 2]);
  PrefetchNextWindow(rcx, {rcx, rdx});
  vbroadcastsd(ymm15, ptr[rip + Constant(kTwoTo52)]);
  LoadBytesAsDoubles(ymm0, ptr[rcx + r8]);      // p00
  LoadBytesAsDoubles(ymm1, ptr[rcx + r8 + 3]);  // p10
  LoadBytesAsDoubles(ymm4, ptr[rdx + r8]);      // p01
  LoadBytesAsDoubles(ymm5, ptr[rdx + r8 + 3]);  // p11
  vmovsd(xmm6, ptr[rip + one]);
  vsubsd(xmm6, xmm6, xmm2);  // 1 - fx
  vmovsd(xmm7, ptr[rip + one]);
  vsubsd(xmm7, xmm7, xmm3);  // 1 - fy
  for (const Ymm& weight : {ymm2, ymm3, ymm6, ymm7}) vbroadcastsd(weight, Xmm(weight.getIdx()));
  // fy (fx p11 + (1 - fx) p01) + (1 - fy) (fx p10 + (1 - fx) p00)
  vmulpd(ymm5, ymm5, ymm2);
  vmulpd(ymm4, ymm4, ymm6);
  vaddpd(ymm5, ymm5, ymm4);
  vmulpd(ymm5, ymm5, ymm3);
  vmulpd(ymm1, ymm1, ymm2);
  vmulpd(ymm0, ymm0, ymm6);
  vaddpd(ymm1, ymm1, ymm0);
  vmulpd(ymm1, ymm1, ymm7);
  vaddpd(ymm1, ymm1, ymm5);
  StoreFetchedVector(ymm1);
}

// A smooth deformation's pixels a few columns on read about as far on again
// as this one from the last: the rows of `rows` four such steps on are
// fetched into the cache now, so that their reads wait less (a fetch of
// the cache changes no value, and one at a wild address does nothing).
// `row` is the pixel's own row start and r8 the window's byte offset; r9
// and r11 are scratch.
void Emitter::PrefetchNextWindow(const Reg64& row, std::initializer_list<Reg64> rows) {
  const Xbyak::Address last = FetchSlot(kFetchLastWindow);
  lea(r11, ptr[row + r8]);
  mov(r9, r11);
  sub(r9, last);
  mov(last, r11);
  lea(r9, ptr[r8 + r9 * 4]);
  for (const Reg64& each : rows) prefetcht0(ptr[each + r9]);
}

// BezierWeights for the fraction in `fraction`, each in all four lanes of
// ymm10 to ymm13: u = 1 - t, 3t, 3t t, t t t.
void Emitter::BezierWeightsVector(const Xmm& fraction) {
  vmovsd(xmm10, ptr[rip + one]);
  vsubsd(xmm10, xmm10, fraction);
  vmulsd(xmm11, fraction, ptr[rip + Constant(3.0)]);
  vmulsd(xmm12, xmm11, fraction);
  vmulsd(xmm13, fraction, fraction);
  vmulsd(xmm13, xmm13, fraction);
  for (int32_t w = 10; w < 14; ++w) vbroadcastsd(Ymm(w), Xmm(w));
}

// InteriorBezierSegment(before, y0, y1, after) in each lane, with the
// weights in ymm10 to ymm13 and 1/3 in ymm14; ymm4 and ymm5 are scratch.
// `into` may be `before` or `y0`, not `y1`.
void Emitter::BezierCurveVector(const Ymm* points, const Ymm& into) {
  const Ymm& before = points[0];
  const Ymm& y0 = points[1];
  const Ymm& y1 = points[2];
  const Ymm& after = points[3];
  vsubpd(ymm4, y1, before);
  vmulpd(ymm4, ymm4, ymm14);
  vaddpd(ymm4, ymm4, y0);  // c1
  vsubpd(ymm5, after, y0);
  vmulpd(ymm5, ymm5, ymm14);
  vsubpd(ymm5, y1, ymm5);  // c2
  vmulpd(into, y0, ymm10);
  vmulpd(ymm4, ymm4, ymm11);
  vaddpd(into, into, ymm4);
  vmulpd(into, into, ymm10);
  vmulpd(ymm5, ymm5, ymm12);
  vaddpd(into, into, ymm5);
  vmulpd(into, into, ymm10);
  vmulpd(ymm4, y1, ymm13);
  vaddpd(into, into, ymm4);
}

// FetchBezier when the columns x - 1 .. x + 2 are all in the image (rows
// are repeated at the edges as the scalar code does); otherwise on to
// `scalar`, the indices and fractions intact. Each row's 12 bytes are read
// at once and turned so that each channel of each column holds the four
// rows, in the fetch slots of the x weights.
void Emitter::FetchBezierVector(Label& scalar) {
  test(r8, r8);
  jz(scalar, T_NEAR);
  lea(rax, ptr[r8 + 2]);
  cmp(rax, qword[r13 + FetchField(offsetof(CompiledFetch, width))]);
  jge(scalar, T_NEAR);
  lea(r8, ptr[r8 + r8 * 2 - 3]);
  // Rows y - 1 .. y + 2 into rcx, rdx, r10, rax, as row starts.
  mov(rax, qword[r13 + FetchField(offsetof(CompiledFetch, rgbRowLength))]);
  mov(rdx, r9);
  imul(rdx, rax);
  add(rdx, qword[r13 + FetchField(offsetof(CompiledFetch, rgb))]);
  mov(rcx, rdx);
  sub(rcx, rax);
  test(r9, r9);
  cmovz(rcx, rdx);
  mov(r11, qword[r13 + FetchField(offsetof(CompiledFetch, height))]);
  sub(r11, r9);  // rows from y to the bottom, at least 1
  lea(r10, ptr[rdx + rax]);
  cmp(r11, 1);
  cmove(r10, rdx);
  lea(rax, ptr[r10 + rax]);
  cmp(r11, 2);
  cmovbe(rax, r10);
  PrefetchNextWindow(rdx, {rcx, rdx, r10, rax});
  vmovapd(xmm9, xmm3);  // fy, for the curve down
  BezierWeightsVector(xmm2);
  const Reg64 rows[] = {rcx, rdx, r10, rax};
  for (int32_t j = 0; j < 4; ++j) {
    vmovq(Xmm(j), qword[rows[j] + r8]);
    vpinsrd(Xmm(j), Xmm(j), dword[rows[j] + r8 + 8], 2);
  }
  // Byte p of every row together: positions 0-3, 4-7 and 8-11.
  vpunpcklbw(xmm4, xmm0, xmm1);
  vpunpckhbw(xmm5, xmm0, xmm1);
  vpunpcklbw(xmm6, xmm2, xmm3);
  vpunpckhbw(xmm7, xmm2, xmm3);
  vpunpcklwd(xmm0, xmm4, xmm6);
  vpunpckhwd(xmm1, xmm4, xmm6);
  vpunpcklwd(xmm2, xmm5, xmm7);
  const int32_t bytes = fetchOffset + 8 * kFetchWeightsX;
  for (int32_t q = 0; q < 3; ++q) vmovdqu(ptr[rsp + bytes + 16 * q], Xmm(q));
  vbroadcastsd(ymm15, ptr[rip + Constant(kTwoTo52)]);
  vbroadcastsd(ymm14, ptr[rip + thirds]);
  // The curves across, channel k's four rows into ymm6 + k.
  const Ymm points[] = {ymm0, ymm1, ymm2, ymm3};
  for (int32_t k = 0; k < kColourBytes; ++k) {
    for (int32_t i = 0; i < 4; ++i)
      LoadBytesAsDoubles(points[i], ptr[rsp + bytes + 4 * (3 * i + k)]);
    BezierCurveVector(points, Ymm(6 + k));
  }
  // Down the column: the rows' results turned so that the lanes are the
  // channels (lane 3 repeats channel 2 and is dropped).
  BezierWeightsVector(xmm9);
  vunpcklpd(ymm4, ymm6, ymm7);
  vunpckhpd(ymm5, ymm6, ymm7);
  vunpckhpd(ymm9, ymm8, ymm8);
  vperm2f128(ymm0, ymm4, ymm8, 0x20);
  vperm2f128(ymm1, ymm5, ymm9, 0x20);
  vperm2f128(ymm2, ymm4, ymm8, 0x31);
  vperm2f128(ymm3, ymm5, ymm9, 0x31);
  BezierCurveVector(points, ymm6);
  StoreFetchedVector(ymm6);
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
