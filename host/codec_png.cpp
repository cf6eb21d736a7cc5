// PNG through libspng: every PNG kind decodes to 8-bit RGBA; writing streams
// rows into zlib with the settings of --compression.
#include <spng.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "host/codecs.h"
#include "image/image.h"

namespace {

struct SpngFree {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngFree>;

bool Failed(int code, std::string* error) {
  if (code == 0) return false;
  *error = spng_strerror(code);
  return true;
}

void NoteTraits(const spng_ihdr& header, SourceTraits* traits) {
  traits->bitsPerSample = header.bit_depth;
  traits->grey = header.color_type == SPNG_COLOR_TYPE_GRAYSCALE ||
                 header.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA;
  if (header.color_type == SPNG_COLOR_TYPE_INDEXED) traits->bitsPerSample = 8;
}

// An interlaced image arrives pass by pass, so it is decoded whole first.
bool DecodeInterlaced(spng_ctx* context, Picture* picture, std::string* error) {
  size_t size = 0;
  if (Failed(spng_decoded_image_size(context, SPNG_FMT_RGBA8, &size), error)) return false;
  Bytes rgba(size);
  if (Failed(spng_decode_image(context, rgba.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS),
             error)) {
    return false;
  }
  size_t stride = static_cast<size_t>(picture->width) * 4;
  for (int32_t y = 0; y < picture->height; ++y) {
    AppendRow(picture, &rgba[y * stride], PixelOrder::kRgba);
  }
  return true;
}

// 8-bit colour without a transparent colour needs no alpha channel.
bool IsPlainRgb(spng_ctx* context, const spng_ihdr& header) {
  spng_trns transparent{};
  return header.color_type == SPNG_COLOR_TYPE_TRUECOLOR && header.bit_depth == 8 &&
         spng_get_trns(context, &transparent) != 0;
}

bool DecodeRows(spng_ctx* context, const spng_ihdr& header, Picture* picture, std::string* error) {
  bool plain = IsPlainRgb(context, header);
  int format = plain ? SPNG_FMT_RGB8 : SPNG_FMT_RGBA8;
  PixelOrder order = plain ? PixelOrder::kRgb : PixelOrder::kRgba;
  int flags = SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE;
  if (Failed(spng_decode_image(context, nullptr, 0, format, flags), error)) return false;
  Bytes row(static_cast<size_t>(picture->width) * BytesPerPixel(order));
  for (int32_t y = 0; y < picture->height; ++y) {
    int code = spng_decode_row(context, row.data(), row.size());
    if (code != 0 && !(code == SPNG_EOI && y == picture->height - 1)) return !Failed(code, error);
    AppendRow(picture, row.data(), order);
  }
  return true;
}

void KeepProfile(spng_ctx* context, Picture* picture) {
  spng_iccp profile{};
  if (spng_get_iccp(context, &profile) != 0 || profile.profile_len == 0) return;
  const uint8_t* data = reinterpret_cast<const uint8_t*>(profile.profile);
  picture->icc.assign(data, data + profile.profile_len);
}

// The encoder's output goes straight into the file's bytes, which are
// reserved for the raw pixels' size: no growing buffer inside the library
// to copy out of afterwards.
int AppendToFile(spng_ctx*, void* user, void* data, size_t length) {
  Bytes* file = static_cast<Bytes*>(user);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  file->insert(file->end(), bytes, bytes + length);
  return 0;
}

void ReserveForEncoding(const Picture& picture, int channels, Bytes* file) {
  const size_t raw = (static_cast<size_t>(picture.width) * channels + 1) * picture.height;
  file->clear();
  file->reserve(raw);
  AdviseHugePages(file->data(), raw);
}

}  // namespace

DeflateSettings DeflateFor(int compression) {
  // Photographs leave little for string matching after a filter: run-length
  // matching with the "average" filter is as small as zlib's default and
  // several times faster, so it is the fastest setting.
  if (compression <= 0) return {0, Z_DEFAULT_STRATEGY, false};
  if (compression == 1) return {1, Z_RLE, false};
  return {compression > 9 ? 9 : compression, Z_FILTERED, true};
}

bool DecodePng(const Bytes& file, const ReadSettings& settings, Picture* picture,
               SourceTraits* traits, std::string* error) {
  SpngContext context(spng_ctx_new(0));
  if (!context) return !Failed(SPNG_EMEM, error);
  // Ancillary chunks (profiles, text) are held in memory: keep them modest.
  spng_set_chunk_limits(context.get(), 64u << 20, 64u << 20);
  spng_set_png_buffer(context.get(), file.data(), file.size());
  spng_ihdr header{};
  if (Failed(spng_get_ihdr(context.get(), &header), error)) return false;
  if (!BeginPicture(header.width, header.height, settings, picture, error)) return false;
  NoteTraits(header, traits);
  KeepProfile(context.get(), picture);
  return header.interlace_method != 0 ? DecodeInterlaced(context.get(), picture, error)
                                      : DecodeRows(context.get(), header, picture, error);
}

bool EncodePng(const Picture& picture, bool alpha, const WriteSettings& settings, Bytes* file,
               std::string* error) {
  SpngContext context(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!context) return !Failed(SPNG_EMEM, error);
  spng_ctx* png = context.get();
  DeflateSettings deflate = DeflateFor(settings.compression);
  ReserveForEncoding(picture, alpha ? 4 : 3, file);
  spng_set_png_stream(png, AppendToFile, file);
  spng_set_option(png, SPNG_IMG_COMPRESSION_LEVEL, deflate.level);
  spng_set_option(png, SPNG_IMG_COMPRESSION_STRATEGY, deflate.strategy);
  spng_set_option(png, SPNG_FILTER_CHOICE,
                  deflate.level == 0        ? SPNG_DISABLE_FILTERING
                  : deflate.adaptiveFilters ? SPNG_FILTER_CHOICE_ALL
                                            : SPNG_FILTER_CHOICE_AVG);
  spng_ihdr header{};
  header.width = static_cast<uint32_t>(picture.width);
  header.height = static_cast<uint32_t>(picture.height);
  header.bit_depth = 8;
  header.color_type = alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
  if (Failed(spng_set_ihdr(png, &header), error)) return false;
  if (!picture.icc.empty()) {
    spng_iccp profile{};
    std::snprintf(profile.profile_name, sizeof profile.profile_name, "ICC profile");
    profile.profile_len = picture.icc.size();
    profile.profile = reinterpret_cast<char*>(const_cast<uint8_t*>(picture.icc.data()));
    spng_set_iccp(png, &profile);  // a profile libspng refuses is left out
  }
  int flags = SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE;
  if (Failed(spng_encode_image(png, nullptr, 0, SPNG_FMT_PNG, flags), error)) return false;
  PixelOrder order = alpha ? PixelOrder::kRgba : PixelOrder::kRgb;
  Bytes row(static_cast<size_t>(picture.width) * BytesPerPixel(order));
  for (int32_t y = 0; y < picture.height; ++y) {
    InterleaveRow(picture, y, order, row.data());
    int code = spng_encode_row(png, row.data(), row.size());
    if (code != 0 && !(code == SPNG_EOI && y == picture.height - 1)) return !Failed(code, error);
  }
  return true;
}
