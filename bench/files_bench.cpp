// The morfel host's image files: PNG and JPEG of a 4096 x 4096 photograph
// (the sample upscaled, with a sensor's grain), decoded and encoded by the
// host's codecs and, as the baseline, by stb, which the host used before;
// the PNG writer also on one thread, beside zlib's fastest level on the raw
// rows, the floor any PNG writer built on zlib starts from.
#include <benchmark/benchmark.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <zlib.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "files/files.h"

namespace {

constexpr int kSide = 4096;

// The sample bilinearly upscaled, plus Gaussian grain of 2 levels.
const Picture& Photograph() {
  static Picture photo = [] {
    Picture sample, upscaled;
    std::string error;
    ReadPicture(MORFEL_SAMPLE, &sample, &error);
    upscaled.width = upscaled.height = kSide;
    upscaled.bgr.resize(size_t{kSide} * kSide * 3);
    upscaled.t.assign(size_t{kSide} * kSide, 255);
    std::mt19937 random(1);
    std::normal_distribution<double> grain(0, 2.0);
    for (int y = 0; y < kSide; ++y) {
      double sy = (y + 0.5) * sample.height / kSide - 0.5;
      int y0 = sy < 0 ? 0 : static_cast<int>(sy);
      int y1 = y0 + 1 < sample.height ? y0 + 1 : y0;
      double fy = sy < 0 ? 0 : sy - y0;
      for (int x = 0; x < kSide; ++x) {
        double sx = (x + 0.5) * sample.width / kSide - 0.5;
        int x0 = sx < 0 ? 0 : static_cast<int>(sx);
        int x1 = x0 + 1 < sample.width ? x0 + 1 : x0;
        double fx = sx < 0 ? 0 : sx - x0;
        for (int c = 0; c < 3; ++c) {
          auto at = [&](int px, int py) {
            return sample.bgr[(static_cast<size_t>(py) * sample.width + px) * 3 + c];
          };
          double v = (1 - fy) * ((1 - fx) * at(x0, y0) + fx * at(x1, y0)) +
                     fy * ((1 - fx) * at(x0, y1) + fx * at(x1, y1)) + grain(random);
          upscaled.bgr[(static_cast<size_t>(y) * kSide + x) * 3 + c] =
              static_cast<uint8_t>(v < 0     ? 0
                                   : v > 255 ? 255
                                             : v + 0.5);
        }
      }
    }
    return upscaled;
  }();
  return photo;
}

std::vector<uint8_t> Rgb(const Picture& picture) {
  std::vector<uint8_t> rgb(picture.bgr.size());
  for (size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = picture.bgr[i + 2];
    rgb[i + 1] = picture.bgr[i + 1];
    rgb[i + 2] = picture.bgr[i];
  }
  return rgb;
}

void Append(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

std::vector<uint8_t> EncodeStb(ImageFormat format) {
  std::vector<uint8_t> rgb = Rgb(Photograph()), file;
  if (format == ImageFormat::kPng) {
    stbi_write_png_to_func(Append, &file, kSide, kSide, 3, rgb.data(), kSide * 3);
  } else {
    stbi_write_jpg_to_func(Append, &file, kSide, kSide, 3, rgb.data(), 95);
  }
  return file;
}

std::vector<uint8_t> EncodeOurs(ImageFormat format) {
  std::vector<uint8_t> file;
  std::string error;
  EncodePicture("bench", format, Photograph(), WriteSettings(), &file, nullptr, &error);
  return file;
}

void BM_Encode(benchmark::State& state, ImageFormat format, bool stb) {
  Photograph();
  size_t bytes = 0;
  for (auto _ : state) bytes = (stb ? EncodeStb(format) : EncodeOurs(format)).size();
  state.counters["MB"] = bytes / 1e6;
}

// Our PNG writer on one thread (MORFEL_THREADS=1) or on every core.
void BM_EncodePngThreads(benchmark::State& state, bool oneThread) {
  Photograph();
  if (oneThread) setenv("MORFEL_THREADS", "1", 1);
  size_t bytes = 0;
  for (auto _ : state) bytes = EncodeOurs(ImageFormat::kPng).size();
  if (oneThread) unsetenv("MORFEL_THREADS");
  state.counters["MB"] = bytes / 1e6;
}

// The native floor: the unfiltered RGB rows, each behind its filter byte,
// through zlib's fastest level in one call.
void BM_EncodePngZlibRows(benchmark::State& state) {
  std::vector<uint8_t> rgb = Rgb(Photograph()), rows;
  const size_t stride = size_t{kSide} * 3;
  for (int y = 0; y < kSide; ++y) {
    rows.push_back(0);
    rows.insert(rows.end(), rgb.begin() + y * stride, rgb.begin() + (y + 1) * stride);
  }
  std::vector<uint8_t> packed(compressBound(rows.size()));
  uLongf size = 0;
  for (auto _ : state) {
    size = packed.size();
    compress2(packed.data(), &size, rows.data(), rows.size(), Z_BEST_SPEED);
  }
  state.counters["MB"] = size / 1e6;
}

void BM_Decode(benchmark::State& state, ImageFormat format, bool stb) {
  std::vector<uint8_t> file = EncodeStb(format);  // the same file for both
  for (auto _ : state) {
    if (stb) {
      int w, h, n;
      stbi_image_free(
          stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 4));
    } else {
      Picture picture;
      std::string error;
      DecodePicture("bench", file, ReadSettings(), &picture, nullptr, &error);
      benchmark::DoNotOptimize(picture.bgr.data());
    }
  }
}

BENCHMARK_CAPTURE(BM_Encode, PngStb, ImageFormat::kPng, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, Png, ImageFormat::kPng, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_EncodePngThreads, OneThread, true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePngZlibRows)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, PngStb, ImageFormat::kPng, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, Png, ImageFormat::kPng, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, JpegStb, ImageFormat::kJpeg, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, Jpeg, ImageFormat::kJpeg, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, JpegStb, ImageFormat::kJpeg, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, Jpeg, ImageFormat::kJpeg, false)->Unit(benchmark::kMillisecond);

}  // namespace
