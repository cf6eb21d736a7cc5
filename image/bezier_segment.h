// The cubic Bezier segment between two samples (private to image/), shared by
// the curve object and the Bezier kernel so both round identically.
#pragma once

// The double nearest to 1/3: the divisions by 3 are multiplications by it.
constexpr double kBezierThird = 1.0 / 3.0;

// Value at t of the segment from y0 to y1 with inner control values c1, c2,
// evaluated in this nested order: (1-t)^3 y0 + 3t(1-t)^2 c1 + 3t^2(1-t) c2 + t^3 y1.
inline double BezierSegment(double y0, double c1, double c2, double y1, double t) {
  const double u = 1.0 - t;
  return ((u * y0 + 3.0 * t * c1) * u + 3.0 * t * t * c2) * u + t * t * t * y1;
}

// Segment from y0 to y1 of a curve that continues through `before` and
// `after`: each inner control value follows the slope across its neighbours.
inline double InteriorBezierSegment(double before, double y0, double y1, double after, double t) {
  const double c1 = y0 + (y1 - before) * kBezierThird;
  const double c2 = y1 - (after - y0) * kBezierThird;
  return BezierSegment(y0, c1, c2, y1, t);
}
