// Block copies and nearest-neighbour resampling between images.
#include <cstring>
#include <memory>
#include <new>

#include "image/block_clip.h"
#include "image/image.h"

namespace {

void CopyBlock(const RgbtImage& source, RgbtImage& destination, const ClippedBlock& b) {
  for (int32_t row = 0; row < b.h; ++row) {
    const uint8_t* from = source.data + static_cast<size_t>(b.sy + row) * source.rowLength +
                          static_cast<size_t>(b.sx) * source.channels + b.sc;
    uint8_t* to = destination.data + static_cast<size_t>(b.dy + row) * destination.rowLength +
                  static_cast<size_t>(b.dx) * destination.channels + b.dc;
    if (b.n == source.channels && b.n == destination.channels) {
      std::memcpy(to, from, static_cast<size_t>(b.w) * b.n);
      continue;
    }
    for (int32_t i = 0; i < b.w; ++i, from += source.channels, to += destination.channels) {
      std::memcpy(to, from, static_cast<size_t>(b.n));
    }
  }
}

}  // namespace

void RgbtImage::Blit(const RgbtImage& source, int32_t sx, int32_t sy, int32_t sc, int32_t w,
                     int32_t h, int32_t dx, int32_t dy, int32_t dc, int32_t n) {
  ClippedBlock block;
  if (!ClipBlock(source, *this, sx, sy, sc, w, h, dx, dy, dc, n, &block)) return;
  if (&source != this) {
    CopyBlock(source, *this, block);
    return;
  }
  // Copying within one image: overlapping blocks must read the original
  // pixels, so copy from a snapshot.
  RgbtImage snapshot;
  if (snapshot.CreateLike(*this, -1) == 0) return;
  std::memcpy(snapshot.data, data, static_cast<size_t>(rowLength) * height);
  CopyBlock(snapshot, *this, block);
}

namespace {

// Maps each of `count` target positions to a source position in proportion.
std::unique_ptr<int32_t[]> BuildNearestMap(int32_t count, int32_t sourceCount) {
  std::unique_ptr<int32_t[]> map(new (std::nothrow) int32_t[static_cast<size_t>(count)]);
  if (!map) return map;
  for (int32_t i = 0; i < count; ++i) {
    map[i] = static_cast<int32_t>(int64_t{sourceCount} * i / count);
  }
  return map;
}

}  // namespace

void RgbtImage::ResampleNearest(const RgbtImage& source) {
  if (data == nullptr || source.data == nullptr) return;
  std::unique_ptr<int32_t[]> columns = BuildNearestMap(width, source.width);
  std::unique_ptr<int32_t[]> rows = BuildNearestMap(height, source.height);
  if (!columns || !rows) return;
  // Channels the source lacks are zeroed rather than read from the next pixel.
  const int32_t shared = channels < source.channels ? channels : source.channels;
  for (int32_t j = 0; j < height; ++j) {
    const uint8_t* sourceRow = source.data + static_cast<size_t>(rows[j]) * source.rowLength;
    uint8_t* to = data + static_cast<size_t>(j) * rowLength;
    for (int32_t i = 0; i < width; ++i, to += channels) {
      std::memcpy(to, sourceRow + static_cast<size_t>(columns[i]) * source.channels,
                  static_cast<size_t>(shared));
      std::memset(to + shared, 0, static_cast<size_t>(channels - shared));
    }
  }
}
