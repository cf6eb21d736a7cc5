// Clipping shared by Blit and CombineFrom.
#include "image/block_clip.h"

#include <algorithm>

namespace {

// Moves a negative destination offset onto the source (or the reverse), so
// the block starts inside both images along one axis.
void ShiftOffNegative(int64_t& moved, int64_t& other, int64_t& extent) {
  if (moved < 0) {
    other -= moved;
    extent += moved;
    moved = 0;
  }
}

}  // namespace

int32_t ClipBlock(const RgbtImage& source, const RgbtImage& destination, int32_t sx32,
                  int32_t sy32, int32_t sc32, int32_t w32, int32_t h32, int32_t dx32,
                  int32_t dy32, int32_t dc32, int32_t n32, ClippedBlock* out) {
  if (source.data == nullptr || destination.data == nullptr) return 0;
  // 64-bit throughout: offsets near the int32 limits must not wrap.
  int64_t sx = sx32, sy = sy32, dx = dx32, dy = dy32;
  int64_t w = w32 == 0 ? source.width : w32;
  int64_t h = h32 == 0 ? source.height : h32;
  int64_t n = n32 == 0 ? source.channels : n32;
  ShiftOffNegative(dx, sx, w);
  ShiftOffNegative(dy, sy, h);
  ShiftOffNegative(sx, dx, w);
  ShiftOffNegative(sy, dy, h);
  if (w < 1 || h < 1) return 0;
  if (sx >= source.width || sy >= source.height) return 0;
  if (dx >= destination.width || dy >= destination.height) return 0;
  w = std::min(w, source.width - sx);
  h = std::min(h, source.height - sy);
  w = std::min(w, destination.width - dx);
  h = std::min(h, destination.height - dy);
  const int64_t sc = std::max<int64_t>(sc32, 0);
  const int64_t dc = std::max<int64_t>(dc32, 0);
  if (sc >= source.channels || dc >= destination.channels) return 0;
  n = std::min(n, source.channels - sc);
  n = std::min(n, destination.channels - dc);
  if (n < 1) return 0;
  *out = {static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(sc),
          static_cast<int32_t>(dx), static_cast<int32_t>(dy), static_cast<int32_t>(dc),
          static_cast<int32_t>(w),  static_cast<int32_t>(h),  static_cast<int32_t>(n)};
  return 1;
}
