// Walking the pixels of a straight line (private to image/).
#pragma once

#include <cstdint>

// Steps from (x0, y0) to (x1, y1) one pixel at a time along the longer axis,
// the shorter axis following in 16.16 fixed point (held in 64 bits so that
// wide images cannot overflow it). Every point lies within the bounding box
// of the two end points.
class LineWalk {
 public:
  LineWalk(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
  // Number of points, both end points included.
  int32_t Count() const { return steps + 1; }
  // Point i, for 0 <= i < Count().
  int32_t X(int32_t i) const;
  int32_t Y(int32_t i) const;

 private:
  int32_t Along(int64_t start, int64_t increment, int32_t i) const;

  int32_t x0, y0;
  int32_t steps;
  int64_t xIncrement, yIncrement;  // 16.16 per step
};
