// The whole-pixel kernels against the one-channel ones they stand for.
#include <cstdint>

#include <gtest/gtest.h>

#include "image/image.h"

namespace {

TEST(SamplingPixel, EveryChannelEqualsTheOneChannelKernel) {
  // Odd sizes and a padded row, so that edges, wrapping neighbours and the
  // row length all take part.
  const int32_t sizes[][2] = {{1, 1}, {2, 3}, {5, 4}, {7, 1}};
  const double fractions[] = {0.0, 0.3, 0.5, 0.999};
  uint32_t seed = 99;
  for (const auto& size : sizes) {
    for (int32_t channels : {1, 3}) {
      RgbtImage image(size[0], size[1], channels);
      for (int32_t i = 0; i < image.rowLength * image.height; ++i) {
        seed = seed * 1103515245u + 12345u;
        image.data[i] = static_cast<uint8_t>(seed >> 16);
      }
      for (int32_t sy = 0; sy < image.height; ++sy)
        for (int32_t sx = 0; sx < image.width; ++sx)
          for (double fx : fractions)
            for (double fy : fractions) {
              uint8_t linear[3] = {};
              uint8_t bezier[3] = {};
              SampleLinearPixel(image, sx, sy, fx, fy, linear);
              SampleBezierPixel(image, sx, sy, fx, fy, bezier);
              for (int32_t k = 0; k < channels; ++k) {
                EXPECT_EQ(linear[k], SampleLinear(image, sx, sy, fx, fy, k))
                    << sx << "," << sy << " " << fx << "," << fy << " k " << k;
                EXPECT_EQ(bezier[k], SampleBezier(image, sx, sy, fx, fy, k))
                    << sx << "," << sy << " " << fx << "," << fy << " k " << k;
              }
            }
    }
  }
}

TEST(SamplingPixel, AnEmptyImageWritesNothing) {
  RgbtImage image;
  uint8_t out[3] = {7, 7, 7};
  SampleLinearPixel(image, 0, 0, 0.5, 0.5, out);
  SampleBezierPixel(image, 0, 0, 0.5, 0.5, out);
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[2], 7);
}

}  // namespace
