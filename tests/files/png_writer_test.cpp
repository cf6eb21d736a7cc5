// The PNG writer against libspng's reader: every shape, layout and
// --compression level comes back to the same pixels and colour profile, the
// rows use every filter, and a picture of several stripes is the same file
// on one thread as on many.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <zlib.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "files/files.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Bands of what photographs and drawings hold (flat, gradients across and
// down, grain, hard noise), so that each of the filters wins some rows.
Picture Mixed(int32_t width, int32_t height, bool alpha) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  uint32_t state = 12345;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int grain = static_cast<int>(state >> 29) - 4;
      uint8_t samples[4];
      for (int c = 0; c < 4; ++c) {
        const int bands[5] = {200, x * 3 + c * 40, y * 5 + c, (x + y) * 2 + grain,
                              static_cast<int>(state >> (8 + 4 * c))};
        samples[c] = static_cast<uint8_t>(bands[(y / 3) % 5]);
      }
      picture.bgr.insert(picture.bgr.end(), samples, samples + 3);
      picture.t.push_back(alpha ? samples[3] : 255);
    }
  }
  picture.icc = {'p', 'r', 'o', 'f', 'i', 'l', 'e', 0, 1, 2, 3};
  return picture;
}

Bytes Encode(const Picture& picture, int compression) {
  WriteSettings settings;
  settings.compression = compression;
  Bytes file;
  std::string error;
  EXPECT_EQ(EncodePicture("t.png", ImageFormat::kPng, picture, settings, &file, nullptr, &error), 1)
      << error;
  return file;
}

uint32_t Big32(const uint8_t* at) {
  return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

// The filter bytes of the file's rows, read by inflating its IDAT chunks.
std::set<int> FiltersUsed(const Bytes& file, const Picture& picture, bool alpha) {
  Bytes packed;
  for (size_t at = 8; at + 12 <= file.size(); at += 12 + Big32(&file[at])) {
    if (std::string(file.begin() + at + 4, file.begin() + at + 8) == "IDAT") {
      packed.insert(packed.end(), file.begin() + at + 8, file.begin() + at + 8 + Big32(&file[at]));
    }
  }
  const size_t rowBytes = static_cast<size_t>(picture.width) * (alpha ? 4 : 3) + 1;
  Bytes rows(rowBytes * picture.height);
  uLongf size = rows.size();
  EXPECT_EQ(uncompress(rows.data(), &size, packed.data(), packed.size()), Z_OK);
  EXPECT_EQ(size, rows.size());
  std::set<int> filters;
  for (size_t at = 0; at < size; at += rowBytes) filters.insert(rows[at]);
  return filters;
}

void ExpectSamePicture(const Bytes& file, const Picture& picture) {
  Picture back;
  std::string error;
  ASSERT_EQ(DecodePicture("t.png", file, ReadSettings(), &back, nullptr, &error), 1) << error;
  EXPECT_EQ(back.width, picture.width);
  EXPECT_EQ(back.height, picture.height);
  EXPECT_TRUE(back.bgr == picture.bgr);
  EXPECT_TRUE(back.t == picture.t);
  EXPECT_EQ(back.icc, picture.icc);
}

}  // namespace

TEST(PngWriter, EveryShapeAndLevelComesBackToTheSamePixels) {
  struct ShapeCase {
    int32_t width, height;
    bool alpha;
  };
  const ShapeCase shapes[] = {{1, 1, false},  {1, 29, true},  {37, 1, false},  {1, 1, true},
                              {5, 31, false}, {19, 30, true}, {64, 30, false}, {101, 45, true}};
  for (const ShapeCase& shape : shapes) {
    const Picture picture = Mixed(shape.width, shape.height, shape.alpha);
    for (int compression = 0; compression <= 9; ++compression) {
      SCOPED_TRACE(std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                   (shape.alpha ? " RGBA" : " RGB") + ", --compression " +
                   std::to_string(compression));
      const Bytes file = Encode(picture, compression);
      ExpectSamePicture(file, picture);
      std::set<int> filters = FiltersUsed(file, picture, shape.alpha);
      if (compression == 0) {
        EXPECT_EQ(filters, std::set<int>{0});
      } else if (shape.width >= 19 && shape.height >= 30) {
        EXPECT_EQ(filters.size(), 5u);
      }
    }
  }
}

TEST(PngWriter, APictureOfSeveralStripesIsTheSameFileOnOneThreadAsOnMany) {
  const Picture picture = Mixed(701, 1600, true);  // three stripes of rows
  const char* asked = std::getenv("MORFEL_THREADS");
  const std::string before = asked != nullptr ? asked : "";
  for (int compression : {0, 1, 3}) {
    SCOPED_TRACE("--compression " + std::to_string(compression));
    setenv("MORFEL_THREADS", "1", 1);
    const Bytes alone = Encode(picture, compression);
    setenv("MORFEL_THREADS", "3", 1);
    const Bytes shared = Encode(picture, compression);
    EXPECT_TRUE(alone == shared);
    ExpectSamePicture(shared, picture);
  }
  if (asked != nullptr) setenv("MORFEL_THREADS", before.c_str(), 1);
  if (asked == nullptr) unsetenv("MORFEL_THREADS");
}

#endif
