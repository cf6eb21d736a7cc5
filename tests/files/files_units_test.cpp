#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "files/files.h"
#include "tests/files/checkerboard.h"

namespace fs = std::filesystem;

namespace {

fs::path TemporaryFolder(const char* name) {
  fs::path folder = fs::temp_directory_path() / ("morfel-host-test-" + std::string(name));
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

}  // namespace

TEST(BaseFolder, LineBreaksBecomeCrLf) {
  EXPECT_EQ(WithCrLf("a\nb"), "a\r\nb");
  EXPECT_EQ(WithCrLf("a\r\nb\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(WithCrLf("a\rb"), "a\r\nb");
  EXPECT_EQ(WithCrLf(""), "");
}

TEST(BaseFolder, BaseFolderIsSeededOnceWithTheStarterLibrary) {
  fs::path folder = TemporaryFolder("seed");
  std::string base = WithSeparator(folder.string());
  std::string error;
  ASSERT_EQ(PrepareBaseFolder(base, &error), 1) << error;
  EXPECT_TRUE(fs::exists(DataFile(base, "Morfel.ini")));
  EXPECT_TRUE(fs::exists(DataFile(base, "star.bmp")));
  // A library the user has is never replaced.
  FILE* file = std::fopen(DataFile(base, "Morfel.ini").c_str(), "wb");
  std::fputs("[Prog000]\r\nGroup=Mine\r\nName=Only\r\nInit=\r\nProg=\r\n", file);
  std::fclose(file);
  ASSERT_EQ(PrepareBaseFolder(base, &error), 1);
  std::string text;
  ReadTextFile(DataFile(base, "Morfel.ini"), &text, &error);
  EXPECT_NE(text.find("Mine"), std::string::npos);
  fs::remove_all(folder);
}

TEST(BaseFolder, EveryStarterProgramFileIsWellFormed) {
  int programs = 0;
  for (const StarterFile& file : StarterFiles()) {
    std::string name = file.name;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".txt") continue;
    std::string text(reinterpret_cast<const char*>(file.data), file.size);
    EXPECT_NE(text.find("Group="), std::string::npos) << name;
    EXPECT_NE(text.find("Name="), std::string::npos) << name;
    ++programs;
  }
  EXPECT_GE(programs, 20);
}

TEST(ImageFiles, PngKeepsTransparencyAndDropsAnAllOpaqueAlpha) {
  fs::path folder = TemporaryFolder("png");
  for (bool transparent : {false, true}) {
    Picture picture = Checkerboard(7, 5, transparent);
    std::string path = (folder / (transparent ? "alpha.png" : "opaque.png")).string();
    std::string error;
    ASSERT_EQ(WritePicture(path, picture, &error), 1) << error;
    Picture back;
    ASSERT_EQ(ReadPicture(path, &back, &error), 1) << error;
    EXPECT_EQ(back.width, 7);
    EXPECT_EQ(back.height, 5);
    EXPECT_EQ(back.bgr, picture.bgr);
    EXPECT_EQ(back.t, picture.t);
  }
  fs::remove_all(folder);
}

TEST(ImageFiles, BadFilesGiveClearErrorsAndNoOutput) {
  fs::path folder = TemporaryFolder("bad");
  std::string error;
  Picture picture;
  EXPECT_EQ(ReadPicture((folder / "missing.png").string(), &picture, &error), 0);
  EXPECT_NE(error.find("cannot open"), std::string::npos);
  FILE* file = std::fopen((folder / "junk.png").string().c_str(), "wb");
  std::fputs("not an image at all", file);
  std::fclose(file);
  EXPECT_EQ(ReadPicture((folder / "junk.png").string(), &picture, &error), 0);
  EXPECT_NE(error.find("not an image"), std::string::npos);
  Picture small = Checkerboard(2, 2, false);
  EXPECT_EQ(WritePicture((folder / "out.gif").string(), small, &error), 0);
  EXPECT_FALSE(fs::exists(folder / "out.gif"));
  EXPECT_EQ(WritePicture((folder / "no-such-folder" / "out.png").string(), small, &error), 0);
  EXPECT_FALSE(fs::exists(folder / "no-such-folder"));
  fs::remove_all(folder);
}

// The Windows build writes JPEG and PNG with stb: 65535 pixels a side, and
// a PNG's size in a signed 32-bit count.
#ifdef _WIN32
constexpr int64_t kJpegSide = 65535;
constexpr int kHugePngFits = 0;
#else
constexpr int64_t kJpegSide = 65500;  // libjpeg's largest dimension
constexpr int kHugePngFits = 1;
#endif

TEST(ImageFiles, EveryWriterRefusesASizeItsFieldsCannotHold) {
  struct SizeCase {
    ImageFormat format;
    int64_t width, height;
    bool alpha;
    int fits;
  };
  const SizeCase cases[] = {
      {ImageFormat::kTga, 65535, 1, true, 1},
      {ImageFormat::kTga, 1, 65536, false, 0},
      {ImageFormat::kJpeg, kJpegSide, 1, false, 1},
      {ImageFormat::kJpeg, kJpegSide + 1, 1, false, 0},
      {ImageFormat::kWebp, 16383, 1, true, 1},
      {ImageFormat::kWebp, 1, 16384, false, 0},
      {ImageFormat::kBmp, 23170, 23170, true, 1},
      {ImageFormat::kBmp, 23171, 23171, true, 0},
      {ImageFormat::kBmp, 1, 536870898, false, 1},
      {ImageFormat::kBmp, 1, 536870899, false, 0},
      {ImageFormat::kPng, 40000, 40000, true, kHugePngFits},
      {ImageFormat::kTiff, 40000, 40000, true, 1},
  };
  for (const SizeCase& test : cases) {
    SCOPED_TRACE(std::string(FormatName(test.format)) + " " + std::to_string(test.width) + " x " +
                 std::to_string(test.height));
    std::string reason;
    // A format this build cannot write (WebP on Windows) has no writer's
    // limits to keep.
    if (!CanWrite(test.format, &reason)) continue;
    EXPECT_EQ(FitsFormat(test.format, test.width, test.height, test.alpha, &reason), test.fits);
    EXPECT_EQ(reason.find(std::string("a ") + FormatName(test.format) + " file holds at most"),
              test.fits ? std::string::npos : 0);
  }
}

// Each format's signature comes from its codec: every file a writer of this
// build makes is read back by its bytes alone, whatever its name says, and
// the formats help lists exactly the formats this build reads.
TEST(ImageFiles, EveryWrittenFileIsKnownByItsBytes) {
  Picture source = Checkerboard(3, 2, true);
  const std::string help = FormatsHelp();
  for (ImageFormat format : {ImageFormat::kPng, ImageFormat::kJpeg, ImageFormat::kWebp,
                             ImageFormat::kTiff, ImageFormat::kBmp, ImageFormat::kGif}) {
    SCOPED_TRACE(FormatName(format));
    std::string reason;
    if (!CanWrite(format, &reason)) continue;
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_EQ(EncodePicture("out", format, source, WriteSettings(), &file, nullptr, &error), 1);
    Picture back;
    EXPECT_EQ(DecodePicture("named.tga", file, ReadSettings(), &back, nullptr, &error), 1) << error;
    EXPECT_EQ(back.width, 3);
    EXPECT_NE(help.find(std::string(FormatName(format)) + " (."), std::string::npos);
  }
  std::vector<uint8_t> junk = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  std::string error;
  Picture back;
  EXPECT_EQ(DecodePicture("named.png", junk, ReadSettings(), &back, nullptr, &error), 0);
  EXPECT_NE(error.find("not an image"), std::string::npos);
}
