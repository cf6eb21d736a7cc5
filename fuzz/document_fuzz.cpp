// The key=value document: whatever is read, written and read again, reads
// the same, and the writer never refuses a document the reader produced.
#include <string>

#include "fuzz/fuzz_support.h"
#include "core/value_list.h"
#include "library/library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  KeyValueDocument first;
  first.Parse(reinterpret_cast<const char*>(data), size);
  const char* section = nullptr;
  const char* key = nullptr;
  FUZZ_CHECK(first.FindUnstorable(&section, &key) == 0);
  const std::string text = SerializedText(first);
  KeyValueDocument second;
  FUZZ_CHECK(second.Parse(text.data(), text.size()) == 0);
  FUZZ_CHECK(SerializedText(second) == text);
  FUZZ_CHECK(second.root().count() == first.root().count());
  return 0;
}
