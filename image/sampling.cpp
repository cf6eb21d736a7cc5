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

// The bilinear blend of one channel's four neighbouring samples.
double Bilinear(double p00, double p10, double p01, double p11, double fx, double fy) {
  return fy * (fx * p11 + (1.0 - fx) * p01) + (1.0 - fy) * (fx * p10 + (1.0 - fx) * p00);
}

// Byte offsets of a Bezier neighbourhood: the four columns (channel 0) and
// the four rows around (sx, sy), edges repeated.
struct BezierNeighbourhood {
  size_t columnOffset[4];
  const uint8_t* rows[4];
};

BezierNeighbourhood NeighbourhoodOf(const RgbtImage& image, int32_t sx, int32_t sy) {
  BezierNeighbourhood around;
  for (int32_t i = 0; i < 4; ++i) {
    const int32_t column = ClampInto(sx - 1 + i, image.width);
    const int32_t row = ClampInto(sy - 1 + i, image.height);
    around.columnOffset[i] = static_cast<size_t>(column) * image.channels;
    around.rows[i] = image.data + static_cast<size_t>(row) * image.rowLength;
  }
  return around;
}

// A four-point curve through each row, evaluated on its middle segment (the
// pixel and its right neighbour); then one down the column of results.
uint8_t BezierChannel(const BezierNeighbourhood& around, int32_t k, double fx, double fy) {
  double across[4];
  for (int32_t j = 0; j < 4; ++j) {
    const uint8_t* row = around.rows[j] + k;
    across[j] = InteriorBezierSegment(row[around.columnOffset[0]], row[around.columnOffset[1]],
                                      row[around.columnOffset[2]], row[around.columnOffset[3]], fx);
  }
  // The curve may overshoot its samples: truncate, then clamp.
  return TruncateToByte(InteriorBezierSegment(across[0], across[1], across[2], across[3], fy));
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
  return TruncateToByte(Bilinear(p00, p10, p01, p11, fx, fy));
}

uint8_t SampleBezier(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                     int32_t k) {
  if (image.data == nullptr) return 0;
  k = ClampInto(k, image.channels);
  // Neighbours beyond the edges repeat the edge pixel (clamping, not wrapping).
  return BezierChannel(NeighbourhoodOf(image, sx, sy), k, fx, fy);
}

void SampleLinearPixel(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                       uint8_t* out) {
  if (image.data == nullptr || image.width < 1 || image.height < 1) return;
  sx = ClampInto(sx, image.width);
  sy = ClampInto(sy, image.height);
  const int32_t x1 = sx + 1 == image.width ? 0 : sx + 1;
  const int32_t y1 = sy + 1 == image.height ? 0 : sy + 1;
  const uint8_t* row0 = image.data + static_cast<size_t>(sy) * image.rowLength;
  const uint8_t* row1 = image.data + static_cast<size_t>(y1) * image.rowLength;
  const size_t column0 = static_cast<size_t>(sx) * image.channels;
  const size_t column1 = static_cast<size_t>(x1) * image.channels;
  for (int32_t k = 0; k < image.channels; ++k) {
    out[k] = TruncateToByte(Bilinear(row0[column0 + k], row0[column1 + k], row1[column0 + k],
                                     row1[column1 + k], fx, fy));
  }
}

void SampleBezierPixel(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                       uint8_t* out) {
  if (image.data == nullptr || image.width < 1 || image.height < 1) return;
  const BezierNeighbourhood around = NeighbourhoodOf(image, sx, sy);
  for (int32_t k = 0; k < image.channels; ++k) out[k] = BezierChannel(around, k, fx, fy);
}
