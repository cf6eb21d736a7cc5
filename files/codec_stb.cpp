// BMP and TGA through stb, which reads every variant of both (the BMP this
// host writes is moved row by row in codec_bmp.cpp); on Windows, whose
// build has no other codec library, stb reads and writes every format it
// knows.
#if defined(_WIN32)
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#endif
#include <stb_image.h>
#include <stb_image_write.h>

#include "files/codecs.h"

namespace {

uint32_t Little(const Bytes& file, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(file[at + i]) << (8 * i);
  return value;
}

// An uncompressed BMP must hold every row its header claims; stb would make
// up the missing ones, however many millions that is.
bool BmpHoldsItsRows(const Bytes& file, std::string* error) {
  if (file.size() < 26 || file[0] != 'B' || file[1] != 'M') return true;
  uint32_t offset = Little(file, 10, 4);
  uint32_t header = Little(file, 14, 4);
  int64_t width, height, bits, compression = 0;
  if (header == 12) {
    width = Little(file, 18, 2);
    height = Little(file, 20, 2);
    bits = Little(file, 24, 2);
  } else {
    if (file.size() < 34) return true;
    width = static_cast<int32_t>(Little(file, 18, 4));
    height = static_cast<int32_t>(Little(file, 22, 4));
    bits = Little(file, 28, 2);
    compression = Little(file, 30, 4);
  }
  const int64_t kRgb = 0, kBitFields = 3;
  if (compression != kRgb && compression != kBitFields) return true;  // run-length data
  if (width <= 0 || bits <= 0 || bits > 32) return true;              // stb's to refuse
  int64_t rows = height < 0 ? -height : height;
  int64_t stride = (width * bits + 31) / 32 * 4;
  int64_t needed = offset + stride * rows;
  if (static_cast<int64_t>(file.size()) >= needed) return true;
  *error = "the file is truncated: its header claims " + std::to_string(width) + " x " +
           std::to_string(rows) + " pixels in " + std::to_string(needed) + " bytes, it has " +
           std::to_string(file.size());
  return false;
}

void AppendToBytes(void* context, void* data, int size) {
  Bytes* file = static_cast<Bytes*>(context);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  file->insert(file->end(), bytes, bytes + size);
}

// stb's writers take one interleaved RGB or RGBA buffer.
Bytes Interleaved(const Picture& picture, bool alpha) {
  PixelOrder order = alpha ? PixelOrder::kRgba : PixelOrder::kRgb;
  size_t stride = static_cast<size_t>(picture.width) * BytesPerPixel(order);
  Bytes pixels(stride * static_cast<size_t>(picture.height));
  for (int32_t y = 0; y < picture.height; ++y) {
    InterleaveRow(picture, y, order, &pixels[y * stride]);
  }
  return pixels;
}

bool Written(int result, const char* format, std::string* error) {
  if (result != 0) return true;
  *error = std::string("the ") + format + " encoder failed";
  return false;
}

}  // namespace

bool DecodeWithStb(const Bytes& file, const ReadSettings& settings, Picture* picture,
                   SourceTraits* traits, std::string* error) {
  const FastDecode fast = DecodeStraightBmp(file, settings, picture, traits, error);
  if (fast != FastDecode::kNotTaken) return fast == FastDecode::kDone;
  int size = file.size() > INT32_MAX ? INT32_MAX : static_cast<int>(file.size());
  int width = 0, height = 0, components = 0;
  if (!stbi_info_from_memory(file.data(), size, &width, &height, &components)) {
    *error = stbi_failure_reason();
    return false;
  }
  if (!BeginPicture(width, height, settings, picture, error)) return false;
  if (!BmpHoldsItsRows(file, error)) return false;
  traits->grey = components < 3;
  traits->bitsPerSample = stbi_is_16_bit_from_memory(file.data(), size) ? 16 : 8;
  uint8_t* rgba = stbi_load_from_memory(file.data(), size, &width, &height, &components, 4);
  if (rgba == nullptr) {
    *error = stbi_failure_reason();
    return false;
  }
  size_t stride = static_cast<size_t>(width) * 4;
  for (int y = 0; y < height; ++y) AppendRow(picture, rgba + y * stride, PixelOrder::kRgba);
  stbi_image_free(rgba);
  return true;
}

bool EncodeTga(const Picture& picture, bool alpha, const WriteSettings&, Bytes* file,
               std::string* error) {
  Bytes pixels = Interleaved(picture, alpha);
  return Written(stbi_write_tga_to_func(AppendToBytes, file, picture.width, picture.height,
                                        alpha ? 4 : 3, pixels.data()),
                 "TGA", error);
}

bool EncodePngWithStb(const Picture& picture, bool alpha, const WriteSettings&, Bytes* file,
                      std::string* error) {
  Bytes pixels = Interleaved(picture, alpha);
  int channels = alpha ? 4 : 3;
  return Written(stbi_write_png_to_func(AppendToBytes, file, picture.width, picture.height,
                                        channels, pixels.data(), picture.width * channels),
                 "PNG", error);
}

bool EncodeJpegWithStb(const Picture& picture, bool, const WriteSettings& settings, Bytes* file,
                       std::string* error) {
  Bytes pixels = Interleaved(picture, false);
  return Written(stbi_write_jpg_to_func(AppendToBytes, file, picture.width, picture.height, 3,
                                        pixels.data(), settings.quality),
                 "JPEG", error);
}

// TGA has no signature: it is known by its name alone.
Codec TgaCodec() { return {nullptr, DecodeWithStb, EncodeTga, 65535}; }  // 16-bit width and height
