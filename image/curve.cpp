// Curve of points joined by cubic Bezier segments, used by the Bezier kernel.
#include <cmath>

#include "image/bezier_segment.h"
#include "image/image.h"

int32_t Curve::AddPoint(double x, double y) {
  int32_t at = 0;
  while (at < count && points[at].x < x) ++at;
  if (at < count && points[at].x == x) {
    points[at].y = y;
    return 1;
  }
  if (count == kCurveCapacity) return 0;
  for (int32_t i = count; i > at; --i) points[i] = points[i - 1];
  points[at] = {x, y};
  ++count;
  return 1;
}

int32_t Curve::SetPoint(int32_t i, double y) {
  if (i < 0 || i > count || i == kCurveCapacity) return 0;
  points[i] = {static_cast<double>(i), y};
  if (i == count) ++count;
  return 1;
}

double Curve::EvaluateSegment(int32_t i, double t) const {
  if (t > 1.0) {
    // Far beyond the last segment (or not a number): no segment there.
    if (!(t < static_cast<double>(count))) return 0.0;
    const double whole = std::trunc(t);
    i += static_cast<int32_t>(whole);
    t -= whole;
  }
  // The segment needs both of its end points.
  if (i < 0 || i + 1 >= count) return 0.0;
  const double y0 = points[i].y;
  const double y1 = points[i + 1].y;
  // Inner control values follow the neighbours; at the ends, one third of the
  // way along the chord.
  const double c1 =
      i == 0 ? (2.0 * y0 + y1) * kBezierThird : y0 + (y1 - points[i - 1].y) * kBezierThird;
  const double c2 = i + 1 == count - 1 ? (2.0 * y1 + y0) * kBezierThird
                                       : y1 - (points[i + 2].y - y0) * kBezierThird;
  return BezierSegment(y0, c1, c2, y1, t);
}
