// The interpolation kernels that fetch one channel of a source pixel.
#include "image/bezier_segment.h"
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
  k = ClampInto(k, image.channels);
  // Neighbours beyond the edges repeat the edge pixel (clamping, not wrapping).
  size_t columnOffset[4];
  const uint8_t* rows[4];
  for (int32_t i = 0; i < 4; ++i) {
    columnOffset[i] = static_cast<size_t>(ClampInto(sx - 1 + i, image.width)) * image.channels + k;
    rows[i] = image.data + static_cast<size_t>(ClampInto(sy - 1 + i, image.height)) * image.rowLength;
  }
  // A four-point curve through each row, evaluated on its middle segment (the
  // pixel and its right neighbour); then one down the column of results.
  double across[4];
  for (int32_t j = 0; j < 4; ++j) {
    const uint8_t* row = rows[j];
    across[j] = InteriorBezierSegment(row[columnOffset[0]], row[columnOffset[1]],
                                      row[columnOffset[2]], row[columnOffset[3]], fx);
  }
  // The curve may overshoot its samples: truncate, then clamp.
  return TruncateToByte(InteriorBezierSegment(across[0], across[1], across[2], across[3], fy));
}
