// Bringing computed positions back onto the image.
#include <cmath>

#include "transform/pass.h"

namespace transform_pass {

// Reduces a position that the tile offset cannot bring into the int32 range
// (far left or above, or huge) with a floating-point remainder, which is
// exact, so the pixel and fraction agree with the usual path.
WrappedAxis WrapFarPosition(double position, int32_t size) {
  if (!std::isfinite(position)) return {0, 0.0};
  double reduced = std::fmod(position, static_cast<double>(size));
  if (reduced < 0.0) reduced += size;
  int32_t index = static_cast<int32_t>(reduced);
  // A tiny negative remainder can round up to exactly size.
  if (index >= size) return {0, 0.0};
  return {index, reduced - index};
}

}  // namespace transform_pass
