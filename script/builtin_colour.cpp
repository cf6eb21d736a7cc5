// HLS and RGB: the colour conversions scaled to the script's 0..255 range.
// Without bound variables (a parameter text evaluated before a run) they
// still yield their value but store nothing.
#include "script/builtin_support.h"
#include "script/builtins.h"

namespace {

constexpr double kByteToUnit = 0.00392156862745098;  // 1 / 255
constexpr double kUnitToByte = 255.0;

}  // namespace

// HLS(r, g, b) sets H, L, S and yields the new H.
double BuiltinHls(ScriptEngine& engine, const double* args, const char*) {
  HlsColour hls = RgbToHls(args[0] * kByteToUnit, args[1] * kByteToUnit, args[2] * kByteToUnit);
  double h = hls.h * kUnitToByte;
  SetBoundValue(engine, CELL_H, h);
  SetBoundValue(engine, CELL_L, hls.l * kUnitToByte);
  SetBoundValue(engine, CELL_S, hls.s * kUnitToByte);
  return h;
}

// RGB(h, l, s): lightness comes second in the script, while the conversion
// takes saturation second. Sets R, G, B and yields the new G.
double BuiltinRgb(ScriptEngine& engine, const double* args, const char*) {
  RgbColour rgb = HlsToRgb(args[0] * kByteToUnit, args[2] * kByteToUnit, args[1] * kByteToUnit);
  double g = rgb.g * kUnitToByte;
  SetBoundValue(engine, CELL_R, rgb.r * kUnitToByte);
  SetBoundValue(engine, CELL_G, g);
  SetBoundValue(engine, CELL_B, rgb.b * kUnitToByte);
  return g;
}
