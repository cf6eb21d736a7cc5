// What each writer of this build can store (its codec says), checked before
// anything is encoded.
#include <cstdint>
#include <string>

#include "files/codecs.h"

bool FitsFormat(ImageFormat format, int64_t width, int64_t height, bool alpha,
                std::string* reason) {
  Codec codec = CodecFor(format);
  std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width > codec.maxSide || height > codec.maxSide) {
    *reason = std::string("a ") + FormatName(format) + " file holds at most " +
              std::to_string(codec.maxSide) + " pixels a side; the image is " + size;
    return false;
  }
  if (codec.maxBytes == kNoSizeLimit) return true;
  int64_t bytes = codec.countBytes != nullptr ? codec.countBytes(width, height, alpha)
                                              : (width * (alpha ? 4 : 3) + 1) * height;
  if (bytes > codec.maxBytes) {
    *reason = std::string("a ") + FormatName(format) + " file holds at most " +
              std::to_string(codec.maxBytes) + " bytes; the " + size + " image needs " +
              std::to_string(bytes);
    return false;
  }
  return true;
}
