// Whole-plane built-ins (_Fill, _FillT, _Copy) and single-pixel writes
// (_Pset, _Tset) on the destination planes of a run.
#include "script/builtin_support.h"
#include "script/builtins.h"

namespace {

constexpr double kByteToUnit = 0.00392156862745098;  // 1 / 255

// _Copy modes; any other number copies the source.
enum CopyMode : int32_t {
  COPY_EXCHANGE = -1,
  COPY_ADD = 1,
  COPY_SUBTRACT = 2,
  COPY_REVERSE_SUBTRACT = 3,
  COPY_MULTIPLY = 4,
  COPY_DIFFERENCE = 5,
};

// Applies one _Copy mode to a pair of planes. The combine options are set on
// the destination just before combining and are 0 again afterwards.
void CopyPlane(RgbtImage& destination, RgbtImage& source, int32_t mode) {
  switch (mode) {
    case COPY_EXCHANGE:
      destination.Exchange(source);  // planes of different formats stay as they are
      break;
    case COPY_ADD:
    case COPY_SUBTRACT:
    case COPY_REVERSE_SUBTRACT:
      destination.CombineFrom(source, mode);
      break;
    case COPY_MULTIPLY:
      destination.SetScale(1, 255);
      destination.CombineFrom(source, mode);
      break;
    case COPY_DIFFERENCE:
      destination.absoluteFlag = 1;
      destination.CombineFrom(source, COPY_SUBTRACT);
      break;
    default:
      destination.Blit(source, 0, 0, 0, 0, 0, 0, 0, 0, 0);
      break;
  }
  destination.absoluteFlag = 0;
  destination.multiplier = 0;
  destination.divisor = 0;
}

// The pixel that (cx + dx, cy + dy) names in the plane, wrapped around its
// edges. Each plane wraps by its own size, so no write can leave it.
uint8_t* WrappedPixel(const ScriptEngine& engine, RgbtImage& plane, double dx, double dy) {
  WrappedPosition x = WrapPosition(BoundValue(engine, CELL_CX), dx, plane.width);
  WrappedPosition y = WrapPosition(BoundValue(engine, CELL_CY), dy, plane.height);
  return plane.data + static_cast<int64_t>(y.index) * plane.rowLength + x.index * plane.channels;
}

}  // namespace

// _Fill(r, g, b) blends the colour over the whole destination with the
// opacity T.
double BuiltinFill(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  RgbtImage& plane = *engine.dstRgb;
  if (plane.channels < kColourBytes) return 0.0;
  engine.ChargeWork(plane.height);
  double a = ColourByte(BoundValue(engine, CELL_T)) * kByteToUnit;
  // Blue, green, red: the byte order of a pixel.
  const int32_t colour[kColourBytes] = {ColourByte(args[2]), ColourByte(args[1]),
                                         ColourByte(args[0])};
  for (int32_t y = 0; y < plane.height; ++y) {
    uint8_t* pixel = plane.data + static_cast<int64_t>(y) * plane.rowLength;
    for (int32_t x = 0; x < plane.width; ++x, pixel += plane.channels) {
      for (int32_t k = 0; k < kColourBytes; ++k) {
        pixel[k] = static_cast<uint8_t>(pixel[k] * (1.0 - a) + colour[k] * a);
      }
    }
  }
  return 0.0;
}

// _FillT(v): every destination T byte becomes the low 8 bits of v.
double BuiltinFillT(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  engine.ChargeWork(engine.dstT->height);
  engine.dstT->Fill(TruncateToInt32(args[0]), -1);
  return 0.0;
}

// _Copy(mode): the RGB planes first, then the T planes.
double BuiltinCopy(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  int32_t mode = TruncateToInt32(args[0]);
  engine.ChargeWork(2 * engine.dstRgb->height);
  CopyPlane(*engine.dstRgb, *engine.srcRgb, mode);
  CopyPlane(*engine.dstT, *engine.srcT, mode);
  return 0.0;
}

// _Pset(dx, dy) writes R, G, B into one destination pixel.
double BuiltinPset(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  RgbtImage& plane = *engine.dstRgb;
  if (plane.channels < kColourBytes) return 0.0;
  uint8_t* pixel = WrappedPixel(engine, plane, args[0], args[1]);
  pixel[0] = static_cast<uint8_t>(ColourByte(BoundValue(engine, CELL_B)));
  pixel[1] = static_cast<uint8_t>(ColourByte(BoundValue(engine, CELL_G)));
  pixel[2] = static_cast<uint8_t>(ColourByte(BoundValue(engine, CELL_R)));
  return 0.0;
}

// _Tset(dx, dy) writes the low 8 bits of T, unclamped: 256 gives 0 and -1
// gives 255.
double BuiltinTset(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  uint8_t* pixel = WrappedPixel(engine, *engine.dstT, args[0], args[1]);
  *pixel = static_cast<uint8_t>(TruncateToInt32(BoundValue(engine, CELL_T)) & 0xFF);
  return 0.0;
}
