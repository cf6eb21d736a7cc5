// Conversion between RGB and hue-lightness-saturation on unit-range doubles.
#include "image/image.h"

namespace {

constexpr double kSixth = 1.0 / 6.0;  // the double nearest to 1/6

// Not-a-number (a script's 0/0) becomes 0, so the sextant index stays defined.
double ClampUnit(double value) {
  if (value > 1.0) return 1.0;
  if (!(value >= 0.0)) return 0.0;
  return value;
}

double Largest(double a, double b, double c) {
  const double ab = a > b ? a : b;
  return ab > c ? ab : c;
}

double Smallest(double a, double b, double c) {
  const double ab = a < b ? a : b;
  return ab < c ? ab : c;
}

// Hue in sextants 0..6. Exact comparisons: the channel that equals the
// maximum chooses the sextant pair, the one that equals the minimum the side.
double HueSextant(double r, double g, double b, double max, double min, double delta) {
  const double rc = (max - r) / delta;
  const double gc = (max - g) / delta;
  const double bc = (max - b) / delta;
  if (r == max) return g == min ? 5.0 + bc : 1.0 - gc;
  if (g == max) return b == min ? 1.0 + rc : 3.0 - bc;
  return r == min ? 3.0 + gc : 5.0 - rc;
}

}  // namespace

HlsColour RgbToHls(double r, double g, double b) {
  r = ClampUnit(r);
  g = ClampUnit(g);
  b = ClampUnit(b);
  const double max = Largest(r, g, b);
  const double min = Smallest(r, g, b);
  const double l = (max + min) * 0.5;
  if (l <= 0.0) return {0.0, 0.0, 0.0};
  const double delta = max - min;
  if (delta <= 0.0) return {0.0, 0.0, l};  // a grey
  const double s = l <= 0.5 ? delta / (max + min) : delta / (2.0 - max - min);
  return {HueSextant(r, g, b, max, min, delta) * kSixth, s, l};
}

RgbColour HlsToRgb(double h, double s, double l) {
  h = ClampUnit(h);
  s = ClampUnit(s);
  l = ClampUnit(l);
  const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
  if (m2 <= 0.0) return {0.0, 0.0, 0.0};
  const double m1 = 2.0 * l - m2;
  const double h6 = h * 6.0;
  const int32_t sextant = static_cast<int32_t>(h6);
  const double f = h6 - sextant;
  const double v = ((m2 - m1) / m2) * f * m2;
  const double rising = m1 + v;
  const double falling = m2 - v;
  switch (sextant) {
    case 0: return {m2, rising, m1};
    case 1: return {falling, m2, m1};
    case 2: return {m1, m2, rising};
    case 3: return {m1, falling, m2};
    case 4: return {rising, m1, m2};
    case 5: return {m2, m1, falling};
    default: return {m2, m1, m1};  // hue 1 is red again, as hue 0
  }
}
