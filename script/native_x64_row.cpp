// The row function's pixel loop around the program: transform's pixel
// driver is the reference, the same values in the same cells in the same
// order.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)

namespace native {
namespace x64 {

bool FindRowCells(ScriptEngine& engine, const GrowArray<Instruction>& code, RowCells* cells) {
  if (!engine.BindPixelCells(cells)) return false;
  cells->polarNamed = engine.NamesOnDemandVariable(code);
  return true;
}

// A variable's value: its register, or `scratch` loaded from its cell.
Xmm Emitter::ReadVariable(double* cell, const Xmm& scratch) {
  const PassConstant* constant =
      row != nullptr ? FindPassConstant(program.passConstants, cell) : nullptr;
  if (constant != nullptr) {
    movsd(scratch, ptr[rip + Constant(ValueOf(*constant))]);
    return scratch;
  }
  const int32_t v = VariableIndex(cell);
  if (v >= 0) return VariableRegister(v);
  mov(r11, reinterpret_cast<uint64_t>(cell));
  movsd(scratch, qword[r11]);
  return scratch;
}

// to += the variable, a constant of the pass read where it is.
void Emitter::AddVariable(const Xmm& to, double* cell, const Xmm& scratch) {
  const PassConstant* constant =
      row != nullptr ? FindPassConstant(program.passConstants, cell) : nullptr;
  if (constant != nullptr)
    addsd(to, ptr[rip + Constant(ValueOf(*constant))]);
  else
    addsd(to, ReadVariable(cell, scratch));
}

void Emitter::WriteVariable(double* cell, const Xmm& value) {
  const int32_t v = VariableIndex(cell);
  if (v >= 0) {
    movapd(VariableRegister(v), value);
  } else {
    mov(r11, reinterpret_cast<uint64_t>(cell));
    movsd(qword[r11], value);
  }
}

// r10 = the row's `field` pointer advanced by `step` bytes a column.
template <typename Pointer>
void Emitter::ColumnAddress(Pointer CompiledRowFrame::*field, int32_t step) {
  movsxd(r10, r14d);
  if (step == 3) lea(r10, ptr[r10 + r10 * 2]);
  add(r10, qword[r13 + FrameOffset(field)]);
}

void Emitter::LoadColour(int32_t offset, double* cell) {
  movzx(eax, byte[r10 + offset]);
  xorpd(xmm13, xmm13);
  cvtsi2sd(xmm13, eax);
  WriteVariable(cell, xmm13);
}

// The top of the pixel loop: the end of the row, a unit of the budget,
// then the pixel's variables.
void Emitter::EmitPixelStart() {
  L(pixelLoop);
  cmp(r14d, dword[r13 + FrameOffset(&CompiledRowFrame::width)]);
  jge(rowDone, T_NEAR);
  Label budgetLeft;
  SpendUnit();
  jg(budgetLeft, T_NEAR);
  StoreVariables();
  mov(Argument(0), rbx);
  mov(r10, reinterpret_cast<uint64_t>(&KeepGoingFromCode));
  call(r10);
  LoadVariables();
  test(al, al);
  jnz(budgetLeft, T_NEAR);
  EndWith(static_cast<int32_t>(Ending::kOutOfBudget));
  L(budgetLeft);
  // x and y from the column and row, measured from cx and cy.
  xorpd(xmm13, xmm13);
  cvtsi2sd(xmm13, r14d);
  subsd(xmm13, ReadVariable(row->cx, xmm14));
  movsd(xmm15, qword[r13 + FrameOffset(&CompiledRowFrame::row)]);
  subsd(xmm15, ReadVariable(row->cy, xmm14));
  movsd(qword[r13 + FrameOffset(&CompiledRowFrame::loadedX)], xmm13);
  movsd(qword[r13 + FrameOffset(&CompiledRowFrame::loadedY)], xmm15);
  WriteVariable(row->x, xmm13);
  WriteVariable(row->y, xmm15);
  if (row->polarNamed) EmitPolarStart();
  ColumnAddress(&CompiledRowFrame::sourceRgb, 3);
  LoadColour(0, row->blue);
  LoadColour(1, row->green);
  LoadColour(2, row->red);
  ColumnAddress(&CompiledRowFrame::sourceT, 1);
  LoadColour(0, row->alpha);
  // Each run starts with an empty text register.
  lea(rax, ptr[rip + emptyText]);
  mov(qword[rsp + 32], rax);
}

// r and t of the loaded position, by the driver's own expressions.
void Emitter::EmitPolarStart() {
  StoreVariables();
  CallHelper(&PolarOfPosition, qword[r13 + FrameOffset(&CompiledRowFrame::loadedX)], kFetchR);
  LoadVariables();
  movsd(xmm13, FetchSlot(kFetchR));
  WriteVariable(row->r, xmm13);
  movsd(xmm13, FetchSlot(kFetchT));
  WriteVariable(row->t, xmm13);
}

// ColourByte: NaN and values up to 0 give 0, 255 and above 255, the rest
// their whole part; into the byte at r10 + offset.
void Emitter::StoreColour(double* cell, int32_t offset) {
  Xmm value = ReadVariable(cell, xmm13);
  movapd(xmm15, value);
  maxsd(xmm15, xmm14);  // xmm14 is 0: NaN gives the second operand
  minsd(xmm15, ptr[rip + byteMax]);
  cvttsd2si(eax, xmm15);
  mov(byte[r10 + offset], al);
}

// The result by coord: 0 stored here, the rest fetched (native_x64_fetch.cpp).
void Emitter::EmitPixelEnd() {
  L(pixelDone);
  Label other;
  Label next;
  Xmm coord = ReadVariable(row->coord, xmm13);
  xorpd(xmm14, xmm14);
  ucomisd(coord, xmm14);
  jp(other, T_NEAR);
  jne(other, T_NEAR);
  ColumnAddress(&CompiledRowFrame::destinationRgb, 3);
  StoreColour(row->blue, 0);
  StoreColour(row->green, 1);
  StoreColour(row->red, 2);
  ColumnAddress(&CompiledRowFrame::destinationT, 1);
  StoreColour(row->alpha, 0);
  jmp(next, T_NEAR);
  L(other);
  StoreVariables();
  Label fetched;
  EmitFetch(fetched);
  L(fetched);
  LoadVariables();
  L(next);
  add(r14d, 1);
  jmp(pixelLoop, T_NEAR);
  L(rowDone);
  mov(eax, static_cast<int32_t>(Ending::kRowDone));
  // on to the epilogue, which follows
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
