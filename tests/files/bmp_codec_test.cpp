// The BMP this host writes and reads row by row, against stb, which wrote
// and read every BMP before: the same bytes, the same pixels.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cstring>
#include <random>
#include <vector>

#include "files/files.h"

namespace {

Picture Noise(int width, int height, bool transparent, std::mt19937* random) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  for (int i = 0; i < width * height; ++i) {
    for (int k = 0; k < 3; ++k) picture.bgr.push_back(static_cast<uint8_t>((*random)()));
    picture.t.push_back(transparent ? static_cast<uint8_t>((*random)() | 1) : 255);
  }
  if (transparent) picture.t[0] = 0;
  return picture;
}

void AppendBytes(void* context, void* data, int size) {
  auto* file = static_cast<std::vector<uint8_t>*>(context);
  file->insert(file->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// The picture as stb writes it: RGB, or RGBA when transparent.
std::vector<uint8_t> WrittenByStb(const Picture& picture, bool transparent) {
  const int channels = transparent ? 4 : 3;
  std::vector<uint8_t> pixels;
  for (int i = 0; i < picture.width * picture.height; ++i) {
    for (int k = 2; k >= 0; --k) pixels.push_back(picture.bgr[3 * i + k]);
    if (transparent) pixels.push_back(picture.t[i]);
  }
  std::vector<uint8_t> file;
  stbi_write_bmp_to_func(AppendBytes, &file, picture.width, picture.height, channels,
                         pixels.data());
  return file;
}

// What stb reads from the file, as a picture.
Picture ReadByStb(const std::vector<uint8_t>& file) {
  int width = 0, height = 0, channels = 0;
  uint8_t* rgba = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height,
                                        &channels, 4);
  Picture picture;
  picture.width = width;
  picture.height = height;
  for (int i = 0; rgba != nullptr && i < width * height; ++i) {
    for (int k = 2; k >= 0; --k) picture.bgr.push_back(rgba[4 * i + k]);
    picture.t.push_back(rgba[4 * i + 3]);
  }
  stbi_image_free(rgba);
  return picture;
}

// The same 24-bit file stored top row first (a negative height).
std::vector<uint8_t> TopDown(const std::vector<uint8_t>& file, int width, int height) {
  std::vector<uint8_t> flipped(file.begin(), file.begin() + 54);
  const int32_t negative = -height;
  std::memcpy(&flipped[22], &negative, 4);
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  for (int y = height - 1; y >= 0; --y) {
    const auto row = file.begin() + 54 + static_cast<std::ptrdiff_t>(stride * y);
    flipped.insert(flipped.end(), row, row + static_cast<std::ptrdiff_t>(stride));
  }
  return flipped;
}

// The same 24-bit file behind a longer information header, as other
// tools write it, with `compression` and the pixels `gap` bytes further on.
std::vector<uint8_t> LongerHeader(const std::vector<uint8_t>& file, uint32_t infoSize,
                                  uint32_t compression, uint32_t gap) {
  std::vector<uint8_t> longer(file.begin(), file.begin() + 54);
  longer.resize(14 + infoSize + gap, 0);
  const uint32_t offset = 14 + infoSize + gap;
  std::memcpy(&longer[10], &offset, 4);
  std::memcpy(&longer[14], &infoSize, 4);
  std::memcpy(&longer[30], &compression, 4);
  if (infoSize >= 108) longer[54 + 12] = 0xff;  // an alpha mask a 24-bit file does not use
  longer.insert(longer.end(), file.begin() + 54, file.end());
  return longer;
}

}  // namespace

TEST(HostBmp, ReadsLongerHeadersAsStbDoes) {
  std::mt19937 random(11);
  const Picture picture = Noise(5, 3, false, &random);
  std::vector<uint8_t> file;
  ImageNotes notes;
  std::string error;
  ASSERT_EQ(
      EncodePicture("p.bmp", ImageFormat::kBmp, picture, WriteSettings(), &file, &notes, &error),
      1);
  struct Case {
    uint32_t infoSize, compression, gap;
    bool readable;
  };
  for (const Case& c : {Case{56, 0, 0, true}, Case{108, 0, 0, true}, Case{124, 0, 0, true},
                        Case{124, 0, 4, false}, Case{124, 3, 0, false}, Case{64, 0, 0, false}}) {
    SCOPED_TRACE(testing::Message() << c.infoSize << " " << c.compression << " " << c.gap);
    const std::vector<uint8_t> longer = LongerHeader(file, c.infoSize, c.compression, c.gap);
    Picture read;
    const int outcome = DecodePicture("p.bmp", longer, ReadSettings(), &read, &notes, &error);
    EXPECT_EQ(outcome == 1, c.readable) << error;
    if (c.readable) {
      EXPECT_EQ(read.bgr, picture.bgr);
    }
    EXPECT_EQ(ReadByStb(longer).width == 5, c.readable);
  }
}

TEST(HostBmp, WritesAndReadsWhatStbWritesAndReads) {
  std::mt19937 random(7);
  for (int width : {1, 2, 3, 4, 5, 7}) {
    for (int height : {1, 3}) {
      for (bool transparent : {false, true}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << " " << transparent);
        const Picture picture = Noise(width, height, transparent, &random);
        std::vector<uint8_t> file;
        ImageNotes notes;
        std::string error;
        ASSERT_EQ(EncodePicture("p.bmp", ImageFormat::kBmp, picture, WriteSettings(), &file, &notes,
                                &error),
                  1)
            << error;
        EXPECT_EQ(file, WrittenByStb(picture, transparent));
        std::vector<std::vector<uint8_t>> files = {file};
        if (!transparent) files.push_back(TopDown(file, width, height));
        for (const std::vector<uint8_t>& stored : files) {
          Picture read;
          ASSERT_EQ(DecodePicture("p.bmp", stored, ReadSettings(), &read, &notes, &error), 1)
              << error;
          const Picture expected = ReadByStb(stored);
          EXPECT_EQ(read.bgr, expected.bgr);
          EXPECT_EQ(read.t, expected.t);
          EXPECT_EQ(read.bgr, picture.bgr);
        }
      }
    }
  }
}
