// Image files for the morfel host: decoding PNG, JPEG, BMP, TGA (whatever the
// codec reads) into the plug-in's plane layout, and encoding the result.
//
// Layout: `bgr` holds width x height pixels of 3 bytes (blue, green, red),
// rows packed top row first, exactly as the plug-in's row callbacks exchange
// them; `t` holds one transparency byte per pixel (alpha; 255 is opaque).
#ifndef MORFEL_HOST_IMAGE_FILES_H
#define MORFEL_HOST_IMAGE_FILES_H

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bgr;
  std::vector<uint8_t> t;
};

// The plug-in sizes its planes with signed 32-bit byte counts, so the RGB
// plane of a picture must stay below 2^31 bytes.
constexpr int64_t kMaxPicturePixels = (int64_t{1} << 31) / 3 - 1;

// Reads an image file. Returns 1, or 0 with a reason in `error`.
int ReadPicture(const std::string& path, Picture* picture, std::string* error);

// Output format chosen by the file name's extension: "png", "jpg"/"jpeg"
// (quality 95), "bmp"; 0 for an extension we cannot write.
int OutputFormatKnown(const std::string& path);

// Writes the picture by the extension of `path`. Alpha is written only when
// some T byte is not 255 and the format carries alpha. The file is written
// under a temporary name in the same folder and renamed over `path`, so a
// failure never leaves a partial file. Returns 1, or 0 with a reason.
int WritePicture(const std::string& path, const Picture& picture, std::string* error);

#endif
