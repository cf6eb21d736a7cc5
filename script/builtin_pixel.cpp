// The pixel built-ins: single channels of the source and destination planes,
// get/add into the colour variables, the image slots' pixels and sizes, and
// clean. Positions are offsets from (cx, cy) and wrap around the edges.
#include "script/builtin_support.h"
#include "script/builtins.h"

namespace {

// Byte positions within a fetched RGB pixel.
constexpr int32_t kBlue = 0;
constexpr int32_t kGreen = 1;
constexpr int32_t kRed = 2;

// One fetched byte of a plane of the run, or 0.0 before BindRun.
double FetchChannel(const ScriptEngine& engine, const RgbtImage* plane, const double* args,
                    int32_t byte) {
  if (!HasBoundRun(engine)) return 0.0;
  double pixel[kFetchedBytes];
  FetchPixel(*plane, BoundValue(engine, CELL_CX), BoundValue(engine, CELL_CY), args[0], args[1],
             pixel);
  return pixel[byte];
}

// Sets R, G, B (as many as the image has bytes, blue first) from the pixel
// at (x, y) and yields the new G.
double GetInto(ScriptEngine& engine, const RgbtImage& image, double x, double y) {
  double pixel[kFetchedBytes];
  int32_t delivered = FetchPixel(image, BoundValue(engine, CELL_CX),
                                 BoundValue(engine, CELL_CY), x, y, pixel);
  static constexpr BoundCell kCellOfByte[kFetchedBytes] = {CELL_B, CELL_G, CELL_R};
  for (int32_t k = 0; k < delivered; ++k) SetBoundValue(engine, kCellOfByte[k], pixel[k]);
  return BoundValue(engine, CELL_G);
}

// Adds the pixel at (x, y) times w to R, G, B and yields the new G.
double AddInto(ScriptEngine& engine, const RgbtImage& image, const double* args) {
  double pixel[kFetchedBytes];
  FetchPixel(image, BoundValue(engine, CELL_CX), BoundValue(engine, CELL_CY), args[0], args[1],
             pixel);
  double weight = args[2];
  SetBoundValue(engine, CELL_R, BoundValue(engine, CELL_R) + weight * pixel[kRed]);
  SetBoundValue(engine, CELL_G, BoundValue(engine, CELL_G) + weight * pixel[kGreen]);
  SetBoundValue(engine, CELL_B, BoundValue(engine, CELL_B) + weight * pixel[kBlue]);
  return BoundValue(engine, CELL_G);
}

}  // namespace

double BuiltinSrcR(ScriptEngine& e, const double* a, const char*) {
  return FetchChannel(e, e.srcRgb, a, kRed);
}
double BuiltinSrcG(ScriptEngine& e, const double* a, const char*) {
  return FetchChannel(e, e.srcRgb, a, kGreen);
}
double BuiltinSrcB(ScriptEngine& e, const double* a, const char*) {
  return FetchChannel(e, e.srcRgb, a, kBlue);
}
double BuiltinSrcT(ScriptEngine& e, const double* a, const char*) {
  return FetchChannel(e, e.srcT, a, 0);
}
double BuiltinDstR(ScriptEngine& e, const double* a, const char*) {
  return FetchChannel(e, e.dstRgb, a, kRed);
}
double BuiltinDstG(ScriptEngine& e, const double* a, const char*) {
  return FetchChannel(e, e.dstRgb, a, kGreen);
}
double BuiltinDstB(ScriptEngine& e, const double* a, const char*) {
  return FetchChannel(e, e.dstRgb, a, kBlue);
}
double BuiltinDstT(ScriptEngine& e, const double* a, const char*) {
  return FetchChannel(e, e.dstT, a, 0);
}

double BuiltinGet(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  return GetInto(engine, *engine.srcRgb, args[0], args[1]);
}

double BuiltinDstGet(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  return GetInto(engine, *engine.dstRgb, args[0], args[1]);
}

// An 8-bit slot image has one byte per pixel, which lands in B alone. An
// empty slot yields 0.0 like a slot number outside 0..7: there is no pixel
// to wrap into.
double BuiltinGetb(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundCells(engine)) return 0.0;
  RgbtImage* slot = SlotByNumber(engine, args[0]);
  if (!HasPixels(slot)) return 0.0;
  return GetInto(engine, *slot, args[1], args[2]);
}

double BuiltinAdd(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  return AddInto(engine, *engine.srcRgb, args);
}

double BuiltinDstAdd(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  return AddInto(engine, *engine.dstRgb, args);
}

// Sizes of the slot images: 0 for an empty slot and for a number outside
// 0..7. They need no run, so an Init text can size its work before binding.
double BuiltinSlotWidth(ScriptEngine& engine, const double* args, const char*) {
  RgbtImage* slot = SlotByNumber(engine, args[0]);
  return slot == nullptr ? 0.0 : slot->width;
}

double BuiltinSlotHeight(ScriptEngine& engine, const double* args, const char*) {
  RgbtImage* slot = SlotByNumber(engine, args[0]);
  return slot == nullptr ? 0.0 : slot->height;
}

// Paints every fully transparent source pixel with one grey level, so that
// whatever colour a host left under transparency cannot bleed into filters
// that read neighbours. Walks only the pixels both planes have.
double BuiltinClean(ScriptEngine& engine, const double* args, const char*) {
  if (!HasBoundRun(engine)) return 0.0;
  RgbtImage& rgb = *engine.srcRgb;
  const RgbtImage& alpha = *engine.srcT;
  uint8_t level = static_cast<uint8_t>(TruncateToInt32(args[0]) & 0xFF);
  int32_t width = rgb.width < alpha.width ? rgb.width : alpha.width;
  int32_t height = rgb.height < alpha.height ? rgb.height : alpha.height;
  int32_t bytes = rgb.channels < kColourBytes ? rgb.channels : kColourBytes;
  engine.ChargeWork(height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* colour = rgb.data + static_cast<int64_t>(y) * rgb.rowLength;
    const uint8_t* opacity = alpha.data + static_cast<int64_t>(y) * alpha.rowLength;
    for (int32_t x = 0; x < width; ++x) {
      if (opacity[x * alpha.channels] != 0) continue;
      for (int32_t k = 0; k < bytes; ++k) colour[x * rgb.channels + k] = level;
    }
  }
  return 1.0;
}
