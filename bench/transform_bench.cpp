// Cost per pixel of one transform pass over a 2048 x 2048 image, for six
// typical programs in each interpolation they fetch with, on one thread and
// on two, against the same transforms written directly in C++ (the native
// baseline); and a whole run on the preview's 164 x 120 image, where the
// split of a pass into tasks costs the most for what it gains.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "script/script.h"
#include "transform/transform.h"

namespace {

constexpr int32_t kSide = 2048;
constexpr double kPixels = static_cast<double>(kSide) * kSide;

struct Workload {
  const char* init;
  const char* transform;
};

// The driver's own cost: a program that only picks the output rule.
const Workload kDriverOnly = {"", "coord=0;\r\n"};
const Workload kInvert = {"", "coord=0;\r\nR=255-R;\r\nG=255-G;\r\nB=255-B;\r\n"};
const Workload kTwirl = {"coord=1;\r\n", "t=t+(r<cy)*(cy-r)/cy*3;\r\n"};
const Workload kWave = {"coord=2;\r\n", "x=x+10*sin(y/10);\r\ny=y+10*sin(x/10);\r\n"};
const Workload kEscape = {
    "",
    "coord=0;\r\ni=0;a=0;b=0;\r\nwhile(i<32&&a*a+b*b<4){\r\nu=a*a-b*b+x/cx*1.5-0.5;\r\n"
    "b=2*a*b+y/cy*1.5;\r\na=u;\r\ni=i+1;\r\n}\r\nR=i*8;G=i*4;B=i*2;\r\n"};
// The starter library's box blur at radius 1: nine weighted reads a pixel,
// each at a position clamped to the image.
const Workload kBoxBlur = {
    "coord=0;\r\nradius=1;\r\nw=1/((2*radius+1)*(2*radius+1));\r\n"
    "left=-cx;\r\nright=xs-1-cx;\r\ntop=-cy;\r\nbottom=ys-1-cy;\r\n",
    "R=0;\r\nG=0;\r\nB=0;\r\nj=-radius;\r\nwhile (j<=radius) {\r\ni=-radius;\r\n"
    "while (i<=radius) {\r\nadd(min(max(x+i,left),right),min(max(y+j,top),bottom),w);\r\n"
    "i=i+1;\r\n}\r\nj=j+1;\r\n}\r\n"};
// The starter library's Sharpen at amount 2: one 3x3 convolution a pixel.
const Workload kSharpen = {"coord=0;\r\na=2/4;\r\nSetMatrix3(0,0,-a,0,-a,1+4*a,-a,0,-a,0,1);\r\n",
                           "Conv(0,x,y);\r\n"};

struct BenchImages {
  explicit BenchImages(int32_t width = kSide, int32_t height = kSide)
      : sourceRgb(width, height, 3),
        sourceT(width, height, 1),
        destinationRgb(width, height, 3),
        destinationT(width, height, 1) {
    for (int32_t i = 0; i < sourceRgb.rowLength * height; ++i) {
      sourceRgb.data[i] = static_cast<uint8_t>(i * 37 + (i >> 11));
    }
    sourceT.Fill(200, -1);
  }

  RgbtImage sourceRgb;
  RgbtImage sourceT;
  ProgressImage destinationRgb;
  RgbtImage destinationT;
};

BenchImages& SharedPlanes() {
  static BenchImages planes;
  return planes;
}

// The preview's reduced image in the main dialog.
BenchImages& PreviewPlanes() {
  static BenchImages planes(164, 120);
  return planes;
}

void ReportPerPixel(benchmark::State& state, double pixels = kPixels) {
  state.counters["per_pixel"] = benchmark::Counter(
      state.iterations() * pixels, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Arguments: the interpolation, then the threads a pass may use.
void RunScriptedOn(benchmark::State& state, const Workload& workload, BenchImages& planes) {
  ScriptEngine engine;
  if (engine.Compile(workload.init, ProgramSlot::kInit).Failed() ||
      engine.Compile(workload.transform, ProgramSlot::kTransform).status !=
          CompileOutcome::Status::kCompiled) {
    state.SkipWithError("program does not compile");
    return;
  }
  PassThreads threads(static_cast<int32_t>(state.range(1)));
  RunEnvironment environment{&engine, nullptr, nullptr, nullptr};
  environment.threads = &threads;
  const auto interpolation = static_cast<Interpolation>(state.range(0));
  for (auto _ : state) {
    RunTransform(environment, {planes.sourceRgb, planes.sourceT},
                 {planes.destinationRgb, planes.destinationT}, interpolation, nullptr);
  }
  ReportPerPixel(state, static_cast<double>(planes.sourceRgb.width) * planes.sourceRgb.height);
}

void RunScripted(benchmark::State& state, const Workload& workload) {
  RunScriptedOn(state, workload, SharedPlanes());
}

// ---- native baselines: the same transforms as plain C++ loops.

inline uint8_t ClampByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(value);
}

struct Axis {
  int32_t index;
  double fraction;
};

inline Axis Wrap(double position) {
  double shifted = position + kSide * 256.0;
  int32_t whole = static_cast<int32_t>(shifted);
  return {whole % kSide, shifted - whole};
}

inline void Fetch(const BenchImages& planes, int32_t interpolation, double posX, double posY,
                  uint8_t* rgb, uint8_t* t) {
  Axis x = Wrap(posX);
  Axis y = Wrap(posY);
  if (interpolation == 0) {
    for (int32_t k = 0; k < 3; ++k)
      rgb[k] = planes.sourceRgb.data[(static_cast<size_t>(y.index) * kSide + x.index) * 3 + k];
  } else if (interpolation == 1) {
    SampleLinearPixel(planes.sourceRgb, x.index, y.index, x.fraction, y.fraction, rgb);
  } else {
    SampleBezierPixel(planes.sourceRgb, x.index, y.index, x.fraction, y.fraction, rgb);
  }
  *t = planes.sourceT.data[static_cast<size_t>(y.index) * kSide + x.index];
}

template <typename PixelFunction>
void RunNative(benchmark::State& state, PixelFunction pixel) {
  BenchImages& planes = SharedPlanes();
  const int32_t interpolation = static_cast<int32_t>(state.range(0));
  const double cx = kSide * 0.5;
  const double cy = kSide * 0.5;
  for (auto _ : state) {
    for (int32_t row = 0; row < kSide; ++row) {
      for (int32_t column = 0; column < kSide; ++column) {
        size_t n = static_cast<size_t>(row) * kSide + column;
        pixel(planes, interpolation, column - cx, row - cy, cx, cy, planes.sourceRgb.data + n * 3,
              planes.sourceT.data + n, planes.destinationRgb.data + n * 3,
              planes.destinationT.data + n);
      }
    }
    benchmark::ClobberMemory();
  }
  ReportPerPixel(state);
}

void NativeInvert(const BenchImages&, int32_t, double, double, double, double,
                  const uint8_t* source, const uint8_t* sourceT, uint8_t* result,
                  uint8_t* resultT) {
  result[0] = ClampByte(255.0 - source[0]);
  result[1] = ClampByte(255.0 - source[1]);
  result[2] = ClampByte(255.0 - source[2]);
  *resultT = *sourceT;
}

void NativeTwirl(const BenchImages& planes, int32_t interpolation, double x, double y, double cx,
                 double cy, const uint8_t*, const uint8_t*, uint8_t* result, uint8_t* resultT) {
  double r = std::sqrt(x * x + y * y);
  double t = std::atan2(y, x);
  t = t + (r < cy) * (cy - r) / cy * 3;
  Fetch(planes, interpolation, r * std::cos(t) + cx, r * std::sin(t) + cy, result, resultT);
}

void NativeWave(const BenchImages& planes, int32_t interpolation, double x, double y, double cx,
                double cy, const uint8_t*, const uint8_t*, uint8_t* result, uint8_t* resultT) {
  x = x + 10 * std::sin(y / 10);
  y = y + 10 * std::sin(x / 10);
  Fetch(planes, interpolation, x + cx, y + cy, result, resultT);
}

void NativeEscape(const BenchImages&, int32_t, double x, double y, double cx, double cy,
                  const uint8_t*, const uint8_t* sourceT, uint8_t* result, uint8_t* resultT) {
  double i = 0, a = 0, b = 0;
  while (i < 32 && a * a + b * b < 4) {
    double u = a * a - b * b + x / cx * 1.5 - 0.5;
    b = 2 * a * b + y / cy * 1.5;
    a = u;
    i = i + 1;
  }
  result[0] = ClampByte(i * 2);
  result[1] = ClampByte(i * 4);
  result[2] = ClampByte(i * 8);
  *resultT = *sourceT;
}

// A 3x3 box with the same positions (clamped to the image, then wrapped as
// every read is: a modulo on every tap) and the same truncations as the
// scripted blur.
void NativeBoxBlur(const BenchImages& planes, int32_t, double x, double y, double cx, double cy,
                   const uint8_t*, const uint8_t* sourceT, uint8_t* result, uint8_t* resultT) {
  const double w = 1.0 / 9.0;
  double sum[3] = {0.0, 0.0, 0.0};
  for (int32_t j = -1; j <= 1; ++j) {
    const Axis row = Wrap(std::min(std::max(y + j, -cy), kSide - 1 - cy) + cy);
    for (int32_t i = -1; i <= 1; ++i) {
      const Axis column = Wrap(std::min(std::max(x + i, -cx), kSide - 1 - cx) + cx);
      const uint8_t* pixel =
          planes.sourceRgb.data + (static_cast<size_t>(row.index) * kSide + column.index) * 3;
      for (int32_t k = 0; k < 3; ++k) sum[k] += w * pixel[k];
    }
  }
  for (int32_t k = 0; k < 3; ++k) result[k] = ClampByte(sum[k]);
  *resultT = *sourceT;
}

// Sharpen's kernel over B, G, R and T of the 3x3 window, the pixel itself
// where the window does not fit, as the convolution built-in does.
void NativeSharpen(const BenchImages&, int32_t, double x, double y, double cx, double cy,
                   const uint8_t* source, const uint8_t* sourceT, uint8_t* result,
                   uint8_t* resultT) {
  static const double kKernel[9] = {0, -0.5, 0, -0.5, 3, -0.5, 0, -0.5, 0};
  const int32_t column = static_cast<int32_t>(x + cx);
  const int32_t row = static_cast<int32_t>(y + cy);
  if (column < 1 || row < 1 || column >= kSide - 1 || row >= kSide - 1) {
    for (int32_t k = 0; k < 3; ++k) result[k] = source[k];
    *resultT = *sourceT;
    return;
  }
  double sum[4] = {0.0, 0.0, 0.0, 0.0};
  for (int32_t j = -1; j <= 1; ++j) {
    for (int32_t i = -1; i <= 1; ++i) {
      const double e = kKernel[(j + 1) * 3 + i + 1];
      const ptrdiff_t offset = static_cast<ptrdiff_t>(j) * kSide + i;
      for (int32_t k = 0; k < 3; ++k) sum[k] += e * source[offset * 3 + k];
      sum[3] += e * sourceT[offset];
    }
  }
  for (int32_t k = 0; k < 3; ++k) result[k] = ClampByte(sum[k]);
  *resultT = ClampByte(sum[3]);
}

void BM_W0_DriverOnly(benchmark::State& state) { RunScripted(state, kDriverOnly); }
void BM_W1_Invert(benchmark::State& state) { RunScripted(state, kInvert); }
void BM_W2_Twirl(benchmark::State& state) { RunScripted(state, kTwirl); }
void BM_W3_Wave(benchmark::State& state) { RunScripted(state, kWave); }
void BM_W4_Escape(benchmark::State& state) { RunScripted(state, kEscape); }
void BM_W5_BoxBlur(benchmark::State& state) { RunScripted(state, kBoxBlur); }
void BM_W6_Sharpen(benchmark::State& state) { RunScripted(state, kSharpen); }
void BM_W1_Invert_Native(benchmark::State& state) { RunNative(state, NativeInvert); }
void BM_W2_Twirl_Native(benchmark::State& state) { RunNative(state, NativeTwirl); }
void BM_W3_Wave_Native(benchmark::State& state) { RunNative(state, NativeWave); }
void BM_W4_Escape_Native(benchmark::State& state) { RunNative(state, NativeEscape); }
void BM_W5_BoxBlur_Native(benchmark::State& state) { RunNative(state, NativeBoxBlur); }
void BM_W6_Sharpen_Native(benchmark::State& state) { RunNative(state, NativeSharpen); }
// A whole run on the preview's image: what splitting a pass costs where
// passes are short.
void BM_Preview_DriverOnly(benchmark::State& state) {
  RunScriptedOn(state, kDriverOnly, PreviewPlanes());
}
void BM_Preview_Twirl(benchmark::State& state) { RunScriptedOn(state, kTwirl, PreviewPlanes()); }

// What a run does with a program before its first pixel, for the escape
// program: the analysis that picks the threads alone, and with compiling
// the text and making its machine code (two texts in turn, so each round
// makes new code).
void BM_Prepare_AnalysePass(benchmark::State& state) {
  ScriptEngine engine;
  RgbtImage image(64, 64, 3);
  engine.InstallBuiltinVariables(image);
  engine.PrepareRun(kRunStackSize);
  if (engine.Compile(kEscape.transform, ProgramSlot::kTransform).Failed())
    return state.SkipWithError("program did not compile");
  for (auto _ : state) benchmark::DoNotOptimize(AnalysePass(engine).reason);
}
void BM_Prepare_CompileAnalyseBuild(benchmark::State& state) {
  ScriptEngine engine;
  RgbtImage image(64, 64, 3);
  engine.InstallBuiltinVariables(image);
  engine.PrepareRun(kRunStackSize);
  const std::string texts[] = {std::string(kEscape.transform) + "z=1;",
                               std::string(kEscape.transform) + "z=2;"};
  int64_t round = 0;
  for (auto _ : state) {
    if (engine.Compile(texts[round++ % 2].c_str(), ProgramSlot::kTransform).Failed())
      return state.SkipWithError("program did not compile");
    benchmark::DoNotOptimize(AnalysePass(engine).reason);
    benchmark::DoNotOptimize(engine.ChooseEngine().kind);
  }
}

// Arguments: the interpolation (0 Round, 1 Linear, 2 Bezier) and, for the
// scripted runs, the threads a pass may use (1 and 2).
#define TRANSFORM_BENCH(name, ...)                 \
  BENCHMARK(name)                                  \
      ->ArgNames({"interp", "threads"})            \
      ->__VA_ARGS__->Unit(benchmark::kMillisecond) \
      ->MinTime(2.0)                               \
      ->UseRealTime()
#define NATIVE_BENCH(name, ...) \
  BENCHMARK(name)->ArgName("interp")->__VA_ARGS__->Unit(benchmark::kMillisecond)->MinTime(2.0)

TRANSFORM_BENCH(BM_W0_DriverOnly, ArgsProduct({{0}, {1, 2}}));
TRANSFORM_BENCH(BM_W1_Invert, ArgsProduct({{0}, {1, 2}}));
NATIVE_BENCH(BM_W1_Invert_Native, Arg(0));
TRANSFORM_BENCH(BM_W2_Twirl, ArgsProduct({{0, 1, 2}, {1, 2}}));
NATIVE_BENCH(BM_W2_Twirl_Native, DenseRange(0, 2));
TRANSFORM_BENCH(BM_W3_Wave, ArgsProduct({{0, 1, 2}, {1, 2}}));
NATIVE_BENCH(BM_W3_Wave_Native, DenseRange(0, 2));
TRANSFORM_BENCH(BM_W4_Escape, ArgsProduct({{0}, {1, 2}}));
NATIVE_BENCH(BM_W4_Escape_Native, Arg(0));
TRANSFORM_BENCH(BM_W5_BoxBlur, ArgsProduct({{0}, {1, 2}}));
NATIVE_BENCH(BM_W5_BoxBlur_Native, Arg(0));
TRANSFORM_BENCH(BM_W6_Sharpen, ArgsProduct({{0}, {1, 2}}));
NATIVE_BENCH(BM_W6_Sharpen_Native, Arg(0));
BENCHMARK(BM_Prepare_AnalysePass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Prepare_CompileAnalyseBuild)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Preview_DriverOnly)
    ->ArgNames({"interp", "threads"})
    ->ArgsProduct({{0}, {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0)
    ->UseRealTime();
BENCHMARK(BM_Preview_Twirl)
    ->ArgNames({"interp", "threads"})
    ->ArgsProduct({{0}, {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0)
    ->UseRealTime();

}  // namespace
