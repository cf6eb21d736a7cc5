// The built-in functions in the order the compiler looks names up. A code is
// formed from one or two characters, the first in the low byte. The loaders'
// file name is a string literal, which counts as an argument but occupies no
// stack entry, hence stackArgs.
#include <cstdint>

#include "script/builtins.h"
#include "script/script.h"

constexpr BuiltinEntry BuiltinTable[kBuiltinRows + 1] = {
    {"sin", 0x73, 1, 1, BuiltinSin},
    {"cos", 0x63, 1, 1, BuiltinCos},
    {"tan", 0x74, 1, 1, BuiltinTan},
    {"exp", 0x65, 1, 1, BuiltinExp},
    {"log", 0x6C, 1, 1, BuiltinLog},
    {"pow", 0x70, 2, 2, BuiltinPow},
    {"abs", 0x61, 1, 1, BuiltinAbs},
    {"sqrt", 0x53, 1, 1, BuiltinSqrt},
    {"rand", 0x72, 2, 2, BuiltinRand},
    {"srand", 0x52, 1, 1, BuiltinSrand},
    {"int", 0x69, 1, 1, BuiltinInt},
    {"acos", 0x163, 1, 1, BuiltinAcos},
    {"asin", 0x173, 1, 1, BuiltinAsin},
    {"atan2", 0x174, 2, 2, BuiltinAtan2},
    {"min", 0x6D, 2, 2, BuiltinMin},
    {"max", 0x4D, 2, 2, BuiltinMax},
    {"sgn", 0x7A, 1, 1, BuiltinSgn},
    {"exit", 0x71, 1, 1, nullptr},
    {"get", 0x50, 2, 2, BuiltinGet},
    {"_get", 0x250, 2, 2, BuiltinDstGet},
    {"add", 0x150, 3, 3, BuiltinAdd},
    {"_add", 0x350, 3, 3, BuiltinDstAdd},
    {"getb", 0x450, 3, 3, BuiltinGetb},
    {"R", 0x32, 2, 2, BuiltinSrcR},
    {"G", 0x31, 2, 2, BuiltinSrcG},
    {"B", 0x30, 2, 2, BuiltinSrcB},
    {"T", 0x33, 2, 2, BuiltinSrcT},
    {"_R", 0x37, 2, 2, BuiltinDstR},
    {"_G", 0x36, 2, 2, BuiltinDstG},
    {"_B", 0x35, 2, 2, BuiltinDstB},
    {"_T", 0x38, 2, 2, BuiltinDstT},
    {"HLS", 0x48, 3, 3, BuiltinHls},
    {"RGB", 0x148, 3, 3, BuiltinRgb},
    {"SetMatrix3", 0x5A, 11, 11, BuiltinSetMatrix3},
    {"SetMatrix5", 0x59, 27, 27, BuiltinSetMatrix5},
    {"LoadBmp", 0x49, 2, 1, BuiltinLoadBmp},
    {"LoadBmpNum", 0x4A, 3, 2, BuiltinLoadBmpNum},
    {"Conv", 0x58, 3, 3, BuiltinConv},
    {"_Conv", 0x5F78, 3, 3, BuiltinDstConv},
    {"_Fill", 0x5F66, 3, 3, BuiltinFill},
    {"_FillT", 0x5F46, 1, 1, BuiltinFillT},
    {"_Copy", 0x5F63, 1, 1, BuiltinCopy},
    {"_Draw", 0x5F64, 3, 3, BuiltinDraw},
    {"_DrawT", 0x5F44, 3, 3, BuiltinDrawT},
    {"_Pset", 0x5F70, 2, 2, BuiltinPset},
    {"_Tset", 0x5F74, 2, 2, BuiltinTset},
    {"xs", 0x7873, 1, 1, BuiltinSlotWidth},
    {"ys", 0x7973, 1, 1, BuiltinSlotHeight},
    {"clean", 0x43, 1, 1, BuiltinClean},
    {nullptr, 0, 0, 0, nullptr},
};

namespace {

// Codes are below 0x8000; the index maps a code to its row + 1 (0: none),
// so that Run dispatches a call without searching the table. It is made
// while compiling, so a call pays neither a search nor a first-use check.
constexpr int32_t kCodeIndexSize = 0x8000;

struct CodeIndex {
  uint8_t rowPlusOne[kCodeIndexSize] = {};
};

constexpr CodeIndex MakeCodeIndex() {
  CodeIndex index;
  for (int32_t row = 0; BuiltinTable[row].name != nullptr; ++row) {
    int32_t code = BuiltinTable[row].code;
    if (code > 0 && code < kCodeIndexSize) index.rowPlusOne[code] = static_cast<uint8_t>(row + 1);
  }
  return index;
}

constexpr CodeIndex kCodeIndex = MakeCodeIndex();

}  // namespace

const BuiltinEntry* FindBuiltinByCode(int32_t code) {
  if (code <= 0 || code >= kCodeIndexSize) return nullptr;
  int32_t rowPlusOne = kCodeIndex.rowPlusOne[code];
  return rowPlusOne == 0 ? nullptr : &BuiltinTable[rowPlusOne - 1];
}
