// Cost of one fetched byte per interpolation kernel, over a whole image.
#include <benchmark/benchmark.h>

#include "image/image.h"

namespace {

constexpr int32_t kSide = 256;

void Prepare(RgbtImage& image) {
  image.Create(kSide, kSide, 3, 0);
  for (int32_t i = 0; i < image.rowLength * image.height; ++i) {
    image.data[i] = static_cast<uint8_t>(i * 37 + (i >> 9));
  }
}

template <typename Kernel>
void RunOverImage(benchmark::State& state, Kernel kernel) {
  RgbtImage image;
  Prepare(image);
  for (auto _ : state) {
    uint32_t sum = 0;
    for (int32_t y = 0; y < kSide; ++y) {
      for (int32_t x = 0; x < kSide; ++x) {
        for (int32_t k = 0; k < 3; ++k) sum += kernel(image, x, y, k);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide * 3);
}

void BM_SampleRound(benchmark::State& state) {
  RunOverImage(state, [](const RgbtImage& image, int32_t x, int32_t y, int32_t k) {
    return SampleRound(image, x, y, k);
  });
}

void BM_SampleLinear(benchmark::State& state) {
  RunOverImage(state, [](const RgbtImage& image, int32_t x, int32_t y, int32_t k) {
    return SampleLinear(image, x, y, 0.3, 0.7, k);
  });
}

void BM_SampleBezier(benchmark::State& state) {
  RunOverImage(state, [](const RgbtImage& image, int32_t x, int32_t y, int32_t k) {
    return SampleBezier(image, x, y, 0.3, 0.7, k);
  });
}

BENCHMARK(BM_SampleRound);
BENCHMARK(BM_SampleLinear);
BENCHMARK(BM_SampleBezier);

}  // namespace
