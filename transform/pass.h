// Internals of one pass of the per-pixel driver: wrapping positions into the
// image, fetching a source pixel and storing the colour variables.
#pragma once

#include <cstdint>

#include "image/image.h"

// Kept in their own namespace: other subsystems have helpers of the same
// names for their own rules.
namespace transform_pass {

// A position on one axis, reduced to a pixel index inside the image and the
// fraction of the way to the next pixel.
struct WrappedAxis {
  int32_t index;    // 0 <= index < size
  double fraction;  // 0 <= fraction < 1
};

// Wraps a position that the tile offset cannot bring into the int32 range,
// and infinities and NaN, onto a pixel inside the axis.
WrappedAxis WrapFarPosition(double position, int32_t size);

// Wraps position onto an axis of `size` pixels (the image tiles the plane).
// tileOffset (size * 256) keeps the usual range non-negative before the
// truncation, so positions from -tileOffset upward are handled exactly as
// the scripts have always seen them; anything further out, and infinities
// or NaN, is still brought onto a pixel inside the axis. Inline, and
// without a division for positions within one tile of the image: the pass
// wraps two of them for every fetched pixel.
inline WrappedAxis WrapAxis(double position, double tileOffset, int32_t size) {
  constexpr double kInt32Limit = 2147483648.0;  // first value past int32
  const double shifted = position + tileOffset;
  if (!(shifted >= 0.0 && shifted < kInt32Limit)) return WrapFarPosition(position, size);
  const int32_t whole = static_cast<int32_t>(shifted);
  const double fraction = shifted - whole;
  // The offset is a whole number of tiles, so near the image the remainder
  // is whole less the offset, moved by at most one tile.
  const int64_t tile = static_cast<int64_t>(size) * 256;
  const int64_t near = whole - tile;
  const bool nearImage = near >= -size && near < 2 * static_cast<int64_t>(size);
  if (tileOffset == static_cast<double>(tile) && nearImage) {
    const int64_t index = near < 0 ? near + size : near >= size ? near - size : near;
    return {static_cast<int32_t>(index), fraction};
  }
  return {whole % size, fraction};
}

// A script colour value as a byte: clamped to 0..255, then truncated; NaN
// gives 0. Inline: every pixel of "coord" 0 stores four of them.
inline uint8_t ColourByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(value);
}

// The source planes of a pass and how colours are fetched from them.
struct PassSource {
  const RgbtImage* rgb;
  const RgbtImage* transparency;
  double tileOffsetX;
  double tileOffsetY;
  Interpolation interpolation;
};

// Writes the source colour at (posX, posY) into the three bytes at rgbOut
// and the source T byte of the containing pixel into *tOut.
void FetchSourcePixel(const PassSource& source, double posX, double posY, uint8_t* rgbOut,
                      uint8_t* tOut);

}  // namespace transform_pass
