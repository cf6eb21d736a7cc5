// BMP at the speed of a copy: the layout this host writes (24 bits, or 32
// with alpha behind a V4 header) is row for row the planes' own blue, green,
// red order, so rows are moved whole. The bytes are those stb has always
// written; a file in any other layout is read by stb.
#include <cstring>

#include "files/codecs.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kRgb = 0;        // uncompressed, no masks
constexpr uint32_t kBitFields = 3;  // uncompressed, masks given
// The largest side stb reads; larger ones are its to refuse.
constexpr int64_t kMostSide = int64_t{1} << 24;

uint32_t ReadLittle(const uint8_t* at, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(at[i]) << (8 * i);
  return value;
}

uint8_t* PutLittle(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) *at++ = static_cast<uint8_t>(value >> (8 * i));
  return at;
}

// The information header sizes a 24-bit file may carry: the classic one
// and its longer versions, whose masks and colour space a 24-bit file
// without bit fields does not use. Other tools write the longer ones.
bool IsKnownInfoHeader(uint32_t size) {
  return size == kInfoHeaderSize || size == 56 || size == kV4HeaderSize || size == kV5HeaderSize;
}

// The rows of a 24-bit file without palette, masks or gap before its
// pixels: what stb reads exactly as it is stored.
struct StraightLayout {
  int64_t width = 0;
  int64_t height = 0;  // positive
  bool bottomUp = true;
  size_t offset = 0;
  size_t stride = 0;
};

bool ReadStraightLayout(const Bytes& file, StraightLayout* layout) {
  if (file.size() < kFileHeaderSize + kInfoHeaderSize || file[0] != 'B' || file[1] != 'M') {
    return false;
  }
  const uint8_t* header = file.data() + kFileHeaderSize;
  const int64_t width = static_cast<int32_t>(ReadLittle(header + 4, 4));
  const int64_t height = static_cast<int32_t>(ReadLittle(header + 8, 4));
  const uint32_t infoSize = ReadLittle(header, 4);
  // The pixels must start right behind the header: a gap is what stb
  // refuses for a file without palette.
  const bool straight = IsKnownInfoHeader(infoSize) && file.size() >= kFileHeaderSize + infoSize &&
                        ReadLittle(header + 12, 2) == 1 && ReadLittle(header + 14, 2) == 24 &&
                        ReadLittle(header + 16, 4) == kRgb &&
                        ReadLittle(file.data() + 10, 4) == kFileHeaderSize + infoSize;
  const int64_t rows = height < 0 ? -height : height;
  if (!straight || width <= 0 || width > kMostSide || rows == 0 || rows > kMostSide) return false;
  layout->width = width;
  layout->height = rows;
  layout->bottomUp = height > 0;
  layout->offset = kFileHeaderSize + infoSize;
  layout->stride = static_cast<size_t>((width * 3 + 3) / 4 * 4);
  // A file short of its rows goes to the general reader, which says so. In
  // 64 bits: a 32-bit size_t could wrap for a hostile header.
  const int64_t needed = static_cast<int64_t>(layout->offset) + (width * 3 + 3) / 4 * 4 * rows;
  return static_cast<int64_t>(file.size()) >= needed;
}

void PutHeader(uint8_t* out, const Picture& picture, bool alpha, uint32_t fileSize) {
  const uint32_t infoSize = alpha ? kV4HeaderSize : kInfoHeaderSize;
  std::memset(out, 0, kFileHeaderSize + infoSize);
  out[0] = 'B';
  out[1] = 'M';
  PutLittle(out + 2, fileSize, 4);
  PutLittle(out + 10, static_cast<uint32_t>(kFileHeaderSize + infoSize), 4);
  uint8_t* info = out + kFileHeaderSize;
  PutLittle(info, infoSize, 4);
  PutLittle(info + 4, static_cast<uint32_t>(picture.width), 4);
  PutLittle(info + 8, static_cast<uint32_t>(picture.height), 4);
  PutLittle(info + 12, 1, 2);
  PutLittle(info + 14, alpha ? 32 : 24, 2);
  if (!alpha) return;
  PutLittle(info + 16, kBitFields, 4);
  uint8_t* masks = info + 40;
  for (uint32_t mask : {0xff0000u, 0xff00u, 0xffu, 0xff000000u}) masks = PutLittle(masks, mask, 4);
}

}  // namespace

FastDecode DecodeStraightBmp(const Bytes& file, const ReadSettings& settings, Picture* picture,
                             SourceTraits* traits, std::string* error) {
  StraightLayout layout;
  if (!ReadStraightLayout(file, &layout)) return FastDecode::kNotTaken;
  if (!BeginPicture(layout.width, layout.height, settings, picture, error)) {
    return FastDecode::kFailed;
  }
  traits->grey = false;
  traits->bitsPerSample = 8;
  for (int64_t y = 0; y < layout.height; ++y) {
    const int64_t stored = layout.bottomUp ? layout.height - 1 - y : y;
    AppendRow(picture, file.data() + layout.offset + layout.stride * static_cast<size_t>(stored),
              PixelOrder::kBgr);
  }
  return FastDecode::kDone;
}

bool EncodeBmp(const Picture& picture, bool alpha, const WriteSettings&, Bytes* file,
               std::string*) {
  const size_t width = static_cast<size_t>(picture.width);
  const size_t height = static_cast<size_t>(picture.height);
  const size_t rowBytes = width * (alpha ? 4 : 3);
  const size_t stride = alpha ? rowBytes : (rowBytes + 3) / 4 * 4;
  const size_t headerSize = kFileHeaderSize + (alpha ? kV4HeaderSize : kInfoHeaderSize);
  // The size field as stb writes it: the pixels of a 32-bit file without
  // any padding, those of a 24-bit one with it.
  const size_t fileSize = headerSize + stride * height;
  file->assign(fileSize, 0);
  PutHeader(file->data(), picture, alpha, static_cast<uint32_t>(fileSize));
  for (size_t y = 0; y < height; ++y) {
    // Rows bottom up, each pixel blue, green, red (and alpha).
    uint8_t* out = file->data() + headerSize + stride * (height - 1 - y);
    if (!alpha) {
      std::memcpy(out, picture.bgr.data() + y * width * 3, width * 3);
    } else {
      InterleaveRow(picture, static_cast<int32_t>(y), PixelOrder::kBgra, out);
    }
  }
  return true;
}

namespace {

bool LooksLikeBmp(const Bytes& start) { return StartsWith(start, "BM"); }

// The bytes of the file as its header's signed 32-bit size fields count them.
int64_t BmpBytes(int64_t width, int64_t height, bool alpha) {
  if (alpha) return 14 + 108 + width * height * 4;
  return 14 + 40 + (width * 3 + 3) / 4 * 4 * height;  // rows padded to 4 bytes
}

}  // namespace

// stb reads every BMP variant (the layouts written here row by row first).
Codec BmpCodec() {
  return {LooksLikeBmp, DecodeWithStb, EncodeBmp, INT32_MAX, INT32_MAX, BmpBytes};
}
