// The codecs behind files.h, one file each, and the row helpers they
// share. Private to files/.
#ifndef MORFEL_FILES_CODECS_H
#define MORFEL_FILES_CODECS_H

#include <cstdint>
#include <string>
#include <vector>

#include "files/files.h"

using Bytes = std::vector<uint8_t>;

// What a decoder learnt of the file besides its pixels.
struct SourceTraits {
  int bitsPerSample = 8;
  bool grey = false;
  int orientation = 1;  // EXIF: 1 upright ... 8
};

using DecodeFunction = bool (*)(const Bytes& file, const ReadSettings& settings, Picture* picture,
                                SourceTraits* traits, std::string* error);
// Encodes RGB, or RGBA when `alpha`.
using EncodeFunction = bool (*)(const Picture& picture, bool alpha, const WriteSettings& settings,
                                Bytes* file, std::string* error);

// No limit on what a writer can store.
constexpr int64_t kNoSizeLimit = INT64_MAX;

// What a codec file gives its format in this build.
struct Codec {
  // Whether a file starts as the format's files do; null for a format
  // known by its name alone.
  bool (*recognize)(const Bytes& start) = nullptr;
  DecodeFunction decode = nullptr;  // null where this build cannot read it
  EncodeFunction encode = nullptr;  // null where this build cannot write it
  // What the writer can store: pixels a side, and bytes as countBytes
  // counts them (null: the pixel data with a filter byte a row). A size
  // past a format's fields would be written wrapped or overflow the
  // writer's own arithmetic.
  int64_t maxSide = kNoSizeLimit;
  int64_t maxBytes = kNoSizeLimit;
  int64_t (*countBytes)(int64_t width, int64_t height, bool alpha) = nullptr;
};

// Each codec file defines its format's codec: PngCodec() and so on.
#define MORFEL_CODEC_PROTOTYPE(format, name, extensions, alpha, codec, help) Codec codec##Codec();
MORFEL_IMAGE_FORMATS(MORFEL_CODEC_PROTOTYPE)
#undef MORFEL_CODEC_PROTOTYPE

// The codec of this build for the format (members null where it has none).
Codec CodecFor(ImageFormat format);

// Whether the file holds magic at offset at.
bool StartsWith(const Bytes& file, const char* magic, size_t at = 0);

// Checks a claimed size against the limits and reserves both planes without
// touching them. Returns false with a reason.
bool BeginPicture(int64_t width, int64_t height, const ReadSettings& settings, Picture* picture,
                  std::string* error);

enum class PixelOrder { kRgb, kRgba, kBgr, kBgra };
int BytesPerPixel(PixelOrder order);
// Appends one row of width pixels in the given order to a begun picture.
void AppendRow(Picture* picture, const uint8_t* row, PixelOrder order);
// Row y of the picture in the given order, width pixels.
void InterleaveRow(const Picture& picture, int32_t y, PixelOrder order, uint8_t* out);

// Rotates and mirrors the planes so that an image with this EXIF
// orientation comes out upright.
void OrientPicture(Picture* picture, int orientation);
// The EXIF orientation (1 to 8) in the body of a JPEG APP1 segment, 1 when
// there is none or it cannot be read.
int ExifOrientation(const uint8_t* segment, size_t size);

// The zlib settings behind WriteSettings::compression.
struct DeflateSettings {
  int level;
  int strategy;
};
DeflateSettings DeflateFor(int compression);

bool DecodePng(const Bytes&, const ReadSettings&, Picture*, SourceTraits*, std::string*);
bool EncodePng(const Picture&, bool, const WriteSettings&, Bytes*, std::string*);
bool DecodeJpeg(const Bytes&, const ReadSettings&, Picture*, SourceTraits*, std::string*);
bool EncodeJpeg(const Picture&, bool, const WriteSettings&, Bytes*, std::string*);
bool DecodeWebp(const Bytes&, const ReadSettings&, Picture*, SourceTraits*, std::string*);
bool EncodeWebp(const Picture&, bool, const WriteSettings&, Bytes*, std::string*);
bool DecodeTiff(const Bytes&, const ReadSettings&, Picture*, SourceTraits*, std::string*);
bool EncodeTiff(const Picture&, bool, const WriteSettings&, Bytes*, std::string*);
bool DecodeGif(const Bytes&, const ReadSettings&, Picture*, SourceTraits*, std::string*);
// The BMP layouts this host writes, moved row by row: kNotTaken for a file
// in any other layout (the general reader takes it).
enum class FastDecode { kNotTaken, kDone, kFailed };
FastDecode DecodeStraightBmp(const Bytes&, const ReadSettings&, Picture*, SourceTraits*,
                             std::string*);
bool EncodeBmp(const Picture&, bool, const WriteSettings&, Bytes*, std::string*);
// stb: BMP and TGA everywhere; every format of the Windows build.
bool DecodeWithStb(const Bytes&, const ReadSettings&, Picture*, SourceTraits*, std::string*);
bool EncodeTga(const Picture&, bool, const WriteSettings&, Bytes*, std::string*);
bool EncodePngWithStb(const Picture&, bool, const WriteSettings&, Bytes*, std::string*);
bool EncodeJpegWithStb(const Picture&, bool, const WriteSettings&, Bytes*, std::string*);

#endif
