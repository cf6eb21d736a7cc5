// Parameter declarations and value texts: any Init text is scanned in the
// three modes and every value text evaluated, without crashing, and a good
// scan fills only declared slots, each within its buffer.
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "script/script.h"
#include "transform/transform.h"

namespace {

class NoRows : public ParamRowView {
 public:
  void ResetRow(int32_t row) override { FUZZ_CHECK(row >= 0 && row < kParamSlotCount); }
  void ShowRow(int32_t row, const ParamSlot& slot, int32_t) override {
    FUZZ_CHECK(row >= 0 && row < kParamSlotCount);
    FUZZ_CHECK(std::strlen(slot.value) < static_cast<size_t>(kNameTextSize));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A program text holds at most 2047 characters.
  std::string text(reinterpret_cast<const char*>(data), size < 2047 ? size : 2047);
  text = text.c_str();
  ScriptEngine engine;
  NoRows rows;
  for (DeclarationMode mode : {kDeclareDefaults, kDeclareCheckOnly, kDeclareKeepValues}) {
    ParamSlot slots[kParamSlotCount] = {};
    int32_t count = 0;
    ParamTable table{slots, &count};
    if (ParseParamDeclarations(engine, text.c_str(), table, mode, &rows) == 0) continue;
    FUZZ_CHECK(count >= 0 && count <= kParamSlotCount);
    FUZZ_CHECK(DeclaredParamCount(slots) <= kParamSlotCount);
    for (const ParamSlot& slot : slots) {
      FUZZ_CHECK(std::memchr(slot.value, '\0', kNameTextSize) != nullptr);
      EvaluateParamText(engine, slot.value);
    }
  }
  EvaluateParamText(engine, text.c_str());
  return 0;
}
