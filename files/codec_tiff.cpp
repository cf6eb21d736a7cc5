// TIFF through libtiff, reading and writing memory: libtiff's RGBA interface
// reads every photometric kind and depth upright; writing is 8-bit RGB or
// RGBA with deflate compression and the horizontal predictor.
#if !defined(_WIN32)
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "files/codecs.h"

namespace {

// A file in memory with a position, for libtiff's client procedures.
struct MemoryFile {
  Bytes* bytes;
  toff_t position = 0;
};

MemoryFile* Stream(thandle_t handle) { return static_cast<MemoryFile*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile* file = Stream(handle);
  toff_t available =
      file->position < file->bytes->size() ? file->bytes->size() - file->position : 0;
  toff_t count = std::min<toff_t>(available, static_cast<toff_t>(size));
  if (count > 0) std::memcpy(buffer, file->bytes->data() + file->position, count);
  file->position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile* file = Stream(handle);
  toff_t end = file->position + static_cast<toff_t>(size);
  if (end > file->bytes->size()) file->bytes->resize(end);
  std::memcpy(file->bytes->data() + file->position, buffer, static_cast<size_t>(size));
  file->position = end;
  return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  MemoryFile* file = Stream(handle);
  if (whence == SEEK_CUR) offset += file->position;
  if (whence == SEEK_END) offset += file->bytes->size();
  file->position = offset;
  return offset;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return Stream(handle)->bytes->size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

// libtiff reports through handlers of its own; the last error is kept for
// the message, warnings (unknown tags and the like) are not worth a line.
thread_local std::string lastTiffError;

void KeepError(const char*, const char* format, va_list arguments) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  lastTiffError = text;
}

void IgnoreWarning(const char*, const char*, va_list) {}

TIFF* OpenMemory(MemoryFile* file, const char* mode) {
  TIFFSetErrorHandler(KeepError);
  TIFFSetWarningHandler(IgnoreWarning);
  lastTiffError = "the TIFF data is corrupt";
  return TIFFClientOpen("image", mode, file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                        MapProc, UnmapProc);
}

bool Fail(std::string* error) {
  *error = lastTiffError;
  return false;
}

void NoteTraits(TIFF* tiff, SourceTraits* traits) {
  uint16_t bits = 8, photometric = PHOTOMETRIC_RGB;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  traits->bitsPerSample = bits;
  traits->grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
}

void KeepProfile(TIFF* tiff, Picture* picture) {
  uint32_t length = 0;
  void* profile = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &length, &profile) && profile != nullptr) {
    const uint8_t* data = static_cast<const uint8_t*>(profile);
    picture->icc.assign(data, data + length);
  }
}

// 8-bit RGB or RGBA in one plane, the layout morfel writes: read as stored.
// libtiff's RGBA interface would premultiply an unassociated alpha.
bool IsPlainRgb(TIFF* tiff) {
  uint16_t bits = 0, samples = 0, planar = 0, photometric = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
  return TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) && photometric == PHOTOMETRIC_RGB &&
         bits == 8 && (samples == 3 || samples == 4) && planar == PLANARCONFIG_CONTIG &&
         orientation == ORIENTATION_TOPLEFT && !TIFFIsTiled(tiff);
}

bool ReadPlainRows(TIFF* tiff, Picture* picture, std::string* error) {
  uint16_t samples = 3;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  Bytes row(static_cast<size_t>(TIFFScanlineSize(tiff)));
  if (row.size() < static_cast<size_t>(picture->width) * samples) return Fail(error);
  PixelOrder order = samples == 4 ? PixelOrder::kRgba : PixelOrder::kRgb;
  for (int32_t y = 0; y < picture->height; ++y) {
    if (TIFFReadScanline(tiff, row.data(), static_cast<uint32_t>(y), 0) != 1) return Fail(error);
    AppendRow(picture, row.data(), order);
  }
  return true;
}

// Any other kind through the RGBA interface, the alpha taken back out of
// the colours it was multiplied into.
bool ReadRgbaImage(TIFF* tiff, Picture* picture, std::string* error) {
  uint32_t width = static_cast<uint32_t>(picture->width);
  uint32_t height = static_cast<uint32_t>(picture->height);
  std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
  if (!TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 1)) {
    return Fail(error);
  }
  Bytes row(static_cast<size_t>(width) * 4);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t pixel = raster[static_cast<size_t>(y) * width + x];
      uint32_t alpha = TIFFGetA(pixel);
      uint32_t rgb[3] = {TIFFGetR(pixel), TIFFGetG(pixel), TIFFGetB(pixel)};
      for (int c = 0; c < 3; ++c) {
        uint32_t value = alpha == 0 || alpha == 255 ? rgb[c] : (rgb[c] * 255 + alpha / 2) / alpha;
        row[x * 4 + c] = static_cast<uint8_t>(value > 255 ? 255 : value);
      }
      row[x * 4 + 3] = static_cast<uint8_t>(alpha);
    }
    AppendRow(picture, row.data(), PixelOrder::kRgba);
  }
  return true;
}

}  // namespace

bool DecodeTiff(const Bytes& file, const ReadSettings& settings, Picture* picture,
                SourceTraits* traits, std::string* error) {
  MemoryFile memory{const_cast<Bytes*>(&file)};  // opened for reading only
  TIFF* tiff = OpenMemory(&memory, "rm");
  if (tiff == nullptr) return Fail(error);
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  bool ok = BeginPicture(width, height, settings, picture, error);
  if (ok) {
    NoteTraits(tiff, traits);
    KeepProfile(tiff, picture);
    ok = IsPlainRgb(tiff) ? ReadPlainRows(tiff, picture, error)
                          : ReadRgbaImage(tiff, picture, error);
  }
  TIFFClose(tiff);
  return ok;
}

bool EncodeTiff(const Picture& picture, bool alpha, const WriteSettings& settings, Bytes* file,
                std::string* error) {
  file->clear();
  MemoryFile memory{file};
  TIFF* tiff = OpenMemory(&memory, "w");
  if (tiff == nullptr) return Fail(error);
  uint16_t channels = alpha ? 4 : 3;
  DeflateSettings deflate = DeflateFor(settings.compression);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(picture.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(picture.height));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  if (alpha) {
    uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (deflate.level > 0) {
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, deflate.level);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  }
  if (!picture.icc.empty()) {
    TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(picture.icc.size()),
                 picture.icc.data());
  }
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  PixelOrder order = alpha ? PixelOrder::kRgba : PixelOrder::kRgb;
  Bytes row(static_cast<size_t>(picture.width) * channels);
  bool ok = true;
  for (int32_t y = 0; ok && y < picture.height; ++y) {
    InterleaveRow(picture, y, order, row.data());
    ok = TIFFWriteScanline(tiff, row.data(), static_cast<uint32_t>(y), 0) == 1;
  }
  if (ok) ok = TIFFFlush(tiff) == 1;
  TIFFClose(tiff);
  return ok ? true : Fail(error);
}

#endif

#include "files/codecs.h"

namespace {

bool LooksLikeTiff(const Bytes& start) {
  return (StartsWith(start, "II*") || StartsWith(start, "MM")) && start.size() >= 4 &&
         (start[2] == 42 || start[3] == 42);
}

}  // namespace

Codec TiffCodec() {
#if defined(_WIN32)
  return {LooksLikeTiff};  // known, but this build has no codec for it
#else
  return {LooksLikeTiff, DecodeTiff, EncodeTiff};  // 32-bit fields hold any picture
#endif
}
