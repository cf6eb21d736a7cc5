// The interpolation kernels that fetch one channel of a source pixel.
#include "image/image.h"

namespace {

// Truncates toward zero and clamps into byte range; not-a-number gives 0.
uint8_t TruncateToByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int32_t>(value));
}

double Sample(const RgbtImage& image, int32_t x, int32_t y, int32_t k) {
  return *image.PixelAddress(x, y, k);
}

int32_t ClampInto(int32_t value, int32_t limit) {
  if (value < 0) return 0;
  if (value >= limit) return limit - 1;
  return value;
}

}  // namespace

uint8_t SampleRound(const RgbtImage& image, int32_t sx, int32_t sy, int32_t k) {
  if (image.data == nullptr) return 0;
  return *image.PixelAddress(sx, sy, k);
}

uint8_t SampleLinear(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                     int32_t k) {
  if (image.data == nullptr) return 0;
  sx = ClampInto(sx, image.width);
  sy = ClampInto(sy, image.height);
  // The right and bottom neighbours wrap, as the position itself was wrapped.
  const int32_t x1 = sx + 1 == image.width ? 0 : sx + 1;
  const int32_t y1 = sy + 1 == image.height ? 0 : sy + 1;
  const double p00 = Sample(image, sx, sy, k);
  const double p10 = Sample(image, x1, sy, k);
  const double p01 = Sample(image, sx, y1, k);
  const double p11 = Sample(image, x1, y1, k);
  const double value = fy * (fx * p11 + (1.0 - fx) * p01) + (1.0 - fy) * (fx * p10 + (1.0 - fx) * p00);
  return TruncateToByte(value);
}

uint8_t SampleBezier(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                     int32_t k) {
  if (image.data == nullptr) return 0;
  // Neighbours beyond the edges repeat the edge pixel (PixelAddress clamps).
  // Segment 1 of a four-point curve spans the pixel and its right (or lower)
  // neighbour.
  Curve curve;
  double across[4];
  for (int32_t j = 0; j < 4; ++j) {
    for (int32_t i = 0; i < 4; ++i) {
      curve.SetPoint(i, Sample(image, sx - 1 + i, sy - 1 + j, k));
    }
    across[j] = curve.EvaluateSegment(1, fx);
  }
  for (int32_t j = 0; j < 4; ++j) curve.SetPoint(j, across[j]);
  // The curve may overshoot its samples: truncate, then clamp.
  return TruncateToByte(curve.EvaluateSegment(1, fy));
}
