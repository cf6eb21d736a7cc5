// A group of pixels in the lanes' row function: the pixel driver's work
// (transform's pixel driver is the reference) for four or eight columns at
// once. Nothing the group does is seen before its end: its bytes and the
// variables' cells are written only once every lane has finished with coord
// 0, so a group handed back to the scalar code is run there from scratch.
#include "script/native_x64_lanes.h"

#if defined(MORFEL_NATIVE_X64)

namespace native {
namespace x64 {

// A group's worth of columns more, a unit of the run budget each that
// leaves the count above 0 (the scalar check would come at 0), x and y, the
// bytes. No stack value lives here: xmm0..2 are free.
void LanesEmitter::EmitGroupStart() {
  const int32_t work = WorkLeftOffset(engine);
  mov(eax, r14d);
  add(eax, lanes);
  cmp(eax, dword[r13 + FrameOffset(&CompiledRowFrame::width)]);
  jg(handOver, T_NEAR);
  mov(ecx, dword[rbx + work]);
  cmp(ecx, lanes + 1);
  jl(handOver, T_NEAR);
  mov(dword[rsp + workOffset], ecx);
  sub(ecx, lanes);
  mov(dword[rbx + work], ecx);
  // x and y from the columns and the row, measured from cx and cy.
  const Xbyak::Xmm integers = Narrow(13);
  vmovd(xmm13, r14d);
  vpbroadcastd(integers, xmm13);
  vpaddd(integers, integers, ptr[rip + laneSteps]);
  vcvtdq2pd(V(13), integers);
  vsubpd(V(13), V(13), ReadVariable(shape.cx, V(14)));
  SetVariable(shape.x, V(13));
  vbroadcastsd(V(13), qword[r13 + FrameOffset(&CompiledRowFrame::row)]);
  vsubpd(V(13), V(13), ReadVariable(shape.cy, V(14)));
  SetVariable(shape.y, V(13));
  // Twelve bytes of the source row a half, blue first; then T's bytes.
  movsxd(r10, r14d);
  lea(r10, ptr[r10 + r10 * 2]);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::sourceRgb)]);
  for (int32_t half = 0; half < lanes / kLanes; ++half) {
    vmovq(Xmm(half), qword[r10 + 12 * half]);
    vpinsrd(Xmm(half), Xmm(half), dword[r10 + 12 * half + 8], 2);
  }
  for (int32_t c = 0; c < 3; ++c) {
    vpshufb(xmm13, xmm0, ptr[rip + spread[c]]);
    if (wide) {
      vpshufb(xmm2, xmm1, ptr[rip + spread[c]]);
      vinserti128(ymm13, ymm13, xmm2, 1);
    }
    vcvtdq2pd(V(13), integers);
    SetVariable(shape.colour[c], V(13));
  }
  movsxd(r10, r14d);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::sourceT)]);
  if (wide)
    vpmovzxbd(integers, qword[r10]);
  else
    vpmovzxbd(integers, dword[r10]);
  vcvtdq2pd(V(13), integers);
  SetVariable(shape.colour[3], V(13));
  vxorpd(V(13), V(13), V(13));
  for (size_t v = 0; v < shape.kinds.size(); ++v)
    if (shape.kinds[v] == LaneVariable::kTracked) vmovupd(MaskOf(static_cast<int32_t>(v)), V(13));
  SetAllOnes(V(12));  // every lane runs
}

// Coord 0 in every lane, or the scalar code runs the group; then the
// bytes, the cells, and on to the next group.
void LanesEmitter::EmitGroupEnd() {
  const Ymm coord = ReadVariable(shape.coord, V(13));
  vxorpd(V(15), V(15), V(15));
  CompareInto(V(14), coord, V(15), 0);  // equal, ordered: NaN is another coord
  MoveMask(eax, V(14));
  cmp(eax, (1 << lanes) - 1);
  jne(replay, T_NEAR);
  StoreBytes();
  CarryToCells();
  add(r14d, lanes);
  jmp(groupLoop, T_NEAR);
}

// ColourByte four lanes wide: NaN and values up to 0 give 0, 255 and above
// 255, the rest their whole part. ymm15 holds 0.
void LanesEmitter::ClampToBytes(int32_t v, const Xbyak::Xmm& into, const Ymm& scratch) {
  const Ymm value = ReadVariable(v, scratch);
  vmaxpd(scratch, value, V(15));  // NaN gives the second operand
  vminpd(scratch, scratch, ptr[rip + byteMax]);
  vcvttpd2dq(into, scratch);
}

void LanesEmitter::StoreBytes() {
  vxorpd(V(15), V(15), V(15));
  const Xbyak::Xmm bytes = Narrow(13);
  const Xbyak::Xmm next = Narrow(14);
  ClampToBytes(shape.colour[0], bytes, V(13));
  for (int32_t c = 1; c < 3; ++c) {
    ClampToBytes(shape.colour[c], next, V(14));
    vpslld(next, next, 8 * c);
    vpor(bytes, bytes, next);
  }
  vpshufb(bytes, bytes, ptr[rip + pack]);  // twelve bytes at the foot of each half
  movsxd(r10, r14d);
  lea(r10, ptr[r10 + r10 * 2]);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::destinationRgb)]);
  vmovq(qword[r10], xmm13);
  vpextrd(dword[r10 + 8], xmm13, 2);
  if (wide) {
    vextracti128(xmm13, ymm13, 1);
    vmovq(qword[r10 + 12], xmm13);
    vpextrd(dword[r10 + 20], xmm13, 2);
  }
  ClampToBytes(shape.colour[3], bytes, V(13));
  movsxd(r10, r14d);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::destinationT)]);
  if (wide) {
    vpmovdb(qword[r10], ymm13);  // each lane 0..255 already
    return;
  }
  vpackusdw(xmm13, xmm13, xmm13);
  vpackuswb(xmm13, xmm13, xmm13);
  vmovd(dword[r10], xmm13);
}

// What the scalar code leaves in the cells after the group's last pixel:
// the last lane's value, or a tracked variable's from the last lane that assigned
// it; and the position the last pixel was given.
void LanesEmitter::CarryToCells() {
  for (size_t k = 0; k < shape.kinds.size(); ++k) {
    const int32_t v = static_cast<int32_t>(k);
    const LaneVariable kind = shape.kinds[k];
    if (kind == LaneVariable::kReadOnly || kind == LaneVariable::kDriven) continue;
    mov(r11, reinterpret_cast<uint64_t>(shape.cells[k]));
    if (kind != LaneVariable::kTracked) {
      if (RegisterOf(v) >= 0 && !wide) {
        // Lane 3: the high half's high double.
        vextractf128(xmm14, Ymm(RegisterOf(v)), 1);
        vmovhpd(qword[r11], xmm14);
        continue;
      }
      if (RegisterOf(v) >= 0) {
        vextractf64x4(ymm14, Xbyak::Zmm(RegisterOf(v)), 1);
        vextractf128(xmm14, ymm14, 1);
        vmovhpd(qword[r11], xmm14);
        continue;
      }
      vmovsd(xmm14, qword[rsp + slotOffset + width * v + 8 * (lanes - 1)]);
      vmovsd(qword[r11], xmm14);
      continue;
    }
    Xbyak::Label skip;
    vmovupd(V(14), MaskOf(v));
    MoveMask(eax, V(14));
    test(eax, eax);
    jz(skip, T_NEAR);
    bsr(eax, eax);
    vmovupd(ptr[rsp + laneOffset], ReadVariable(v, V(13)));
    vmovsd(xmm14, qword[rsp + laneOffset + rax * 8]);
    vmovsd(qword[r11], xmm14);
    L(skip);
  }
}

// On leaving after at least one group (r15d: the first column): the
// position the last pixel was given, and the cells of the driver's
// variables the program never assigns, from that pixel's column and bytes.
void LanesEmitter::EmitLastPixel() {
  Xbyak::Label none;
  cmp(r14d, r15d);
  jle(none, T_NEAR);
  lea(eax, ptr[r14 - 1]);
  vxorpd(xmm13, xmm13, xmm13);
  vcvtsi2sd(xmm13, xmm13, eax);
  vsubsd(xmm13, xmm13, Xmm(ReadVariable(shape.cx, V(14)).getIdx()));
  vmovsd(qword[r13 + FrameOffset(&CompiledRowFrame::loadedX)], xmm13);
  vmovsd(xmm15, qword[r13 + FrameOffset(&CompiledRowFrame::row)]);
  vsubsd(xmm15, xmm15, Xmm(ReadVariable(shape.cy, V(14)).getIdx()));
  vmovsd(qword[r13 + FrameOffset(&CompiledRowFrame::loadedY)], xmm15);
  const auto driven = [this](int32_t v) {
    return shape.kinds[static_cast<size_t>(v)] == LaneVariable::kDriven;
  };
  const struct {
    int32_t variable;
    const Xbyak::Xmm& value;
  } position[] = {{shape.x, xmm13}, {shape.y, xmm15}};
  for (const auto& entry : position) {
    if (!driven(entry.variable)) continue;
    mov(r11, reinterpret_cast<uint64_t>(shape.cells[static_cast<size_t>(entry.variable)]));
    vmovsd(qword[r11], entry.value);
  }
  // The last pixel's bytes, blue first, then T.
  movsxd(r10, eax);
  lea(rcx, ptr[r10 + r10 * 2]);
  add(rcx, qword[r13 + FrameOffset(&CompiledRowFrame::sourceRgb)]);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::sourceT)]);
  for (int32_t c = 0; c < 4; ++c) {
    if (!driven(shape.colour[c])) continue;
    if (c < 3)
      movzx(edx, byte[rcx + c]);
    else
      movzx(edx, byte[r10]);
    vxorpd(xmm13, xmm13, xmm13);
    vcvtsi2sd(xmm13, xmm13, edx);
    mov(r11, reinterpret_cast<uint64_t>(shape.cells[static_cast<size_t>(shape.colour[c])]));
    vmovsd(qword[r11], xmm13);
  }
  L(none);
}

// A group the lanes cannot finish gets the budget's count back as it found
// it; the scalar code runs from its first column.
void LanesEmitter::EmitHandOver() {
  L(replay);
  mov(ecx, dword[rsp + workOffset]);
  mov(dword[rbx + WorkLeftOffset(engine)], ecx);
  L(handOver);
  EmitLastPixel();
  mov(dword[r13 + FrameOffset(&CompiledRowFrame::column)], r14d);
  mov(eax, static_cast<int32_t>(Ending::kLanesHandOver));
  mov(ecx, static_cast<int32_t>(Ending::kRowDone));
  cmp(r14d, dword[r13 + FrameOffset(&CompiledRowFrame::width)]);
  cmovge(eax, ecx);
  // on to the epilogue, which follows
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
