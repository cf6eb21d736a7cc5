// Rows between the codecs' interleaved layouts and the picture's planes, and
// the EXIF orientation.
#include <cstring>

#include "files/codecs.h"
#include "image/image.h"

bool BeginPicture(int64_t width, int64_t height, const ReadSettings& settings, Picture* picture,
                  std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = "the image has no pixels";
    return false;
  }
  std::string size = std::to_string(width) + " x " + std::to_string(height);
  // Divisions keep a hostile header's product from overflowing.
  if (width > settings.maxPixels / height) {
    *error = "the image is " + size + " pixels, more than the limit of " +
             std::to_string(settings.maxPixels);
    if (!settings.limitOption.empty()) *error += " (" + settings.limitOption + ")";
    return false;
  }
  if (width > kMaxPicturePixels / height) {
    *error = "the image is " + size + " pixels, more than the plug-in takes (" +
             std::to_string(kMaxPicturePixels) + ")";
    return false;
  }
  size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  picture->width = static_cast<int32_t>(width);
  picture->height = static_cast<int32_t>(height);
  picture->bgr.clear();
  picture->t.clear();
  picture->bgr.reserve(pixels * 3);
  picture->t.reserve(pixels);
  AdviseHugePages(picture->bgr.data(), pixels * 3);
  AdviseHugePages(picture->t.data(), pixels);
  return true;
}

int BytesPerPixel(PixelOrder order) {
  return order == PixelOrder::kRgb || order == PixelOrder::kBgr ? 3 : 4;
}

namespace {

// One loop per layout, so that each compiles to straight-line byte moves.
template <int kStep, bool kSwap>
void SplitPixels(const uint8_t* row, int32_t width, uint8_t* bgr, uint8_t* t) {
  for (int32_t x = 0; x < width; ++x, row += kStep, bgr += 3) {
    bgr[0] = row[kSwap ? 2 : 0];
    bgr[1] = row[1];
    bgr[2] = row[kSwap ? 0 : 2];
    if (kStep == 4) t[x] = row[3];
  }
}

template <int kStep, bool kSwap>
void JoinPixels(const uint8_t* bgr, const uint8_t* t, int32_t width, uint8_t* out) {
  for (int32_t x = 0; x < width; ++x, bgr += 3, out += kStep) {
    out[0] = bgr[kSwap ? 2 : 0];
    out[1] = bgr[1];
    out[2] = bgr[kSwap ? 0 : 2];
    if (kStep == 4) out[3] = t[x];
  }
}

}  // namespace

void AppendRow(Picture* picture, const uint8_t* row, PixelOrder order) {
  size_t width = static_cast<size_t>(picture->width);
  size_t start = picture->t.size();
  picture->bgr.resize((start + width) * 3);
  picture->t.resize(start + width, 255);
  uint8_t* bgr = picture->bgr.data() + start * 3;
  uint8_t* t = picture->t.data() + start;
  switch (order) {
    case PixelOrder::kBgr:
      std::memcpy(bgr, row, width * 3);
      break;
    case PixelOrder::kRgb:
      SplitPixels<3, true>(row, picture->width, bgr, t);
      break;
    case PixelOrder::kBgra:
      SplitPixels<4, false>(row, picture->width, bgr, t);
      break;
    case PixelOrder::kRgba:
      SplitPixels<4, true>(row, picture->width, bgr, t);
      break;
  }
}

void InterleaveRow(const Picture& picture, int32_t y, PixelOrder order, uint8_t* out) {
  size_t first = static_cast<size_t>(y) * static_cast<size_t>(picture.width);
  const uint8_t* bgr = picture.bgr.data() + first * 3;
  const uint8_t* t = picture.t.data() + first;
  switch (order) {
    case PixelOrder::kBgr:
      std::memcpy(out, bgr, static_cast<size_t>(picture.width) * 3);
      break;
    case PixelOrder::kRgb:
      JoinPixels<3, true>(bgr, t, picture.width, out);
      break;
    case PixelOrder::kBgra:
      JoinPixels<4, false>(bgr, t, picture.width, out);
      break;
    case PixelOrder::kRgba:
      JoinPixels<4, true>(bgr, t, picture.width, out);
      break;
  }
}

namespace {

// Where the stored pixel (x, y) of a width x height image goes in the
// upright one, for EXIF orientations 2 to 8; `swapped` when the upright
// image is height x width.
void UprightPlace(int orientation, int64_t x, int64_t y, int64_t w, int64_t h, int64_t* ux,
                  int64_t* uy) {
  switch (orientation) {
    case 2:
      *ux = w - 1 - x;
      *uy = y;
      break;  // mirrored
    case 3:
      *ux = w - 1 - x;
      *uy = h - 1 - y;
      break;  // turned half round
    case 4:
      *ux = x;
      *uy = h - 1 - y;
      break;  // mirrored upside down
    case 5:
      *ux = y;
      *uy = x;
      break;  // transposed
    case 6:
      *ux = h - 1 - y;
      *uy = x;
      break;  // turned a quarter clockwise
    case 7:
      *ux = h - 1 - y;
      *uy = w - 1 - x;
      break;  // transversed
    case 8:
      *ux = y;
      *uy = w - 1 - x;
      break;  // turned a quarter anticlockwise
    default:
      *ux = x;
      *uy = y;
      break;
  }
}

}  // namespace

void OrientPicture(Picture* picture, int orientation) {
  if (orientation < 2 || orientation > 8) return;
  int64_t w = picture->width;
  int64_t h = picture->height;
  int64_t uprightWidth = orientation >= 5 ? h : w;
  std::vector<uint8_t> bgr(picture->bgr.size());
  std::vector<uint8_t> t(picture->t.size());
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      int64_t ux, uy;
      UprightPlace(orientation, x, y, w, h, &ux, &uy);
      size_t from = static_cast<size_t>(y * w + x);
      size_t to = static_cast<size_t>(uy * uprightWidth + ux);
      std::memcpy(&bgr[to * 3], &picture->bgr[from * 3], 3);
      t[to] = picture->t[from];
    }
  }
  picture->bgr.swap(bgr);
  picture->t.swap(t);
  picture->width = static_cast<int32_t>(uprightWidth);
  picture->height = static_cast<int32_t>(orientation >= 5 ? w : h);
}

namespace {

uint32_t ReadExifInt(const uint8_t* p, int bytes, bool bigEndian) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    int shift = 8 * (bigEndian ? bytes - 1 - i : i);
    value |= static_cast<uint32_t>(p[i]) << shift;
  }
  return value;
}

}  // namespace

int ExifOrientation(const uint8_t* segment, size_t size) {
  static const uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (size < 14 || std::memcmp(segment, kExifHeader, 6) != 0) return 1;
  const uint8_t* tiff = segment + 6;
  size_t tiffSize = size - 6;
  bool bigEndian = tiff[0] == 'M' && tiff[1] == 'M';
  if (!bigEndian && !(tiff[0] == 'I' && tiff[1] == 'I')) return 1;
  if (ReadExifInt(tiff + 2, 2, bigEndian) != 42) return 1;
  size_t ifd = ReadExifInt(tiff + 4, 4, bigEndian);
  if (ifd > tiffSize || tiffSize - ifd < 2) return 1;
  size_t entries = ReadExifInt(tiff + ifd, 2, bigEndian);
  for (size_t i = 0; i < entries; ++i) {
    size_t entry = ifd + 2 + i * 12;
    if (entry > tiffSize || tiffSize - entry < 12) return 1;
    const uint8_t* e = tiff + entry;
    const uint32_t kOrientationTag = 0x0112, kShortType = 3;
    if (ReadExifInt(e, 2, bigEndian) != kOrientationTag) continue;
    if (ReadExifInt(e + 2, 2, bigEndian) != kShortType) return 1;
    uint32_t value = ReadExifInt(e + 8, 2, bigEndian);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}
