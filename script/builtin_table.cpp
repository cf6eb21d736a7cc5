// The table of built-in functions, made from builtin_list.h, and the index
// that finds a row by its code.
#include <cstdint>

#include "script/builtins.h"
#include "script/script.h"

constexpr BuiltinEntry BuiltinTable[kBuiltinRows + 1] = {
#define MORFEL_BUILTIN(name, code, args, stackArgs, form, handler, effect, arguments, help) \
  {name, code, args, stackArgs, handler, BuiltinEffect::k##effect, arguments, help},
#include "script/builtin_list.h"
    {nullptr, 0, 0, 0, nullptr, BuiltinEffect::kPure, nullptr, nullptr},
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

constexpr bool CodesFitTheIndex() {
  for (int32_t row = 0; BuiltinTable[row].name != nullptr; ++row)
    if (BuiltinTable[row].code <= 0 || BuiltinTable[row].code >= kCodeIndexSize) return false;
  return true;
}
static_assert(CodesFitTheIndex(), "built-in codes lie in 1..0x7FFF");

constexpr CodeIndex kCodeIndex = MakeCodeIndex();

}  // namespace

const BuiltinEntry* FindBuiltinByCode(int32_t code) {
  if (code <= 0 || code >= kCodeIndexSize) return nullptr;
  int32_t rowPlusOne = kCodeIndex.rowPlusOne[code];
  return rowPlusOne == 0 ? nullptr : &BuiltinTable[rowPlusOne - 1];
}
