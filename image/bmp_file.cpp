// Reading uncompressed Windows bitmap files into an RgbtImage. The file is
// untrusted: every header field is checked before it sizes anything, and the
// rows are read only into the image's own buffer.
#include <climits>
#include <cstdio>
#include <cstring>

#include "image/image.h"

namespace {

// Compression codes whose pixel data are not plain rows.
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionJpeg = 4;
constexpr uint32_t kCompressionPng = 5;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Offsets below are from the end of the "BM" signature.
BmpHeader DecodeHeader(const uint8_t* b) {
  BmpHeader h;
  h.fileSize = Read32(b + 0);
  h.reserved1 = Read16(b + 4);
  h.reserved2 = Read16(b + 6);
  h.dataOffset = Read32(b + 8);
  h.infoSize = Read32(b + 12);
  h.width = static_cast<int32_t>(Read32(b + 16));
  h.height = static_cast<int32_t>(Read32(b + 20));
  h.planes = Read16(b + 24);
  h.bitsPerPixel = static_cast<int16_t>(Read16(b + 26));
  h.compression = Read32(b + 28);
  h.imageSize = Read32(b + 32);
  h.xPixelsPerMetre = static_cast<int32_t>(Read32(b + 36));
  h.yPixelsPerMetre = static_cast<int32_t>(Read32(b + 40));
  h.coloursUsed = Read32(b + 44);
  h.importantColours = Read32(b + 48);
  return h;
}

class File {
 public:
  explicit File(const char* path) : handle(path ? std::fopen(path, "rb") : nullptr) {}
  ~File() {
    if (handle != nullptr) std::fclose(handle);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  std::FILE* handle;
};

int32_t BytesPerPixel(const BmpHeader& header) { return header.bitsPerPixel / 8; }

// True when the header describes rows this reader can hold: a positive
// (bottom-up) size, whole bytes per pixel that fit an image, plain rows, and
// no more pixel data than the image limit.
bool IsAcceptable(const BmpHeader& header) {
  if (header.width < 1 || header.height < 1) return false;
  const int32_t bytes = BytesPerPixel(header);
  if (bytes < 1 || bytes > kMaxChannels) return false;
  switch (header.compression) {
    case kCompressionRle8:
    case kCompressionRle4:
    case kCompressionJpeg:
    case kCompressionPng:
      return false;
    default:
      break;
  }
  const int64_t rowBytes = int64_t{header.width} * bytes;
  return rowBytes <= kMaxImageBytes / header.height;
}

}  // namespace

int32_t ReadBmpHeader(const char* path, BmpHeader* header) {
  File file(path);
  if (file.handle == nullptr || header == nullptr) return 0;
  uint8_t magic[2];
  if (std::fread(magic, 1, 2, file.handle) != 2 || magic[0] != 'B' || magic[1] != 'M') return 0;
  uint8_t bytes[kBmpHeaderBytes];
  // A header cut short would leave fields undefined: refuse it.
  if (std::fread(bytes, 1, sizeof bytes, file.handle) != sizeof bytes) return 0;
  *header = DecodeHeader(bytes);
  return 1;
}

int32_t ReadBmpPixels(const char* path, const BmpHeader& header, RgbtImage& image) {
  const int32_t bytesPerPixel = BytesPerPixel(header);
  if (image.data == nullptr || image.width != header.width || image.height != header.height ||
      image.channels != bytesPerPixel || image.rowLength != image.width * image.channels) {
    return 0;
  }
  // Rows the file does not supply stay 0, never leftover memory (also when
  // the file cannot be reopened and the caller keeps the sized image).
  std::memset(image.data, 0, static_cast<size_t>(image.rowLength) * image.height);
  File file(path);
  if (file.handle == nullptr) return 0;
  if (header.dataOffset > static_cast<uint32_t>(LONG_MAX) ||
      std::fseek(file.handle, static_cast<long>(header.dataOffset), SEEK_SET) != 0) {
    return 1;
  }
  const size_t rowBytes = static_cast<size_t>(image.rowLength);
  const size_t filler = (4 - rowBytes % 4) % 4;
  uint8_t skipped[4];
  for (int32_t y = 0; y < image.height; ++y) {
    uint8_t* row = image.data + static_cast<size_t>(y) * rowBytes;
    if (std::fread(row, 1, rowBytes, file.handle) != rowBytes) break;
    if (std::fread(skipped, 1, filler, file.handle) != filler) break;
  }
  return 1;
}

int32_t LoadBmpFile(const char* path, RgbtImage& image) {
  BmpHeader header;
  if (!ReadBmpHeader(path, &header)) return 0;
  if (!IsAcceptable(header)) {
    image.Create(0, 0, 0, 0);
    return 0;
  }
  if (image.Create(header.width, header.height, BytesPerPixel(header), 0) == 0) return 0;
  return ReadBmpPixels(path, header, image);
}
