// Sizing, addressing and whole-image operations of RgbtImage.
#include <cstring>
#include <new>
#include <utility>

#include "image/image.h"

RgbtImage::RgbtImage(int32_t width, int32_t height, int32_t channels) {
  Create(width, height, channels, 0);
}

RgbtImage::~RgbtImage() { delete[] data; }

ProgressImage::ProgressImage(int32_t width, int32_t height, int32_t channels)
    : RgbtImage(width, height, channels) {}

// The base destructor frees the buffer; nothing else is owned here.
ProgressImage::~ProgressImage() = default;

namespace {

void MakeEmpty(RgbtImage& image) {
  delete[] image.data;
  image.data = nullptr;
  image.width = 0;
  image.height = 0;
  image.channels = 0;
  image.rowLength = 0;
}

// Row length for the requested total size, or -1 when that cannot hold a
// packed row or the whole buffer would exceed the image limit. All arithmetic
// is 64-bit so that hostile sizes cannot wrap into a small allocation.
int64_t ChooseRowLength(int32_t width, int32_t height, int32_t channels, int32_t totalSize) {
  const int64_t packed = int64_t{width} * channels;
  const int64_t rowLength = totalSize != 0 ? int64_t{totalSize} / height : packed;
  if (rowLength < packed) return -1;
  if (rowLength > kMaxImageBytes / height) return -1;  // dividing: the product could overflow
  return rowLength;
}

}  // namespace

int32_t RgbtImage::Create(int32_t newWidth, int32_t newHeight, int32_t newChannels,
                          int32_t totalSize) {
  if (newWidth == width && newHeight == height && newChannels == channels) {
    return rowLength * height;
  }
  MakeEmpty(*this);
  if (newWidth < 1 || newHeight < 1 || newChannels < 1 || newChannels > kMaxChannels) return 0;
  const int64_t newRowLength = ChooseRowLength(newWidth, newHeight, newChannels, totalSize);
  if (newRowLength < 0) return 0;
  const int64_t bytes = newRowLength * newHeight;
  data = new (std::nothrow) uint8_t[static_cast<size_t>(bytes)];
  if (data == nullptr) return 0;
  AdviseHugePages(data, static_cast<size_t>(bytes));
  width = newWidth;
  height = newHeight;
  channels = newChannels;
  rowLength = static_cast<int32_t>(newRowLength);
  return static_cast<int32_t>(bytes);
}

int32_t RgbtImage::CreateLike(const RgbtImage& other, int32_t newChannels) {
  if (newChannels < 1) {
    const int64_t total = int64_t{other.rowLength} * other.height;
    return Create(other.width, other.height, other.channels, static_cast<int32_t>(total));
  }
  return Create(other.width, other.height, newChannels, 0);
}

namespace {

int32_t ClampIndex(int32_t value, int32_t limit) {
  if (value < 0) return 0;
  if (value >= limit) return limit - 1;
  return value;
}

}  // namespace

const uint8_t* RgbtImage::PixelAddress(int32_t x, int32_t y, int32_t k) const {
  if (data == nullptr) return nullptr;
  x = ClampIndex(x, width);
  y = ClampIndex(y, height);
  // A wrong channel would reach into the next pixel, or past the last one.
  k = ClampIndex(k, channels);
  return data + static_cast<size_t>(y) * rowLength + static_cast<size_t>(x) * channels + k;
}

uint8_t* RgbtImage::PixelAddress(int32_t x, int32_t y, int32_t k) {
  return const_cast<uint8_t*>(static_cast<const RgbtImage*>(this)->PixelAddress(x, y, k));
}

void RgbtImage::Fill(int32_t value, int32_t channel) {
  if (data == nullptr) return;
  const uint8_t byte = static_cast<uint8_t>(value & 0xFF);
  if (channel == -1) {
    std::memset(data, byte, static_cast<size_t>(rowLength) * height);
    return;
  }
  if (channel < 0 || channel >= channels) return;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* p = data + static_cast<size_t>(y) * rowLength + channel;
    for (int32_t x = 0; x < width; ++x, p += channels) *p = byte;
  }
}

namespace {

void SwapBytes(uint8_t* a, uint8_t* b, int32_t count) {
  for (int32_t i = 0; i < count; ++i) std::swap(a[i], b[i]);
}

void MirrorRows(RgbtImage& image) {
  const int32_t rowBytes = image.width * image.channels;
  for (int32_t y = 0; y < image.height / 2; ++y) {
    uint8_t* top = image.data + static_cast<size_t>(y) * image.rowLength;
    uint8_t* bottom = image.data + static_cast<size_t>(image.height - 1 - y) * image.rowLength;
    SwapBytes(top, bottom, rowBytes);
  }
}

void MirrorColumns(RgbtImage& image) {
  for (int32_t y = 0; y < image.height; ++y) {
    uint8_t* row = image.data + static_cast<size_t>(y) * image.rowLength;
    for (int32_t x = 0; x < image.width / 2; ++x) {
      SwapBytes(row + static_cast<size_t>(x) * image.channels,
                row + static_cast<size_t>(image.width - 1 - x) * image.channels, image.channels);
    }
  }
}

}  // namespace

void RgbtImage::Mirror(bool horizontal, bool vertical) {
  if (data == nullptr) return;
  if (vertical) MirrorRows(*this);
  if (horizontal) MirrorColumns(*this);
}

int32_t RgbtImage::Exchange(RgbtImage& other) {
  // The row length must match too: swapping rowLength x height bytes of two
  // differently padded buffers would run past the shorter one.
  if (channels != other.channels || width != other.width || height != other.height ||
      rowLength != other.rowLength) {
    return 0;
  }
  if (this == &other || data == nullptr) return 1;
  const size_t bytes = static_cast<size_t>(rowLength) * height;
  for (size_t i = 0; i < bytes; ++i) std::swap(data[i], other.data[i]);
  return 1;
}

int32_t RgbtImage::DescribeBitmap(uint32_t header[kBitmapDescriptionValues]) const {
  const bool rgb = channels == 3;
  const uint32_t dataOffset = rgb ? 54u : 1078u;  // a palette of 256 entries follows otherwise
  const uint32_t imageBytes = static_cast<uint32_t>(rowLength) * static_cast<uint32_t>(height);
  const uint32_t paletteColours = rgb ? 0u : 256u;
  header[0] = imageBytes + dataOffset;
  header[1] = 0;
  header[2] = dataOffset;
  header[3] = 40;
  header[4] = static_cast<uint32_t>(width);
  header[5] = static_cast<uint32_t>(height);
  header[6] = 1u | (static_cast<uint32_t>(channels * 8) << 16);
  header[7] = 0;
  header[8] = imageBytes;
  header[9] = 2835;
  header[10] = 2835;
  header[11] = paletteColours;
  header[12] = paletteColours;
  return kBitmapDescriptionValues * 4;
}
