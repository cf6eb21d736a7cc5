// Convolution matrices and their application to one pixel (Conv, _Conv).
#include "script/builtin_support.h"
#include "script/builtins.h"

namespace {

constexpr int32_t kSmallSide = 3;
constexpr int32_t kLargeSide = 5;
constexpr int32_t kSmallFactor = kSmallSide * kSmallSide;  // element index of the factor
constexpr int32_t kLargeFactor = kLargeSide * kLargeSide;

// Used for a matrix that was never set: whatever an earlier engine state
// left in its cells, it convolves to zero inside the image.
constexpr double kZeroMatrix[kMatrixCells] = {};

// The matrix numbered by a script value; a number outside 0..7 selects
// matrix 0, so a mistyped number still defines something visible.
int32_t MatrixOrFirst(double number) {
  int32_t n = TruncateToInt32(number);
  return (n < 0 || n >= kMatrixSlots) ? 0 : n;
}

// Stores `side` x `side` coefficients and the factor that follows them.
double SetMatrix(ScriptEngine& engine, const double* args, int32_t side) {
  int32_t n = MatrixOrFirst(args[0]);
  int32_t cells = side * side + 1;
  for (int32_t k = 0; k < cells; ++k) engine.matrixSlot[n][k] = args[1 + k];
  engine.matrixSize[n] = side;
  return args[0];
}

// The sums of a convolution window: coefficient times B, G, R and T.
struct ChannelSums {
  double b = 0.0;
  double g = 0.0;
  double r = 0.0;
  double t = 0.0;
};

// Convolves the side x side window centred on (x, y), which the caller has
// checked lies inside both planes.
ChannelSums SumWindow(const RgbtImage& rgb, const RgbtImage& alpha, const double* matrix,
                      int32_t side, int32_t x, int32_t y) {
  ChannelSums sums;
  int32_t half = side / 2;
  const double* element = matrix;
  for (int32_t row = y - half; row <= y + half; ++row) {
    const uint8_t* colour = rgb.data + static_cast<int64_t>(row) * rgb.rowLength;
    const uint8_t* opacity = alpha.data + static_cast<int64_t>(row) * alpha.rowLength;
    for (int32_t column = x - half; column <= x + half; ++column, ++element) {
      const uint8_t* pixel = colour + column * rgb.channels;
      sums.b += *element * pixel[0];
      sums.g += *element * pixel[1];
      sums.r += *element * pixel[2];
      sums.t += *element * opacity[column * alpha.channels];
    }
  }
  return sums;
}

bool WindowFits(const RgbtImage& image, int32_t half, int32_t x, int32_t y) {
  return x >= half && x < image.width - half && y >= half && y < image.height - half;
}

// Convolves matrix n at the pixel (x, y) of the given planes and stores the
// result in R, G, B, T; where the window does not fit, the pixel itself.
// Yields the new G.
double Convolve(ScriptEngine& engine, const RgbtImage& rgb, const RgbtImage& alpha,
                double number, double dx, double dy) {
  int32_t n = TruncateToInt32(number);
  if (n < 0 || n >= kMatrixSlots) return 0.0;
  int32_t x = TruncateToInt32(BoundValue(engine, CELL_CX) + dx);
  int32_t y = TruncateToInt32(BoundValue(engine, CELL_CY) + dy);
  int32_t size = engine.matrixSize[n];
  int32_t side = size == kSmallSide ? kSmallSide : kLargeSide;
  const double* matrix = size == 0 ? kZeroMatrix : engine.matrixSlot[n];
  int32_t half = side / 2;
  bool fits = rgb.channels >= kColourBytes && WindowFits(rgb, half, x, y) &&
              WindowFits(alpha, half, x, y);
  if (fits) {
    ChannelSums sums = SumWindow(rgb, alpha, matrix, side, x, y);
    double factor = matrix[side == kSmallSide ? kSmallFactor : kLargeFactor];
    SetBoundValue(engine, CELL_R, sums.r * factor);
    SetBoundValue(engine, CELL_G, sums.g * factor);
    SetBoundValue(engine, CELL_B, sums.b * factor);
    SetBoundValue(engine, CELL_T, sums.t * factor);
  } else {
    const uint8_t* pixel = rgb.PixelAddress(x, y, 0);
    int32_t bytes = rgb.channels < kColourBytes ? rgb.channels : kColourBytes;
    static constexpr BoundCell kCellOfByte[kColourBytes] = {CELL_B, CELL_G, CELL_R};
    for (int32_t k = 0; k < bytes; ++k) SetBoundValue(engine, kCellOfByte[k], pixel[k]);
    SetBoundValue(engine, CELL_T, *alpha.PixelAddress(x, y, 0));
  }
  return BoundValue(engine, CELL_G);
}

}  // namespace

double BuiltinSetMatrix3(ScriptEngine& engine, const double* args, const char*) {
  return SetMatrix(engine, args, kSmallSide);
}

double BuiltinSetMatrix5(ScriptEngine& engine, const double* args, const char*) {
  return SetMatrix(engine, args, kLargeSide);
}

double BuiltinConv(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  return Convolve(engine, *engine.srcRgb, *engine.srcT, args[0], args[1], args[2]);
}

// Convolves the destination planes: what the pass has written so far, and
// what _Fill, _Copy or _Draw put there, can be filtered again in the same
// pass, as every other built-in whose name starts with "_" reads the
// destination.
double BuiltinDstConv(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  return Convolve(engine, *engine.dstRgb, *engine.dstT, args[0], args[1], args[2]);
}
