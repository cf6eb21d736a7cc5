// Reading PNG through libspng: every PNG kind decodes to 8-bit RGB or RGBA.
// Writing is png_encoder.cpp's.
#if !defined(_WIN32)
#include <spng.h>
#include <zlib.h>

#include <memory>

#include "files/codecs.h"

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

}  // namespace

DeflateSettings DeflateFor(int compression) {
  // Photographs leave little for string matching after a filter: run-length
  // matching is as small as zlib's default and several times faster, so it
  // is the fastest setting.
  if (compression <= 0) return {0, Z_DEFAULT_STRATEGY};
  if (compression == 1) return {1, Z_RLE};
  return {compression > 9 ? 9 : compression, Z_FILTERED};
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

#endif

#include "files/codecs.h"

namespace {

bool LooksLikePng(const Bytes& start) { return StartsWith(start, "\x89PNG\r\n\x1a\n"); }

}  // namespace

Codec PngCodec() {
#if defined(_WIN32)
  // stb deflates one buffer of every row, counted in signed 32 bits.
  return {LooksLikePng, DecodeWithStb, EncodePngWithStb, INT32_MAX, INT32_MAX};
#else
  return {LooksLikePng, DecodePng, EncodePng};  // 32-bit fields hold any picture
#endif
}
