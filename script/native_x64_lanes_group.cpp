// A group of four pixels in the lanes' row function: the pixel driver's
// work (transform's pixel driver is the reference) for four columns at
// once. Nothing the group does is seen before its end: its bytes and the
// variables' cells are written only once every lane has finished with coord
// 0, so a group handed back to the scalar code is run there from scratch.
#include "script/native_x64_lanes.h"

#if defined(MORFEL_NATIVE_X64)

namespace native {
namespace x64 {

// Four more columns, a unit of the run budget each that leaves the count
// above 0 (the scalar check would come at 0), x and y, the bytes.
void LanesEmitter::EmitGroupStart() {
  const int32_t work = WorkLeftOffset(engine);
  mov(eax, r14d);
  add(eax, kLanes);
  cmp(eax, dword[r13 + FrameOffset(&CompiledRowFrame::width)]);
  jg(handOver, T_NEAR);
  mov(ecx, dword[rbx + work]);
  cmp(ecx, kLanes + 1);
  jl(handOver, T_NEAR);
  mov(dword[rsp + workOffset], ecx);
  sub(ecx, kLanes);
  mov(dword[rbx + work], ecx);
  // x and y from the columns and the row, measured from cx and cy.
  vmovd(xmm13, r14d);
  vpbroadcastd(xmm13, xmm13);
  vpaddd(xmm13, xmm13, ptr[rip + laneSteps]);
  vcvtdq2pd(ymm13, xmm13);
  vsubpd(ymm13, ymm13, ReadVariable(shape.cx, ymm14));
  SetVariable(shape.x, ymm13);
  vbroadcastsd(ymm13, qword[r13 + FrameOffset(&CompiledRowFrame::row)]);
  vsubpd(ymm13, ymm13, ReadVariable(shape.cy, ymm14));
  SetVariable(shape.y, ymm13);
  // Twelve bytes of the source row, blue first; then four of T.
  movsxd(r10, r14d);
  lea(r10, ptr[r10 + r10 * 2]);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::sourceRgb)]);
  vmovq(xmm15, qword[r10]);
  vpinsrd(xmm15, xmm15, dword[r10 + 8], 2);
  for (int32_t c = 0; c < 3; ++c) {
    vpshufb(xmm13, xmm15, ptr[rip + spread[c]]);
    vcvtdq2pd(ymm13, xmm13);
    SetVariable(shape.colour[c], ymm13);
  }
  movsxd(r10, r14d);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::sourceT)]);
  vpmovzxbd(xmm13, dword[r10]);
  vcvtdq2pd(ymm13, xmm13);
  SetVariable(shape.colour[3], ymm13);
  vxorpd(ymm13, ymm13, ymm13);
  for (size_t v = 0; v < shape.kinds.size(); ++v)
    if (shape.kinds[v] == LaneVariable::kTracked) vmovupd(MaskOf(static_cast<int32_t>(v)), ymm13);
  vpcmpeqd(ymm12, ymm12, ymm12);  // every lane runs
}

// Coord 0 in every lane, or the scalar code runs the group; then the
// bytes, the cells, and on to the next group.
void LanesEmitter::EmitGroupEnd() {
  const Ymm coord = ReadVariable(shape.coord, ymm13);
  vxorpd(ymm15, ymm15, ymm15);
  vcmppd(ymm14, coord, ymm15, 0);  // equal, ordered: NaN is another coord
  vmovmskpd(eax, ymm14);
  cmp(eax, (1 << kLanes) - 1);
  jne(replay, T_NEAR);
  StoreBytes();
  CarryToCells();
  add(r14d, kLanes);
  jmp(groupLoop, T_NEAR);
}

// ColourByte four lanes wide: NaN and values up to 0 give 0, 255 and above
// 255, the rest their whole part. ymm15 holds 0.
void LanesEmitter::ClampToBytes(int32_t v, const Xbyak::Xmm& into, const Ymm& scratch) {
  const Ymm value = ReadVariable(v, scratch);
  vmaxpd(scratch, value, ymm15);  // NaN gives the second operand
  vminpd(scratch, scratch, ptr[rip + byteMax]);
  vcvttpd2dq(into, scratch);
}

void LanesEmitter::StoreBytes() {
  vxorpd(ymm15, ymm15, ymm15);
  ClampToBytes(shape.colour[0], xmm13, ymm13);
  for (int32_t c = 1; c < 3; ++c) {
    ClampToBytes(shape.colour[c], xmm14, ymm14);
    vpslld(xmm14, xmm14, 8 * c);
    vpor(xmm13, xmm13, xmm14);
  }
  vpshufb(xmm13, xmm13, ptr[rip + pack]);
  movsxd(r10, r14d);
  lea(r10, ptr[r10 + r10 * 2]);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::destinationRgb)]);
  vmovq(qword[r10], xmm13);
  vpextrd(dword[r10 + 8], xmm13, 2);
  ClampToBytes(shape.colour[3], xmm13, ymm13);
  vpackusdw(xmm13, xmm13, xmm13);
  vpackuswb(xmm13, xmm13, xmm13);
  movsxd(r10, r14d);
  add(r10, qword[r13 + FrameOffset(&CompiledRowFrame::destinationT)]);
  vmovd(dword[r10], xmm13);
}

// What the scalar code leaves in the cells after the group's last pixel:
// lane 3's value, or a tracked variable's from the last lane that assigned
// it; and the position the last pixel was given.
void LanesEmitter::CarryToCells() {
  for (size_t k = 0; k < shape.kinds.size(); ++k) {
    const int32_t v = static_cast<int32_t>(k);
    const LaneVariable kind = shape.kinds[k];
    if (kind == LaneVariable::kReadOnly || kind == LaneVariable::kDriven) continue;
    mov(r11, reinterpret_cast<uint64_t>(shape.cells[k]));
    if (kind != LaneVariable::kTracked) {
      // Lane 3: the high half's high double.
      if (RegisterOf(v) >= 0) {
        vextractf128(xmm14, Ymm(RegisterOf(v)), 1);
        vmovhpd(qword[r11], xmm14);
      } else {
        vmovsd(xmm14, qword[rsp + slotOffset + 32 * v + 8 * (kLanes - 1)]);
        vmovsd(qword[r11], xmm14);
      }
      continue;
    }
    Xbyak::Label skip;
    vmovupd(ymm14, MaskOf(v));
    vmovmskpd(eax, ymm14);
    test(eax, eax);
    jz(skip, T_NEAR);
    bsr(eax, eax);
    vmovupd(ptr[rsp + laneOffset], ReadVariable(v, ymm13));
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
  vsubsd(xmm13, xmm13, Xmm(ReadVariable(shape.cx, ymm14).getIdx()));
  vmovsd(qword[r13 + FrameOffset(&CompiledRowFrame::loadedX)], xmm13);
  vmovsd(xmm15, qword[r13 + FrameOffset(&CompiledRowFrame::row)]);
  vsubsd(xmm15, xmm15, Xmm(ReadVariable(shape.cy, ymm14).getIdx()));
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
