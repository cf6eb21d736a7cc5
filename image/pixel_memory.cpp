// Huge-page advice for large pixel buffers (image.h).
#include <cstdint>

#include "image/image.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
// Below two huge pages the advice saves too little to be worth a system call.
constexpr size_t kAdviseFrom = size_t{2} * kHugePage;

}  // namespace

void AdviseHugePages(const void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (data == nullptr || bytes < kAdviseFrom) return;
  // Only whole huge pages inside the buffer: the advice reaches no memory
  // beside it.
  const uintptr_t start = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHugePage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}
