#include "host/image_files.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

enum Format { kUnknown = 0, kPng, kJpeg, kBmp };

Format FormatOf(const std::string& path) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return kUnknown;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png") return kPng;
  if (ext == "jpg" || ext == "jpeg") return kJpeg;
  if (ext == "bmp") return kBmp;
  return kUnknown;
}

bool HasTransparency(const Picture& picture) {
  return std::any_of(picture.t.begin(), picture.t.end(), [](uint8_t v) { return v != 255; });
}

// Interleaves the planes into the codec's RGB or RGBA order.
std::vector<uint8_t> Interleave(const Picture& picture, int components) {
  size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  std::vector<uint8_t> out(pixels * components);
  for (size_t i = 0; i < pixels; ++i) {
    uint8_t* dst = &out[i * components];
    dst[0] = picture.bgr[i * 3 + 2];
    dst[1] = picture.bgr[i * 3 + 1];
    dst[2] = picture.bgr[i * 3 + 0];
    if (components == 4) dst[3] = picture.t[i];
  }
  return out;
}

int Encode(Format format, const char* path, const Picture& picture) {
  int components = (format != kJpeg && HasTransparency(picture)) ? 4 : 3;
  std::vector<uint8_t> pixels = Interleave(picture, components);
  int w = picture.width;
  int h = picture.height;
  switch (format) {
    case kPng:
      return stbi_write_png(path, w, h, components, pixels.data(), w * components);
    case kJpeg:
      return stbi_write_jpg(path, w, h, components, pixels.data(), 95);
    case kBmp:
      return stbi_write_bmp(path, w, h, components, pixels.data());
    default:
      return 0;
  }
}

}  // namespace

int ReadPicture(const std::string& path, Picture* picture, std::string* error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return 0;
  }
  int width = 0, height = 0, components = 0;
  if (!stbi_info_from_file(file, &width, &height, &components)) {
    std::fclose(file);
    *error = "cannot read " + path + ": not an image in a known format";
    return 0;
  }
  if (static_cast<int64_t>(width) * height > kMaxPicturePixels) {
    std::fclose(file);
    *error = "cannot read " + path + ": the image is too large";
    return 0;
  }
  uint8_t* rgba = stbi_load_from_file(file, &width, &height, &components, 4);
  std::fclose(file);
  if (rgba == nullptr) {
    *error = "cannot decode " + path + ": " + stbi_failure_reason();
    return 0;
  }
  size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  picture->width = width;
  picture->height = height;
  picture->bgr.resize(pixels * 3);
  picture->t.resize(pixels);
  bool hasAlpha = components == 2 || components == 4;
  for (size_t i = 0; i < pixels; ++i) {
    picture->bgr[i * 3 + 0] = rgba[i * 4 + 2];
    picture->bgr[i * 3 + 1] = rgba[i * 4 + 1];
    picture->bgr[i * 3 + 2] = rgba[i * 4 + 0];
    picture->t[i] = hasAlpha ? rgba[i * 4 + 3] : 255;
  }
  stbi_image_free(rgba);
  return 1;
}

int OutputFormatKnown(const std::string& path) { return FormatOf(path) != kUnknown; }

int WritePicture(const std::string& path, const Picture& picture, std::string* error) {
  Format format = FormatOf(path);
  if (format == kUnknown) {
    *error = "cannot write " + path + ": use a .png, .jpg or .bmp file name";
    return 0;
  }
  // Keep the extension last: nothing reads it from the temporary name, but a
  // leftover after a crash is then recognisable as an image.
  std::string temporary = path + ".part";
  if (!Encode(format, temporary.c_str(), picture)) {
    std::remove(temporary.c_str());
    *error = "cannot write " + path;
    return 0;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return 0;
  }
  return 1;
}
