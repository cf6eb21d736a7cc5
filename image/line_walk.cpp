// Fixed-point line stepping for the drawing and reading slots.
#include "image/line_walk.h"

#include <cstdlib>

namespace {

constexpr int64_t kOne = int64_t{1} << 16;
constexpr int64_t kHalf = kOne / 2;

}  // namespace

LineWalk::LineWalk(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY)
    : x0(fromX), y0(fromY) {
  const int64_t dx = int64_t{toX} - fromX;
  const int64_t dy = int64_t{toY} - fromY;
  const int64_t longer = std::llabs(dx) > std::llabs(dy) ? std::llabs(dx) : std::llabs(dy);
  steps = static_cast<int32_t>(longer);
  xIncrement = longer == 0 ? 0 : dx * kOne / longer;
  yIncrement = longer == 0 ? 0 : dy * kOne / longer;
}

// The start sits at the centre of its pixel, so the shorter axis rounds to
// the nearest pixel at every step; truncated increments never overshoot the end.
int32_t LineWalk::Along(int64_t start, int64_t increment, int32_t i) const {
  const int64_t fixed = start * kOne + kHalf + increment * i;
  return static_cast<int32_t>(fixed >> 16);
}

int32_t LineWalk::X(int32_t i) const { return Along(x0, xIncrement, i); }
int32_t LineWalk::Y(int32_t i) const { return Along(y0, yIncrement, i); }
