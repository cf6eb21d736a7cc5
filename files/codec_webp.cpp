// WebP through libwebp: lossy at the JPEG quality, or lossless.
#if !defined(_WIN32)
#include <webp/decode.h>
#include <webp/encode.h>

#include "files/codecs.h"

// format_limits.cpp refuses larger pictures before they come here.
static_assert(WEBP_MAX_DIMENSION == 16383, "WebP's largest side is in format_limits.cpp");

namespace {

const char* StatusText(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return "not enough memory";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "an unsupported WebP feature (animation?)";
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "the file is truncated";
    default:
      return "the WebP data is corrupt";
  }
}

}  // namespace

bool DecodeWebp(const Bytes& file, const ReadSettings& settings, Picture* picture, SourceTraits*,
                std::string* error) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) {
    *error = "the WebP library does not match its header";
    return false;
  }
  VP8StatusCode status = WebPGetFeatures(file.data(), file.size(), &config.input);
  if (status != VP8_STATUS_OK) {
    *error = StatusText(status);
    return false;
  }
  if (config.input.has_animation) {
    *error = "an animated WebP is not supported";
    return false;
  }
  if (!BeginPicture(config.input.width, config.input.height, settings, picture, error)) {
    return false;
  }
  bool alpha = config.input.has_alpha != 0;
  PixelOrder order = alpha ? PixelOrder::kBgra : PixelOrder::kBgr;
  size_t stride = static_cast<size_t>(picture->width) * BytesPerPixel(order);
  Bytes pixels(stride * static_cast<size_t>(picture->height));
  config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = pixels.data();
  config.output.u.RGBA.stride = static_cast<int>(stride);
  config.output.u.RGBA.size = pixels.size();
  status = WebPDecode(file.data(), file.size(), &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) {
    *error = StatusText(status);
    return false;
  }
  for (int32_t y = 0; y < picture->height; ++y) AppendRow(picture, &pixels[y * stride], order);
  return true;
}

bool EncodeWebp(const Picture& picture, bool alpha, const WriteSettings& settings, Bytes* file,
                std::string* error) {
  const uint8_t* pixels = picture.bgr.data();
  Bytes bgra;
  int stride = picture.width * 3;
  if (alpha) {
    stride = picture.width * 4;
    bgra.resize(static_cast<size_t>(stride) * static_cast<size_t>(picture.height));
    for (int32_t y = 0; y < picture.height; ++y) {
      InterleaveRow(picture, y, PixelOrder::kBgra, &bgra[static_cast<size_t>(y) * stride]);
    }
    pixels = bgra.data();
  }
  uint8_t* output = nullptr;
  size_t size = 0;
  float quality = static_cast<float>(settings.quality);
  int w = picture.width, h = picture.height;
  if (settings.lossless) {
    size = alpha ? WebPEncodeLosslessBGRA(pixels, w, h, stride, &output)
                 : WebPEncodeLosslessBGR(pixels, w, h, stride, &output);
  } else {
    size = alpha ? WebPEncodeBGRA(pixels, w, h, stride, quality, &output)
                 : WebPEncodeBGR(pixels, w, h, stride, quality, &output);
  }
  if (size == 0) {
    WebPFree(output);
    *error = "the WebP encoder failed";
    return false;
  }
  file->assign(output, output + size);
  WebPFree(output);
  return true;
}

#endif

#include "files/codecs.h"

namespace {

bool LooksLikeWebp(const Bytes& start) {
  return StartsWith(start, "RIFF") && StartsWith(start, "WEBP", 8);
}

}  // namespace

Codec WebpCodec() {
#if defined(_WIN32)
  return {LooksLikeWebp};  // known, but this build has no codec for it
#else
  return {LooksLikeWebp, DecodeWebp, EncodeWebp, 16383};  // 14-bit width and height
#endif
}
