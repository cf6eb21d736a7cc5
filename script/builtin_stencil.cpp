// _Draw and _DrawT: paint through an image slot used as a stencil. Dark
// stencil pixels paint, white ones leave the destination as it was.
#include <cmath>

#include "script/builtin_support.h"
#include "script/builtins.h"

namespace {

constexpr double kOverFullRange = 1.5259021896696422e-05;  // 1 / 65535
// Beyond this size a T raises or lowers every covered byte to the end of its
// range anyway; limiting it keeps infinities out of the arithmetic.
constexpr double kLargestRaise = 65536.0;

// The part of a stencil that lands inside a plane: stencil columns
// firstColumn..endColumn - 1 and rows firstRow..endRow - 1, placed so that
// stencil pixel (i, j) covers plane pixel (left + i, top + j).
struct StencilPlacement {
  int64_t left;
  int64_t top;
  int32_t firstColumn;
  int32_t endColumn;
  int32_t firstRow;
  int32_t endRow;
};

int32_t ClipStart(int64_t origin, int32_t stencilSize) {
  if (origin >= 0) return 0;
  return -origin > stencilSize ? stencilSize : static_cast<int32_t>(-origin);
}

int32_t ClipEnd(int64_t origin, int32_t stencilSize, int32_t planeSize) {
  int64_t end = static_cast<int64_t>(planeSize) - origin;
  if (end > stencilSize) end = stencilSize;
  return end < 0 ? 0 : static_cast<int32_t>(end);
}

// Centres the stencil on (cx + dx, cy + dy) truncated and clips it to the
// plane. Positions are in 64 bits so that no centre can overflow.
StencilPlacement PlaceStencil(const ScriptEngine& engine, const RgbtImage& stencil,
                              const RgbtImage& plane, double dx, double dy) {
  int64_t x = TruncateToInt32(BoundValue(engine, CELL_CX) + dx);
  int64_t y = TruncateToInt32(BoundValue(engine, CELL_CY) + dy);
  StencilPlacement placement;
  placement.left = x - stencil.width / 2;
  placement.top = y - stencil.height / 2;
  placement.firstColumn = ClipStart(placement.left, stencil.width);
  placement.endColumn = ClipEnd(placement.left, stencil.width, plane.width);
  placement.firstRow = ClipStart(placement.top, stencil.height);
  placement.endRow = ClipEnd(placement.top, stencil.height, plane.height);
  return placement;
}

// The stencil's value byte within a pixel: G of a 3- or 4-byte image, the
// only byte of a 1-byte image.
const uint8_t* StencilRow(const RgbtImage& stencil, int32_t row) {
  return stencil.data + static_cast<int64_t>(row) * stencil.rowLength + stencil.channels / 3;
}

uint8_t* PlanePixel(RgbtImage& plane, int64_t x, int64_t y) {
  return plane.data + y * plane.rowLength + x * plane.channels;
}

}  // namespace

// _Draw(n, dx, dy) paints R, G, B with opacity T through slot n.
double BuiltinDraw(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  RgbtImage* stencil = SlotByNumber(engine, args[0]);
  RgbtImage& plane = *engine.dstRgb;
  if (!HasPixels(stencil) || plane.channels < kColourBytes) return 0.0;
  engine.ChargeWork(stencil->height);
  double opacity = ClampColour(BoundValue(engine, CELL_T));
  // Blue, green, red: the byte order of a pixel.
  const double colour[kColourBytes] = {ClampColour(BoundValue(engine, CELL_B)),
                                        ClampColour(BoundValue(engine, CELL_G)),
                                        ClampColour(BoundValue(engine, CELL_R))};
  StencilPlacement at = PlaceStencil(engine, *stencil, plane, args[1], args[2]);
  for (int32_t j = at.firstRow; j < at.endRow; ++j) {
    const uint8_t* mask = StencilRow(*stencil, j);
    for (int32_t i = at.firstColumn; i < at.endColumn; ++i) {
      double a = (255 - mask[i * stencil->channels]) * opacity * kOverFullRange;
      uint8_t* pixel = PlanePixel(plane, at.left + i, at.top + j);
      for (int32_t k = 0; k < kColourBytes; ++k) {
        pixel[k] = static_cast<uint8_t>(pixel[k] * (1.0 - a) + a * colour[k]);
      }
    }
  }
  return 0.0;
}

// _DrawT(n, dx, dy) raises the destination T plane by T through slot n; T is
// not clamped, so a negative T lowers the plane.
double BuiltinDrawT(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  RgbtImage* stencil = SlotByNumber(engine, args[0]);
  RgbtImage& plane = *engine.dstT;
  if (!HasPixels(stencil)) return 0.0;
  engine.ChargeWork(stencil->height);
  double amount = BoundValue(engine, CELL_T);
  if (amount != amount) return 0.0;  // NaN raises nothing
  if (amount > kLargestRaise) amount = kLargestRaise;
  if (amount < -kLargestRaise) amount = -kLargestRaise;
  StencilPlacement at = PlaceStencil(engine, *stencil, plane, args[1], args[2]);
  for (int32_t j = at.firstRow; j < at.endRow; ++j) {
    const uint8_t* mask = StencilRow(*stencil, j);
    for (int32_t i = at.firstColumn; i < at.endColumn; ++i) {
      uint8_t* pixel = PlanePixel(plane, at.left + i, at.top + j);
      double raised = *pixel + std::trunc((255 - mask[i * stencil->channels]) * amount / 255.0);
      *pixel = static_cast<uint8_t>(ClampColour(raised));
    }
  }
  return 0.0;
}
