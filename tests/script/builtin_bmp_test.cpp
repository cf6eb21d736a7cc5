// LoadBmp and LoadBmpNum: file names built from the base folder, the data
// folder and the name; slot images turned top row first.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/script/builtin_fixture.h"

namespace {

namespace fs = std::filesystem;

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int32_t bytes) {
  for (int32_t k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

// Writes an uncompressed BMP whose pixel (x, y), y counted from the top, has
// every byte equal to Shade(x, y, byte); rows are stored bottom row first,
// padded to 4 bytes, with a grey palette for 8 bits.
uint8_t Shade(int32_t x, int32_t y, int32_t byte) {
  return static_cast<uint8_t>(10 * y + 3 * x + 100 * byte);
}

void WriteBmp(const fs::path& path, int32_t width, int32_t height, int32_t bits) {
  int32_t bytesPerPixel = bits / 8;
  int32_t stride = (width * bytesPerPixel + 3) / 4 * 4;
  int32_t absHeight = height < 0 ? -height : height;
  uint32_t palette = bits == 8 ? 1024 : 0;
  uint32_t offset = 54 + palette;
  std::vector<uint8_t> file = {'B', 'M'};
  PutLittleEndian(file, offset + stride * absHeight, 4);
  PutLittleEndian(file, 0, 4);
  PutLittleEndian(file, offset, 4);
  PutLittleEndian(file, 40, 4);
  PutLittleEndian(file, static_cast<uint32_t>(width), 4);
  PutLittleEndian(file, static_cast<uint32_t>(height), 4);
  PutLittleEndian(file, 1, 2);
  PutLittleEndian(file, static_cast<uint32_t>(bits), 2);
  PutLittleEndian(file, 0, 4);
  PutLittleEndian(file, stride * absHeight, 4);
  PutLittleEndian(file, 2835, 4);
  PutLittleEndian(file, 2835, 4);
  PutLittleEndian(file, bits == 8 ? 256 : 0, 4);
  PutLittleEndian(file, bits == 8 ? 256 : 0, 4);
  for (uint32_t entry = 0; entry < palette / 4; ++entry)
    PutLittleEndian(file, entry * 0x010101u, 4);
  for (int32_t fileRow = 0; fileRow < absHeight; ++fileRow) {
    int32_t y = absHeight - 1 - fileRow;
    for (int32_t x = 0; x < width; ++x)
      for (int32_t k = 0; k < bytesPerPixel; ++k) file.push_back(Shade(x, y, k));
    for (int32_t pad = width * bytesPerPixel; pad < stride; ++pad) file.push_back(0xEE);
  }
  FILE* out = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(out, nullptr) << path;
  std::fwrite(file.data(), 1, file.size(), out);
  std::fclose(out);
}

class LoadBmpTest : public BuiltinTest {
 protected:
  fs::path base;
  fs::path data;

  void SetUp() override {
    BuiltinTest::SetUp();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base = fs::path(::testing::TempDir()) / (std::string("morfel_bmp_") + info->name());
    fs::remove_all(base);
    data = base / "Tarvo";
    fs::create_directories(data);
    UseBase(base);
  }

  void TearDown() override { fs::remove_all(base); }

  void UseBase(const fs::path& folder) {
    std::string text = folder.string();
    text += fs::path::preferred_separator;
    engine.SetBaseFolder(text.c_str());
  }
};

TEST_F(LoadBmpTest, LoadsIntoASlotTopRowFirst) {
  WriteBmp(data / "pic.bmp", 3, 2, 24);
  EXPECT_EQ(Eval("LoadBmp(\"pic\", 2)"), 1.0);
  EXPECT_EQ(Eval("xs(2)"), 3.0);
  EXPECT_EQ(Eval("ys(2)"), 2.0);
  const RgbtImage& slot = engine.imageSlot[2];
  ASSERT_EQ(slot.channels, 3);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x)
      for (int32_t k = 0; k < 3; ++k)
        EXPECT_EQ(slot.data[y * slot.rowLength + x * 3 + k], Shade(x, y, k)) << x << "," << y;
  // getb sees the same top row: pixel (1, 0) is offset (1 - cx, -cy).
  EXPECT_EQ(Eval("getb(2, 1 - cx, -cy)"), Shade(1, 0, 1));
}

TEST_F(LoadBmpTest, EightBitFilesGiveOneBytePixels) {
  WriteBmp(data / "mask.bmp", 5, 3, 8);
  EXPECT_EQ(Eval("LoadBmp(\"mask\", 0)"), 1.0);
  EXPECT_EQ(engine.imageSlot[0].channels, 1);
  EXPECT_EQ(engine.imageSlot[0].data[0], Shade(0, 0, 0));
}

TEST_F(LoadBmpTest, FailuresYieldZero) {
  WriteBmp(data / "pic.bmp", 3, 2, 24);
  WriteBmp(data / "flipped.bmp", 3, -2, 24);
  EXPECT_EQ(Eval("LoadBmp(\"missing\", 1)"), 0.0);
  EXPECT_EQ(Eval("LoadBmp(\"flipped\", 1)"), 0.0);
  EXPECT_EQ(Eval("LoadBmp(\"pic\", 8)"), 0.0);
  EXPECT_EQ(Eval("LoadBmp(\"pic\", -1)"), 0.0);
  EXPECT_EQ(Eval("LoadBmpNum(\"pic\", 8, -1)"), 0.0);
  for (const RgbtImage& slot : engine.imageSlot) EXPECT_EQ(slot.data, nullptr);
}

// Names stay inside the data folder and its subfolders: a parent component
// or an absolute name yields 0 as for a missing file, even where the file
// exists; "/" and "\\" both separate.
TEST_F(LoadBmpTest, NamesLeavingTheDataFolderYieldZero) {
  fs::create_directories(data / "sub");
  WriteBmp(data / "sub" / "in.bmp", 2, 2, 24);
  WriteBmp(base / "out.bmp", 3, 3, 24);
  WriteBmp(data / "...bmp", 3, 3, 24);
  const std::string outside = (base / "out").string();
  const struct {
    std::string name;
    double loaded;
  } cases[] = {
      {"sub/in", 1.0},
      {"sub\\\\..\\\\sub/in", 0.0},
      {"../out", 0.0},
      {"..\\\\out", 0.0},
      {"sub/../../out", 0.0},
      {"sub/.. /../out", 0.0},
      {"/" + outside, 0.0},
      {outside, 0.0},
      {"c:out", 0.0},
      {"\\\\\\\\x\\\\out", 0.0},
      {"..", 0.0},
      {"./sub/in", 1.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Eval("LoadBmp(\"" + c.name + "\", 1)"), c.loaded) << c.name;
    EXPECT_EQ(Eval("LoadBmpNum(\"" + c.name + "\", 2, -1)"), c.loaded) << c.name;
  }
}

struct FrameCase {
  const char* number;
  const char* file;
  int32_t width;
};

class LoadBmpNumTest : public LoadBmpTest, public ::testing::WithParamInterface<FrameCase> {};

// The number is printed with at least two digits; a negative one is left
// out. Each file has its own width, so the width tells which was read.
TEST_P(LoadBmpNumTest, NamesTheNumberedFile) {
  const FrameCase files[] = {{"7", "frame07.bmp", 7}, {"123", "frame123.bmp", 12},
                             {"-1", "frame.bmp", 4},  {"0", "frame00.bmp", 2},
                             {"", "frame7.bmp", 9},   {"", "frame-1.bmp", 11}};
  for (const FrameCase& f : files) WriteBmp(data / f.file, f.width, 1, 24);
  std::string call = std::string("LoadBmpNum(\"frame\", 5, ") + GetParam().number + ")";
  EXPECT_EQ(Eval(call), 1.0) << call;
  EXPECT_EQ(Eval("xs(5)"), GetParam().width) << call;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, LoadBmpNumTest,
    ::testing::Values(FrameCase{"7", "frame07.bmp", 7}, FrameCase{"7.9", "frame07.bmp", 7},
                      FrameCase{"123", "frame123.bmp", 12}, FrameCase{"-1", "frame.bmp", 4},
                      FrameCase{"-0.5", "frame00.bmp", 2}, FrameCase{"0", "frame00.bmp", 2}));

TEST_F(LoadBmpTest, ALaterLoadReplacesTheSlotImage) {
  WriteBmp(data / "a.bmp", 3, 2, 24);
  WriteBmp(data / "b.bmp", 6, 5, 32);
  EXPECT_EQ(Eval("LoadBmp(\"a\", 4) + LoadBmp(\"b\", 4)"), 2.0);
  EXPECT_EQ(engine.imageSlot[4].width, 6);
  EXPECT_EQ(engine.imageSlot[4].channels, 4);
}

// A path of 255 characters fits the 256-byte buffer; one more is refused,
// never shortened into the name of some other file.
TEST_F(LoadBmpTest, PathsLongerThanTheBufferAreRefused) {
  std::string prefix = base.string();
  prefix += fs::path::preferred_separator;
  // prefix + dir + sep + "Tarvo" + sep + name + ".bmp"
  const std::string name = "n";
  size_t fixed = prefix.size() + 1 + 5 + 1 + name.size() + 4;
  ASSERT_LT(fixed + 10, 255u) << "temporary folder too long for this test";
  for (size_t length : {255u, 256u}) {
    fs::path folder = fs::path(prefix + std::string(length - fixed, 'd'));
    fs::create_directories(folder / "Tarvo");
    WriteBmp(folder / "Tarvo" / (name + ".bmp"), 2, 2, 24);
    // The same name cut at the buffer end, in case a cut path were loaded.
    WriteBmp(folder / "Tarvo" / (name + ".bm"), 2, 2, 24);
    UseBase(folder);
    EXPECT_EQ(Eval("LoadBmp(\"" + name + "\", 3)"), length == 255u ? 1.0 : 0.0) << length;
  }
}

}  // namespace
