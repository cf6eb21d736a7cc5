// Bound-variable access, position wrapping and the interpolating pixel reader
// shared by the built-in functions.
#include <cmath>

#include "script/builtin_support.h"

bool HasBoundCells(const ScriptEngine& engine) {
  for (double* cell : engine.boundCells) {
    if (cell == nullptr) return false;
  }
  return true;
}

bool HasBoundRun(const ScriptEngine& engine) {
  return HasBoundCells(engine) && HasPixels(engine.srcRgb) && HasPixels(engine.srcT) &&
         HasPixels(engine.dstRgb) && HasPixels(engine.dstT);
}

double BoundValue(const ScriptEngine& engine, BoundCell cell) {
  double* address = engine.boundCells[cell];
  return address == nullptr ? 0.0 : *address;
}

void SetBoundValue(ScriptEngine& engine, BoundCell cell, double value) {
  double* address = engine.boundCells[cell];
  if (address != nullptr) *address = value;
}

WrappedPosition WrapPosition(double centre, double offset, int32_t size) {
  double shifted = 256.0 * size + centre + offset;
  if (shifted >= 0.0 && shifted < 2147483647.0) {
    // The common case, in integers: the shift made the position positive.
    int32_t whole = static_cast<int32_t>(shifted);
    int32_t index = whole % size;
    return {index, index + 1 < size ? index + 1 : 0, shifted - whole};
  }
  if (!std::isfinite(shifted)) return {0, size > 1 ? 1 : 0, 0.0};
  // floor equals truncation for the shifted positions the reader was made
  // for, and keeps wrapping correct for positions left of those too.
  double whole = std::floor(shifted);
  double wrapped = std::fmod(whole, static_cast<double>(size));
  if (wrapped < 0.0) wrapped += size;
  int32_t index = static_cast<int32_t>(wrapped);
  if (index >= size) index = 0;  // guards a rounding of wrapped up to size
  int32_t next = index + 1 < size ? index + 1 : 0;
  return {index, next, shifted - whole};
}

int32_t FetchPixel(const RgbtImage& image, double cx, double cy, double x, double y,
                   double out[kFetchedBytes]) {
  for (int32_t k = 0; k < kFetchedBytes; ++k) out[k] = 0.0;
  if (!HasPixels(&image)) return 0;
  WrappedPosition px = WrapPosition(cx, x, image.width);
  WrappedPosition py = WrapPosition(cy, y, image.height);
  const uint8_t* row0 = image.data + static_cast<int64_t>(py.index) * image.rowLength;
  const uint8_t* row1 = image.data + static_cast<int64_t>(py.next) * image.rowLength;
  int32_t left = px.index * image.channels;
  int32_t right = px.next * image.channels;
  double fx = px.fraction;
  double fy = py.fraction;
  int32_t delivered = image.channels < kFetchedBytes ? image.channels : kFetchedBytes;
  for (int32_t k = 0; k < delivered; ++k) {
    double top = (1.0 - fx) * row0[left + k] + fx * row0[right + k];
    double bottom = (1.0 - fx) * row1[left + k] + fx * row1[right + k];
    out[k] = static_cast<double>(static_cast<int32_t>((1.0 - fy) * top + fy * bottom));
  }
  return delivered;
}

double ClampColour(double value) {
  if (!(value >= 0.0)) return 0.0;  // also NaN
  return value > 255.0 ? 255.0 : value;
}

int32_t ColourByte(double value) { return static_cast<int32_t>(ClampColour(value)); }

RgbtImage* SlotByNumber(ScriptEngine& engine, double number) {
  int32_t slot = TruncateToInt32(number);
  if (slot < 0 || slot >= kImageSlots) return nullptr;
  return &engine.imageSlot[slot];
}
