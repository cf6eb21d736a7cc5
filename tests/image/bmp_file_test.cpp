#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/image.h"

namespace {

struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;
  int16_t bitsPerPixel = 24;
  uint32_t compression = 0;
  uint32_t paletteEntries = 0;
};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Pixel byte i of row y (file order) in the generated files.
uint8_t Pattern(int32_t y, int32_t i) { return static_cast<uint8_t>(31 * y + 7 * i + 1); }

// A BMP file: headers, an optional palette of 0xEE bytes, then rows of
// pattern bytes each followed by 0xFF filler up to a multiple of 4.
std::vector<uint8_t> MakeBmp(const BmpLayout& layout) {
  const int64_t rowBytes = int64_t{layout.width} * (layout.bitsPerPixel / 8);
  const int64_t stride = (rowBytes + 3) / 4 * 4;
  // Hostile sizes get headers only: the reader must refuse them unread.
  const bool writeRows = rowBytes > 0 && layout.height > 0 && stride < (1 << 20) &&
                         layout.height < (1 << 20) && stride * layout.height < (1 << 20);
  const uint32_t offset = 54 + 4 * layout.paletteEntries;
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, 0);  // file size, ignored
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(layout.width));
  Put32(out, static_cast<uint32_t>(layout.height));
  Put16(out, 1);
  Put16(out, static_cast<uint16_t>(layout.bitsPerPixel));
  Put32(out, layout.compression);
  for (int i = 0; i < 5; ++i) Put32(out, 0);
  out.resize(out.size() + 4 * layout.paletteEntries, 0xEE);
  out.resize(offset, 0xEE);
  for (int32_t y = 0; writeRows && y < layout.height; ++y) {
    for (int64_t i = 0; i < rowBytes; ++i) out.push_back(Pattern(y, static_cast<int32_t>(i)));
    for (int64_t i = rowBytes; i < stride; ++i) out.push_back(0xFF);
  }
  return out;
}

class BmpFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/image_bmp_testXXXXXX";
#ifdef _WIN32
    // The Windows C runtime has no mkdtemp.
    ASSERT_NE(mktemp(pattern), nullptr);
    ASSERT_EQ(mkdir(pattern), 0);
#else
    ASSERT_NE(mkdtemp(pattern), nullptr);
#endif
    folder = pattern;
  }
  void TearDown() override {
    for (const std::string& file : written) std::remove(file.c_str());
    rmdir(folder.c_str());
  }

  std::string Write(const std::vector<uint8_t>& bytes, const char* name = "test.bmp") {
    const std::string path = folder + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    written.push_back(path);
    return path;
  }

  std::string folder;
  std::vector<std::string> written;
};

void ExpectRowsAsStored(const RgbtImage& image, int32_t rowsInFile) {
  const int32_t rowBytes = image.width * image.channels;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t i = 0; i < rowBytes; ++i) {
      const uint8_t expected = y < rowsInFile ? Pattern(y, i) : 0;
      ASSERT_EQ(image.data[y * rowBytes + i], expected) << "row " << y << " byte " << i;
    }
  }
}

TEST_F(BmpFileTest, RowFillerIsSkipped) {
  struct Case {
    int32_t width;
    int16_t bits;
    int32_t channels;
  } cases[] = {
      {3, 24, 3},  // 9 bytes + 3 filler
      {4, 24, 3},  // 12 bytes, no filler
      {1, 24, 3},  // 3 bytes + 1 filler
      {5, 8, 1},   // 5 bytes + 3 filler
      {3, 32, 4},  // 12 bytes, never filler
      {3, 16, 2},  // 6 bytes + 2 filler
  };
  for (const Case& c : cases) {
    BmpLayout layout;
    layout.width = c.width;
    layout.height = 3;
    layout.bitsPerPixel = c.bits;
    layout.paletteEntries = c.bits == 8 ? 256 : 0;
    const std::string path = Write(MakeBmp(layout));
    RgbtImage image;
    ASSERT_EQ(LoadBmpFile(path.c_str(), image), 1) << c.width << "x" << c.bits;
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.channels, c.channels);
    EXPECT_EQ(image.rowLength, c.width * c.channels);
    ExpectRowsAsStored(image, 3);
  }
}

TEST_F(BmpFileTest, EightBitGivesPaletteIndices) {
  BmpLayout layout;
  layout.width = 2;
  layout.height = 1;
  layout.bitsPerPixel = 8;
  layout.paletteEntries = 256;  // every entry 0xEEEEEEEE: not what is loaded
  const std::string path = Write(MakeBmp(layout));
  RgbtImage image;
  ASSERT_EQ(LoadBmpFile(path.c_str(), image), 1);
  EXPECT_EQ(image.channels, 1);
  EXPECT_EQ(image.data[0], Pattern(0, 0));
  EXPECT_EQ(image.data[1], Pattern(0, 1));
}

TEST_F(BmpFileTest, HeaderFieldsAreReadLittleEndian) {
  BmpLayout layout;
  layout.width = 258;
  layout.height = 2;
  const std::string path = Write(MakeBmp(layout));
  BmpHeader header;
  ASSERT_EQ(ReadBmpHeader(path.c_str(), &header), 1);
  EXPECT_EQ(header.width, 258);
  EXPECT_EQ(header.height, 2);
  EXPECT_EQ(header.bitsPerPixel, 24);
  EXPECT_EQ(header.dataOffset, 54u);
  EXPECT_EQ(header.infoSize, 40u);
  EXPECT_EQ(header.planes, 1);
}

TEST_F(BmpFileTest, UnreadableFilesLeaveTheImageUntouched) {
  std::vector<uint8_t> notBmp = MakeBmp({2, 2});
  notBmp[0] = 'P';
  const std::vector<std::string> paths = {
      folder + "/missing.bmp",
      Write(notBmp, "not.bmp"),
      Write({}, "empty.bmp"),
      Write({'B'}, "one.bmp"),
      Write({'B', 'M', 1, 2, 3}, "cut.bmp"),  // header cut short
  };
  const BmpLoadResult reasons[] = {kBmpCannotOpen, kBmpNotBmp, kBmpNotBmp, kBmpNotBmp,
                                   kBmpHeaderCut};
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    RgbtImage image(2, 2, 1);
    image.Fill(5, -1);
    BmpLoadResult why = kBmpLoaded;
    EXPECT_EQ(LoadBmpFile(path.c_str(), image, &why), 0) << path;
    EXPECT_EQ(why, reasons[i]) << path << ": " << BmpLoadResultText(why);
    ASSERT_EQ(image.width, 2) << path;
    EXPECT_EQ(image.data[3], 5) << path;
  }
  BmpHeader header;
  EXPECT_EQ(ReadBmpHeader(nullptr, &header), 0);
  RgbtImage image;
  EXPECT_EQ(LoadBmpFile(nullptr, image), 0);
}

TEST_F(BmpFileTest, HostileHeadersAreRefusedWithAnEmptyImage) {
  struct Case {
    const char* what;
    int32_t width, height;
    int16_t bits;
    uint32_t compression;
    BmpLoadResult why;
  } cases[] = {
      {"top-down (negative height)", 4, -4, 24, 0, kBmpBadSize},
      {"zero width", 0, 4, 24, 0, kBmpBadSize},
      {"negative width", -4, 4, 24, 0, kBmpBadSize},
      {"one bit", 8, 4, 1, 0, kBmpUnsupportedDepth},
      {"four bits", 8, 4, 4, 0, kBmpUnsupportedDepth},
      {"negative bits", 4, 4, -24, 0, kBmpUnsupportedDepth},
      {"more bytes per pixel than an image holds", 4, 4, 48, 0, kBmpUnsupportedDepth},
      {"row size overflows 32 bits", INT_MAX, 2, 32, 0, kBmpTooLarge},
      {"image size overflows 32 bits", 65536, 65536, 8, 0, kBmpTooLarge},
      {"image size wraps to small", 0x40000001, 4, 32, 0, kBmpTooLarge},
      {"over the memory limit", 30000, 30000, 24, 0, kBmpTooLarge},
      {"extremes", INT_MAX, INT_MAX, 32, 0, kBmpTooLarge},
      {"run-length 8", 4, 4, 8, 1, kBmpCompressed},
      {"run-length 4", 4, 4, 4, 2, kBmpUnsupportedDepth},
  };
  for (const Case& c : cases) {
    BmpLayout layout;
    layout.width = c.width;
    layout.height = c.height;
    layout.bitsPerPixel = c.bits;
    layout.compression = c.compression;
    const std::string path = Write(MakeBmp(layout));
    RgbtImage image(3, 3, 3);
    BmpLoadResult why = kBmpLoaded;
    EXPECT_EQ(LoadBmpFile(path.c_str(), image, &why), 0) << c.what;
    EXPECT_EQ(why, c.why) << c.what;
    EXPECT_EQ(image.data, nullptr) << c.what;
    EXPECT_EQ(image.width, 0) << c.what;
  }
}

// A file must hold every row its header claims: a damaged file is refused
// before anything is allocated, so a header can never ask for more memory
// than its file has bytes. Only the last row's filler may be missing.
TEST_F(BmpFileTest, FileShorterThanItsRowsIsRefusedBeforeAllocating) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = 4;
  const std::vector<uint8_t> whole = MakeBmp(layout);  // 54 + 4 rows of 12 bytes
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int32_t loaded;
  } cases[] = {
      {"whole", whole, 1},
      {"last filler missing", std::vector<uint8_t>(whole.begin(), whole.end() - 3), 1},
      {"last row cut", std::vector<uint8_t>(whole.begin(), whole.end() - 4), 0},
      {"two and a half rows", std::vector<uint8_t>(whole.begin(), whole.begin() + 54 + 29), 0},
      {"rows beyond the offset", whole, 0},
      // The reproducers: 54 bytes claiming 16384 x 16384 x 32 bits (1 GiB),
      // 198 bytes claiming 8 x 16,384,006 x 24 bits.
      {"16384 x 16384 x 32 in 54 bytes", MakeBmp({16384, 16384, 32}), 0},
      {"8 x 16384006 in 198 bytes", MakeBmp({8, 16384006, 24}), 0},
  };
  cases[4].bytes[10] = 0xFF;  // offset 255, past the end of the rows
  cases[6].bytes.resize(198, 0x7F);
  for (const Case& c : cases) {
    const std::string path = Write(c.bytes);
    RgbtImage image(3, 3, 3);
    BmpLoadResult why = kBmpLoaded;
    EXPECT_EQ(LoadBmpFile(path.c_str(), image, &why), c.loaded) << c.what;
    EXPECT_EQ(why, c.loaded ? kBmpLoaded : kBmpTruncated) << c.what;
    if (c.loaded) {
      ExpectRowsAsStored(image, 4);
    } else {
      EXPECT_EQ(image.data, nullptr) << c.what;
    }
  }
}

#ifndef _WIN32
// Only regular files are read: a FIFO must not block the reader waiting for
// a writer, and a folder is no image either.
TEST_F(BmpFileTest, FifoAndFolderAreRefusedWithoutBlocking) {
  const std::string fifo = folder + "/pipe.bmp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  written.push_back(fifo);
  const std::string sub = folder + "/sub.bmp";
  ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
  for (const std::string& path : {fifo, sub}) {
    RgbtImage image(2, 2, 1);
    BmpLoadResult why = kBmpLoaded;
    EXPECT_EQ(LoadBmpFile(path.c_str(), image, &why), 0) << path;
    EXPECT_EQ(why, kBmpNotRegularFile) << path;
    EXPECT_EQ(image.width, 2) << "untouched";
  }
  rmdir(sub.c_str());
}
#endif

TEST_F(BmpFileTest, DataOffsetInsideTheHeaderReadsWhatIsThere) {
  BmpLayout layout;
  layout.width = 1;
  layout.height = 1;
  std::vector<uint8_t> bytes = MakeBmp(layout);
  bytes[10] = 0;  // rows read from the signature onward: no harm, no overrun
  const std::string path = Write(bytes);
  RgbtImage image;
  ASSERT_EQ(LoadBmpFile(path.c_str(), image), 1);
  EXPECT_EQ(image.data[0], 'B');
  EXPECT_EQ(image.data[1], 'M');
}

TEST_F(BmpFileTest, PixelsRefuseAnImageThatDoesNotMatchTheHeader) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 4;
  const std::string path = Write(MakeBmp(layout));
  BmpHeader header;
  ASSERT_EQ(ReadBmpHeader(path.c_str(), &header), 1);
  RgbtImage small(2, 2, 3);
  EXPECT_EQ(ReadBmpPixels(path.c_str(), header, small), 0);
  RgbtImage fewerChannels(4, 4, 1);
  EXPECT_EQ(ReadBmpPixels(path.c_str(), header, fewerChannels), 0);
  RgbtImage right(4, 4, 3);
  right.Fill(0xAB, -1);
  EXPECT_EQ(ReadBmpPixels((folder + "/gone.bmp").c_str(), header, right), 0);
  EXPECT_EQ(right.data[47], 0);  // no leftovers even when the rows are unreadable
  EXPECT_EQ(ReadBmpPixels(path.c_str(), header, right), 1);
  ExpectRowsAsStored(right, 4);
}

}  // namespace
