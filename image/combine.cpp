// Per-byte arithmetic combine of another image into this one.
#include <cstdlib>

#include "image/block_clip.h"
#include "image/image.h"

void RgbtImage::SetScale(int32_t newMultiplier, int32_t newDivisor) {
  multiplier = newMultiplier;
  divisor = newDivisor;
}

namespace {

struct CombineOptions {
  int32_t mode;
  int64_t multiplier;
  int64_t divisor;
  bool absolute;
};

// The mode's value in integers, before it is brought into byte range.
int64_t CombineValue(int64_t source, int64_t destination, const CombineOptions& options) {
  switch (options.mode) {
    case 1: return destination + source;
    case 2: return destination - source;
    case 3: return source - destination;
    case 4: {
      int64_t product = source * destination;
      if (options.divisor != 0) product = product * options.multiplier / options.divisor;
      return product;
    }
    default: return source;
  }
}

uint8_t ToByte(int64_t value, bool absolute) {
  if (absolute && value < 0) value = -value;
  if (value < 0) return 0;
  if (value > 255) return 255;
  return static_cast<uint8_t>(value);
}

void CombineBlock(const RgbtImage& source, RgbtImage& destination, const ClippedBlock& b,
                  const CombineOptions& options) {
  for (int32_t row = 0; row < b.h; ++row) {
    const uint8_t* from = source.data + static_cast<size_t>(b.sy + row) * source.rowLength +
                          static_cast<size_t>(b.sx) * source.channels + b.sc;
    uint8_t* to = destination.data + static_cast<size_t>(b.dy + row) * destination.rowLength +
                  static_cast<size_t>(b.dx) * destination.channels + b.dc;
    for (int32_t i = 0; i < b.w; ++i, from += source.channels, to += destination.channels) {
      for (int32_t k = 0; k < b.n; ++k) {
        to[k] = ToByte(CombineValue(from[k], to[k], options), options.absolute);
      }
    }
  }
}

}  // namespace

void RgbtImage::CombineFrom(const RgbtImage& source, int32_t mode) {
  const CombineOptions options{mode, multiplier, divisor, absoluteFlag != 0};
  // The options apply to one combine only, whether or not anything overlapped.
  absoluteFlag = 0;
  multiplier = 0;
  divisor = 0;
  ClippedBlock block;
  if (!ClipBlock(source, *this, 0, 0, 0, 0, 0, 0, 0, 0, 0, &block)) return;
  // Each byte is read before it is written, so combining an image with
  // itself is safe without a snapshot.
  CombineBlock(source, *this, block, options);
}
