// Reading uncompressed Windows bitmap files into an RgbtImage. The file is
// untrusted: it is opened once and only when it is a regular file, every
// header field is checked before it sizes anything, and the rows are read
// only into the image's own buffer.
#include <fcntl.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

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
  explicit File(std::FILE* opened) : handle(opened) {}
  ~File() {
    if (handle != nullptr) std::fclose(handle);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  std::FILE* handle;
};

// Opens path for reading only when it is a regular file, and gives its size.
// A FIFO is opened without waiting for a writer and then refused, so no
// name can make the reader block; a device or folder is refused the same way.
BmpLoadResult OpenRegularFile(const char* path, File* file, int64_t* size) {
  if (path == nullptr) return kBmpCannotOpen;
#ifdef _WIN32
  file->handle = std::fopen(path, "rb");
  if (file->handle == nullptr) return kBmpCannotOpen;
  struct _stat64 status;
  if (_fstat64(_fileno(file->handle), &status) != 0) return kBmpCannotOpen;
  if ((status.st_mode & _S_IFMT) != _S_IFREG) return kBmpNotRegularFile;
#else
  const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return kBmpCannotOpen;
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    return kBmpNotRegularFile;
  }
  file->handle = fdopen(descriptor, "rb");
  if (file->handle == nullptr) {
    close(descriptor);
    return kBmpCannotOpen;
  }
#endif
  *size = static_cast<int64_t>(status.st_size);
  return kBmpLoaded;
}

int32_t BytesPerPixel(const BmpHeader& header) { return header.bitsPerPixel / 8; }

// Bytes of one stored row with its filler to a multiple of 4.
int64_t Stride(int64_t rowBytes) { return (rowBytes + 3) / 4 * 4; }

// Checks every field that sizes anything against the limits, before any
// allocation: a positive (bottom-up) size, whole bytes per pixel that fit an
// image, plain rows, no more pixel data than kMaxImageBytes, and a file that
// holds every row it claims (the last row's filler may be missing: some
// writers leave it out).
BmpLoadResult CheckHeader(const BmpHeader& header, int64_t fileSize) {
  if (header.width < 1 || header.height < 1) return kBmpBadSize;
  const int32_t bytes = BytesPerPixel(header);
  if (bytes < 1 || bytes > kMaxChannels) return kBmpUnsupportedDepth;
  switch (header.compression) {
    case kCompressionRle8:
    case kCompressionRle4:
    case kCompressionJpeg:
    case kCompressionPng:
      return kBmpCompressed;
    default:
      break;
  }
  const int64_t rowBytes = int64_t{header.width} * bytes;
  if (rowBytes > kMaxImageBytes / header.height) return kBmpTooLarge;
  const int64_t needed =
      int64_t{header.dataOffset} + (int64_t{header.height} - 1) * Stride(rowBytes) + rowBytes;
  if (fileSize < needed) return kBmpTruncated;
  return kBmpLoaded;
}

BmpLoadResult ReadHeaderFrom(std::FILE* file, BmpHeader* header) {
  uint8_t magic[2];
  const size_t got = std::fread(magic, 1, 2, file);
  if (got != 2 || magic[0] != 'B' || magic[1] != 'M') return kBmpNotBmp;
  uint8_t bytes[kBmpHeaderBytes];
  // A header cut short would leave fields undefined: refuse it.
  if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return kBmpHeaderCut;
  *header = DecodeHeader(bytes);
  return kBmpLoaded;
}

bool ImageMatches(const BmpHeader& header, const RgbtImage& image) {
  return image.data != nullptr && image.width == header.width && image.height == header.height &&
         image.channels == BytesPerPixel(header) && image.rowLength == image.width * image.channels;
}

// Reads the rows into an image that matches the header. Rows the file does
// not supply stay 0, never leftover memory.
void ReadRowsFrom(std::FILE* file, const BmpHeader& header, RgbtImage& image) {
  std::memset(image.data, 0, static_cast<size_t>(image.rowLength) * image.height);
  if (header.dataOffset > static_cast<uint32_t>(LONG_MAX) ||
      std::fseek(file, static_cast<long>(header.dataOffset), SEEK_SET) != 0) {
    return;
  }
  const size_t rowBytes = static_cast<size_t>(image.rowLength);
  const size_t filler = static_cast<size_t>(Stride(image.rowLength)) - rowBytes;
  uint8_t skipped[4];
  for (int32_t y = 0; y < image.height; ++y) {
    uint8_t* row = image.data + static_cast<size_t>(y) * rowBytes;
    if (std::fread(row, 1, rowBytes, file) != rowBytes) break;
    if (y + 1 < image.height && std::fread(skipped, 1, filler, file) != filler) break;
  }
}

const char* const kResultTexts[] = {
#define MORFEL_BMP_TEXT(name, text) text,
    MORFEL_BMP_LOAD_RESULTS(MORFEL_BMP_TEXT)
#undef MORFEL_BMP_TEXT
};

}  // namespace

const char* BmpLoadResultText(BmpLoadResult result) {
  const size_t index = static_cast<size_t>(result);
  return index < sizeof kResultTexts / sizeof kResultTexts[0] ? kResultTexts[index] : "";
}

int32_t ReadBmpHeader(const char* path, BmpHeader* header) {
  File file(path);
  if (file.handle == nullptr || header == nullptr) return 0;
  return ReadHeaderFrom(file.handle, header) == kBmpLoaded ? 1 : 0;
}

int32_t ReadBmpPixels(const char* path, const BmpHeader& header, RgbtImage& image) {
  if (!ImageMatches(header, image)) return 0;
  File file(path);
  if (file.handle == nullptr) {
    std::memset(image.data, 0, static_cast<size_t>(image.rowLength) * image.height);
    return 0;
  }
  ReadRowsFrom(file.handle, header, image);
  return 1;
}

int32_t LoadBmpFile(const char* path, RgbtImage& image, BmpLoadResult* why) {
  BmpLoadResult ignored;
  BmpLoadResult& result = why != nullptr ? *why : ignored;
  File file(static_cast<std::FILE*>(nullptr));
  int64_t fileSize = 0;
  result = OpenRegularFile(path, &file, &fileSize);
  if (result != kBmpLoaded) return 0;
  BmpHeader header;
  result = ReadHeaderFrom(file.handle, &header);
  if (result != kBmpLoaded) return 0;
  result = CheckHeader(header, fileSize);
  if (result != kBmpLoaded) {
    image.Create(0, 0, 0, 0);
    return 0;
  }
  if (image.Create(header.width, header.height, BytesPerPixel(header), 0) == 0) {
    result = kBmpNoMemory;
    return 0;
  }
  ReadRowsFrom(file.handle, header, image);
  return 1;
}
