// What each writer of this build can store. A size past a format's fields
// would be written wrapped (a TGA's 16-bit width taken modulo 65536) or
// overflow the writer's own arithmetic, so it is refused before encoding.
#include <cstdint>
#include <string>

#include "files/image_files.h"

namespace {

constexpr int64_t kNoLimit = INT64_MAX;
// Both the BMP header's size fields and stb's arithmetic are signed 32-bit.
constexpr int64_t kSigned32 = INT32_MAX;

struct FormatLimit {
  int64_t side;   // pixels a side
  int64_t bytes;  // the file's pixel data and headers, as the writer counts them
};

FormatLimit LimitOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::kTga:
      return {65535, kNoLimit};  // 16-bit width and height
    case ImageFormat::kBmp:
      return {kSigned32, kSigned32};
    case ImageFormat::kWebp:
      return {16383, kNoLimit};  // 14-bit width and height
#if defined(_WIN32)
    case ImageFormat::kJpeg:
      return {65535, kNoLimit};
    case ImageFormat::kPng:
      return {kSigned32, kSigned32};  // stb deflates one buffer of every row
#else
    case ImageFormat::kJpeg:
      return {65500, kNoLimit};  // libjpeg's largest dimension
#endif
    default:
      return {kNoLimit, kNoLimit};  // PNG and TIFF: 32-bit fields hold any picture
  }
}

// The bytes the writer counts for the picture, header included.
int64_t CountedBytes(ImageFormat format, int64_t width, int64_t height, bool alpha) {
  if (format == ImageFormat::kBmp) {
    if (alpha) return 14 + 108 + width * height * 4;
    return 14 + 40 + (width * 3 + 3) / 4 * 4 * height;  // rows padded to 4 bytes
  }
  return (width * (alpha ? 4 : 3) + 1) * height;  // PNG: a filter byte a row
}

}  // namespace

int FitsFormat(ImageFormat format, int64_t width, int64_t height, bool alpha, std::string* reason) {
  FormatLimit limit = LimitOf(format);
  std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width > limit.side || height > limit.side) {
    *reason = std::string("a ") + FormatName(format) + " file holds at most " +
              std::to_string(limit.side) + " pixels a side; the image is " + size;
    return 0;
  }
  int64_t bytes = CountedBytes(format, width, height, alpha);
  if (limit.bytes != kNoLimit && bytes > limit.bytes) {
    *reason = std::string("a ") + FormatName(format) + " file holds at most " +
              std::to_string(limit.bytes) + " bytes; the " + size + " image needs " +
              std::to_string(bytes);
    return 0;
  }
  return 1;
}
