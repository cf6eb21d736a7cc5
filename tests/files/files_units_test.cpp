#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/host_files.h"
#include "host/image_files.h"
#include "host/options.h"
#include "host/row_exchange.h"

namespace fs = std::filesystem;

namespace {

struct ParseCase {
  std::vector<std::string> words;
  bool ok;
  const char* errorPart;
};

int Parse(const std::vector<std::string>& words, Options* options, std::string* error) {
  std::vector<std::string> storage = {"morfel"};
  storage.insert(storage.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : storage) argv.push_back(word.data());
  argv.push_back(nullptr);
  return ParseOptions(static_cast<int>(storage.size()), argv.data(), options, error);
}

Picture Checkerboard(int width, int height, bool transparent) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.bgr.push_back(static_cast<uint8_t>(x * 10));
      picture.bgr.push_back(static_cast<uint8_t>(y * 10));
      picture.bgr.push_back(static_cast<uint8_t>((x + y) % 2 ? 255 : 0));
      picture.t.push_back(transparent ? static_cast<uint8_t>(x * 20) : 255);
    }
  }
  return picture;
}

fs::path TemporaryFolder(const char* name) {
  fs::path folder = fs::temp_directory_path() / ("morfel-host-test-" + std::string(name));
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

}  // namespace

TEST(HostOptions, CommandLinesAreCheckedBeforeAnythingRuns) {
  const ParseCase cases[] = {
      {{"apply", "--program", "Deform/Twirl", "in.png", "out.png"}, true, ""},
      {{"apply", "--group", "Deform", "--name", "Twirl", "in.png", "out.png"}, true, ""},
      {{"apply", "--transform", "coord=2;", "in.png", "out.png", "--param", "3"}, true, ""},
      {{"apply", "--program", "Twirl", "in.png", "out.png"}, false, "GROUP/NAME"},
      {{"apply", "in.png", "out.png"}, false, "needs one program"},
      {{"apply", "--program", "A/B", "--init", "x=1;", "in.png", "out.png"}, false, "one program"},
      {{"apply", "--program", "A/B", "in.png"}, false, "INPUT and an OUTPUT"},
      {{"apply", "--program", "A/B", "--interp", "cubic", "a", "b"}, false, "round, linear"},
      {{"apply", "--file", "p.txt", "--init", "x=1;", "a", "b"}, false, "cannot be combined"},
      {{"list", "extra"}, false, "unexpected argument"},
      {{"show"}, false, "one GROUP/NAME"},
      {{"check"}, false, "--init"},
      {{"frobnicate"}, false, "unknown command"},
      {{"list", "--bogus"}, false, "--bogus"},
      {{"import", "--yes"}, true, ""},
      {{"add"}, false, "at least one program FILE"},
      {{"add", "a.txt", "b.txt", "--base", "x"}, true, ""},
      {{"remove", "A"}, false, "GROUP/NAME"},
      {{"remove", "A/B", "C/D"}, false, "one GROUP/NAME"},
      {{"apply", "-q", "--program", "A/B", "a", "b"}, true, ""},
      {{"list", "-q"}, false, "--quiet does not apply to list"},
      {{"title"}, true, ""},
  };
  for (const ParseCase& test : cases) {
    Options options;
    std::string error;
    int result = Parse(test.words, &options, &error);
    EXPECT_EQ(result == kParsedOk, test.ok) << test.words[0] << " " << error;
    if (!test.ok) {
      EXPECT_NE(error.find(test.errorPart), std::string::npos) << error;
    }
  }
}

TEST(HostOptions, ProgramNamesSplitAtTheFirstSlash) {
  Options options;
  std::string error;
  ASSERT_EQ(Parse({"apply", "--program", "A/B/C", "--param", "1", "--param", "x*2", "--interp",
                   "bezier", "i", "o"},
                  &options, &error),
            kParsedOk);
  EXPECT_EQ(options.group, "A");
  EXPECT_EQ(options.name, "B/C");
  EXPECT_EQ(options.params, (std::vector<std::string>{"1", "x*2"}));
  EXPECT_EQ(options.interpolation, 2);
}

TEST(HostOptions, ArgumentTextsGetCrLfLineEnds) {
  Options options;
  std::string error;
  ASSERT_EQ(Parse({"check", "--init", "?a,b,0,1,0;\nx=1;\r\ny=2;"}, &options, &error), kParsedOk);
  EXPECT_EQ(options.initText, "?a,b,0,1,0;\r\nx=1;\r\ny=2;");
}

TEST(HostFiles, LineBreaksBecomeCrLf) {
  EXPECT_EQ(WithCrLf("a\nb"), "a\r\nb");
  EXPECT_EQ(WithCrLf("a\r\nb\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(WithCrLf("a\rb"), "a\r\nb");
  EXPECT_EQ(WithCrLf(""), "");
}

TEST(HostFiles, BaseFolderIsSeededOnceWithTheStarterLibrary) {
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

TEST(HostFiles, EveryStarterProgramFileIsWellFormed) {
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

TEST(HostImages, PngKeepsTransparencyAndDropsAnAllOpaqueAlpha) {
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

TEST(HostImages, BadFilesGiveClearErrorsAndNoOutput) {
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

TEST(HostImages, EveryWriterRefusesASizeItsFieldsCannotHold) {
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
    EXPECT_EQ(FitsFormat(test.format, test.width, test.height, test.alpha, &reason), test.fits);
    EXPECT_EQ(reason.find(std::string("a ") + FormatName(test.format) + " file holds at most"),
              test.fits ? std::string::npos : 0);
  }
}

TEST(HostRows, CallbacksRefuseRowsOutsideThePicture) {
  Picture source = Checkerboard(4, 3, true);
  Picture result;
  RowExchange exchange(source, &result);
  uint8_t rgb[12];
  uint8_t t[4];
  EXPECT_EQ(exchange.readTable()->rgbRow(2, 0, 3, rgb, -1), 1);
  EXPECT_EQ(rgb[0], source.bgr[2 * 12]);
  EXPECT_EQ(exchange.readTable()->tRow(3, 0, 3, t, -1, 1), 0);
  EXPECT_EQ(exchange.readTable()->rgbRow(0, 0, 4, rgb, -1), 0);
  EXPECT_EQ(exchange.writeTable()->rgbRow(-1, 0, 3, rgb, -1), 0);
  EXPECT_EQ(exchange.writeTable()->tRow(1, 0, 3, t, -1, 1), 1);
  EXPECT_EQ(exchange.refused(), 3);
  EXPECT_EQ(exchange.tRowsWritten(), 1);
}
