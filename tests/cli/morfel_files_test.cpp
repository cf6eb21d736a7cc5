// The morfel program's image files end to end: every format in and out with
// and without transparency, JPEG orientation, inputs that claim more than
// they hold, files and streams too large or endless, sizes a format cannot
// store, and files or standard output that cannot be written.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <spng.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstring>

#include "tests/cli/morfel_runner.h"

namespace {

// Leaves the picture as it is.
const std::vector<std::string> kNoOp = {"--init", "coord=0;", "--transform", "", "--quiet"};

std::vector<std::string> Apply(const std::string& base, const std::vector<std::string>& more) {
  std::vector<std::string> words = {"apply", "--base", base};
  words.insert(words.end(), kNoOp.begin(), kNoOp.end());
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

// The mean difference of two planes, 256 when their sizes differ.
double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 256;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return sum / a.size();
}

// A JPEG APP1 segment holding only an EXIF orientation, little-endian.
std::string ExifSegment(int orientation) {
  const unsigned char body[] = {
      'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42,
      0,    8,    0,   0,   0,  // TIFF header, IFD at 8
      1,    0,                  // one entry
      0x12, 0x01, 3,   0,   1, 0, 0,   0,   static_cast<unsigned char>(orientation),
      0,    0,    0,   0,   0, 0, 0};  // no next IFD
  std::string segment = "\xff\xe1";
  segment += static_cast<char>(0);
  segment += static_cast<char>(sizeof body + 2);
  return segment + std::string(reinterpret_cast<const char*>(body), sizeof body);
}

void AppendBigEndian(std::string* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

// A PNG that is only a header claiming width x height RGB pixels.
std::string PngHeaderOnly(uint32_t width, uint32_t height) {
  std::string chunk = "IHDR";
  AppendBigEndian(&chunk, width);
  AppendBigEndian(&chunk, height);
  chunk += std::string("\x08\x02\x00\x00\x00", 5);
  std::string png = "\x89PNG\r\n\x1a\n";
  AppendBigEndian(&png, 13);
  png += chunk;
  AppendBigEndian(&png, static_cast<uint32_t>(
                            crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), chunk.size())));
  return png;
}

// A 54-byte BMP header claiming width x height 24-bit pixels, and a few rows.
std::string BmpClaiming(int32_t width, int32_t height) {
  std::string bmp(54 + 144, '\0');
  auto put = [&bmp](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) bmp[at + i] = static_cast<char>(value >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put(2, static_cast<uint32_t>(bmp.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(width), 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  return bmp;
}

}  // namespace

TEST_F(MorfelProgram, EveryFormatKeepsThePictureWithAndWithoutTransparency) {
  struct FormatCase {
    const char* extension;
    double tolerance;  // mean colour difference after the round trip
    bool keepsAlpha;
  };
  const FormatCase cases[] = {{"png", 0, true},   {"tif", 0, true},
                              {"bmp", 0, true},   {"tga", 0, true},
                              {"jpg", 24, false}, {"webp", 24, true}};  // sharp 4-pixel squares
  for (bool transparent : {false, true}) {
    std::string input = MakeImage("in.png", 24, 16, transparent);
    Picture original = Read("in.png");
    for (const FormatCase& test : cases) {
      std::string name = std::string("out.") + test.extension;
      SCOPED_TRACE(name + (transparent ? " transparent" : " opaque"));
      Outcome written = Run(Apply(base_, {"--quality", "100", input, Path(name)}));
      ASSERT_EQ(written.status, 0) << written.err;
      // Reading it back goes through morfel too: the result as a PNG.
      Outcome back = Run(Apply(base_, {Path(name), Path("back.png")}));
      ASSERT_EQ(back.status, 0) << back.err;
      Picture result = Read("back.png");
      EXPECT_EQ(result.width, 24);
      EXPECT_EQ(result.height, 16);
      EXPECT_LE(MeanDifference(result.bgr, original.bgr), test.tolerance);
      std::vector<uint8_t> opaque(original.t.size(), 255);
      EXPECT_EQ(result.t, test.keepsAlpha ? original.t : opaque);
      // Dropping transparency is said, unless --quiet.
      Outcome loud = Run({"apply", "--base", base_, "--transform", "coord=0;", input, Path(name)});
      bool dropped = transparent && !test.keepsAlpha;
      EXPECT_EQ(loud.err.find("the T plane is dropped") != std::string::npos, dropped) << loud.err;
    }
  }
}

TEST_F(MorfelProgram, JpegComesOutUprightByItsExifOrientation) {
  // 16 x 8 in four colour blocks; after orientation o the block that was
  // top-left in the file lands at the corner given here.
  Picture picture;
  picture.width = 16;
  picture.height = 8;
  const uint8_t kBlocks[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint8_t* colour = kBlocks[(y / 4) * 2 + x / 8];
      picture.bgr.insert(picture.bgr.end(), colour, colour + 3);
      picture.t.push_back(255);
    }
  }
  std::string error;
  WriteSettings best;
  best.quality = 100;
  ASSERT_EQ(WritePicture(Path("plain.jpg"), picture, &error, ImageFormat::kUnknown, best), 1);
  std::string plain = Slurp(Path("plain.jpg"));
  struct OrientationCase {
    int orientation;
    int width, height;
    int cornerX, cornerY;  // where the file's top-left block ends up
  };
  const OrientationCase cases[] = {{1, 16, 8, 0, 0},  {2, 16, 8, 15, 0}, {3, 16, 8, 15, 7},
                                   {4, 16, 8, 0, 7},  {5, 8, 16, 0, 0},  {6, 8, 16, 7, 0},
                                   {7, 8, 16, 7, 15}, {8, 8, 16, 0, 15}};
  for (const OrientationCase& test : cases) {
    SCOPED_TRACE("orientation " + std::to_string(test.orientation));
    Write("turned.jpg", plain.substr(0, 2) + ExifSegment(test.orientation) + plain.substr(2));
    Outcome outcome = Run(Apply(base_, {Path("turned.jpg"), Path("upright.png")}));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    Picture upright = Read("upright.png");
    ASSERT_EQ(upright.width, test.width);
    ASSERT_EQ(upright.height, test.height);
    size_t corner = (static_cast<size_t>(test.cornerY) * test.width + test.cornerX) * 3;
    EXPECT_GT(upright.bgr[corner + 2], 200) << "the red block";
    EXPECT_LT(upright.bgr[corner + 0], 60);
    // The written file carries no orientation of its own.
    Outcome again = Run(Apply(base_, {Path("upright.png"), Path("again.jpg")}));
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(Slurp(Path("again.jpg")).find("Exif"), std::string::npos);
  }
}

// What an apply carries besides the pixels: the input's colour profile into
// every output format that stores one, and --quality into a lossy file's
// size.
TEST_F(MorfelProgram, TheColourProfileAndTheQualityReachTheOutput) {
  MakeImage("plain.png", 64, 48);
  Picture profiled = Read("plain.png");
  for (int i = 0; i < 300; ++i) profiled.icc.push_back(static_cast<uint8_t>(i * 7 + 3));
  std::string error;
  ASSERT_EQ(WritePicture(Path("profiled.png"), profiled, &error), 1) << error;
  for (const char* name : {"out.png", "out.tif", "out.jpg"}) {
    Outcome outcome = Run(Apply(base_, {Path("profiled.png"), Path(name)}));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(Read(name).icc, profiled.icc) << name;
  }
  for (const char* name : {"q.jpg", "q.webp"}) {
    size_t sizes[2] = {};
    for (int k = 0; k < 2; ++k) {
      Outcome outcome =
          Run(Apply(base_, {"--quality", k == 0 ? "10" : "100", Path("plain.png"), Path(name)}));
      ASSERT_EQ(outcome.status, 0) << outcome.err;
      sizes[k] = Slurp(Path(name)).size();
    }
    EXPECT_LT(2 * sizes[0], sizes[1]) << name << " at quality 10 and 100";
  }
}

TEST_F(MorfelProgram, InputsThatClaimMoreThanTheyHoldAreRefusedBeforeDecoding) {
  Picture small;
  small.width = 16;
  small.height = 16;
  small.bgr.assign(16 * 16 * 3, 128);
  small.t.assign(16 * 16, 255);
  std::string error;
  ASSERT_EQ(WritePicture(Path("small.jpg"), small, &error), 1);
  std::string jpeg = Slurp(Path("small.jpg"));
  size_t frame = jpeg.find("\xff\xc0");
  ASSERT_NE(frame, std::string::npos);
  std::string huge = jpeg;  // SOF0: height and width after the precision byte
  huge[frame + 5] = static_cast<char>(4000 >> 8);
  huge[frame + 6] = static_cast<char>(4000 & 0xff);
  huge[frame + 7] = static_cast<char>(60000 >> 8);
  huge[frame + 8] = static_cast<char>(60000 & 0xff);
  struct BombCase {
    const char* name;
    std::string content;
    std::vector<std::string> options;
    const char* reason;
  };
  const BombCase cases[] = {
      {"huge.png", PngHeaderOnly(18000, 18000), {}, "18000 x 18000 pixels, more than the limit"},
      {"small.png",
       PngHeaderOnly(100, 100),
       {"--max-pixels", "9999"},
       "more than the limit of 9999"},
      {"tall.bmp", BmpClaiming(8, 16384006), {}, "the file is truncated"},
      {"truncated.jpg", huge, {}, "Corrupt JPEG data: premature end of data segment"},
      {"junk.png", "not an image at all", {}, "not an image in a known format"},
  };
  for (const BombCase& test : cases) {
    SCOPED_TRACE(test.name);
    std::vector<std::string> words = test.options;
    words.push_back(Write(test.name, test.content));
    words.push_back(Path("out.png"));
    fs::remove(Path("out.png"));
    Outcome outcome = Run(Apply(base_, words));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find(test.reason), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(Path("out.png")));
  }
}

TEST_F(MorfelProgram, GifAndSixteenBitGreyInputsAreRead) {
  // A 1 x 1 GIF whose one pixel is the transparent colour.
  const char kGif[] =
      "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xf9\x04\x01\x00\x00\x00"
      "\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b";
  Write("dot.gif", std::string(kGif, sizeof kGif - 1));
  Outcome gif = Run(Apply(base_, {Path("dot.gif"), Path("dot.png")}));
  ASSERT_EQ(gif.status, 0) << gif.err;
  EXPECT_EQ(Read("dot.png").t, std::vector<uint8_t>{0});

  // A 3 x 2 16-bit grey PNG, written with libspng directly.
  uint16_t grey[6] = {0, 0x8000, 0xffff, 0x1234, 0x4000, 0xc000};
  for (uint16_t& sample : grey) sample = static_cast<uint16_t>((sample >> 8) | (sample << 8));
  spng_ctx* encoder = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(encoder, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr header{};
  header.width = 3;
  header.height = 2;
  header.bit_depth = 16;
  header.color_type = SPNG_COLOR_TYPE_GRAYSCALE;
  spng_set_ihdr(encoder, &header);
  ASSERT_EQ(spng_encode_image(encoder, grey, sizeof grey, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), 0);
  size_t length = 0;
  int code = 0;
  char* png = static_cast<char*>(spng_get_png_buffer(encoder, &length, &code));
  Write("grey16.png", std::string(png, length));
  std::free(png);
  spng_ctx_free(encoder);
  Outcome wide = Run(
      {"apply", "--base", base_, "--transform", "coord=0;", Path("grey16.png"), Path("grey8.png")});
  ASSERT_EQ(wide.status, 0) << wide.err;
  EXPECT_NE(wide.err.find("read as 8-bit RGB (the file has 16-bit grey samples)"),
            std::string::npos)
      << wide.err;
  Picture reduced = Read("grey8.png");
  EXPECT_EQ(reduced.bgr[3 * 2], 255);  // the third pixel: white
  EXPECT_EQ(reduced.bgr[3 * 1 + 0], reduced.bgr[3 * 1 + 2]);
  Outcome quiet = Run(Apply(base_, {Path("grey16.png"), Path("grey8.png")}));
  EXPECT_EQ(quiet.err, "");
}

TEST_F(MorfelProgram, OutputsAreWrittenWholeThroughLinksAndNeverOverWhatCannotBeWritten) {
  std::string input = MakeImage("in.png", 8, 6);
  fs::create_directories(Path("real"));
  fs::create_symlink(Path("real/target.png"), Path("link.png"));
  Outcome linked = Run(Apply(base_, {input, Path("link.png")}));
  ASSERT_EQ(linked.status, 0) << linked.err;
  EXPECT_TRUE(fs::is_symlink(Path("link.png")));
  EXPECT_EQ(Read("real/target.png").width, 8);

  fs::create_directories(Path("folder.png"));
  Outcome folder = Run(Apply(base_, {input, Path("folder.png")}));
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("cannot write " + Path("folder.png") + ": is a directory"),
            std::string::npos)
      << folder.err;

  Outcome missing = Run(Apply(base_, {input, Path("no/such/folder/out.png")}));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;

  if (geteuid() != 0) {  // root may write anything
    Write("locked.png", "old");
    chmod(Path("locked.png").c_str(), 0444);
    Outcome locked = Run(Apply(base_, {input, Path("locked.png")}));
    EXPECT_EQ(locked.status, 1);
    EXPECT_NE(locked.err.find("Permission denied"), std::string::npos) << locked.err;
    EXPECT_EQ(Slurp(Path("locked.png")), "old");
  }
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder_)) {
    EXPECT_NE(entry.path().extension(), ".part") << "a partial file was left";
  }

  // A link planted where partial files once went is never written through;
  // of the leftovers of killed writers, only those long untouched whose
  // process is gone are taken.
  Write("victim.txt", "keep");
  fs::create_symlink(Path("victim.txt"), Path("planted.png.part"));
  const std::string kGone = "2147483646";  // beyond any process id
  struct LeftoverCase {
    std::string name;
    bool old;
    bool removed;
  };
  const LeftoverCase leftovers[] = {
      {"planted.png.morfel-" + kGone + "-aB3dE9.part", true, true},
      {"other.png.morfel-" + kGone + "-aB3dE9.part", false, false},  // touched lately
      {"other.png.morfel-" + std::to_string(getpid()) + "-aB3dE9.part", true, false},
      {"other.png.morfel-" + kGone + "-tooLong7.part", true, false},  // not of the pattern
  };
  for (const LeftoverCase& leftover : leftovers) {
    Write(leftover.name, "partial");
    if (leftover.old) {
      fs::last_write_time(Path(leftover.name),
                          fs::file_time_type::clock::now() - std::chrono::hours(2));
    }
  }
  Outcome planted = Run(Apply(base_, {input, Path("planted.png")}));
  ASSERT_EQ(planted.status, 0) << planted.err;
  EXPECT_EQ(Read("planted.png").width, 8);
  EXPECT_EQ(Slurp(Path("victim.txt")), "keep");
  EXPECT_TRUE(fs::is_symlink(Path("planted.png.part")));
  for (const LeftoverCase& leftover : leftovers) {
    EXPECT_EQ(fs::exists(Path(leftover.name)), !leftover.removed) << leftover.name;
  }
}

TEST_F(MorfelProgram, SizesAndStreamsTheFilesCannotTakeAreRefusedWithAReason) {
  MakeImage("wide.png", 70000, 1);
  MakeImage("small.png", 8, 6);
  Write("padded.png", Slurp(Path("small.png")));
  fs::resize_file(Path("padded.png"), 100 << 20);  // sparse: refused by its size, never read
  mkfifo(Path("fifo.png").c_str(), 0600);
  const std::string kNoSpace = "cannot write to standard output: No space left on device";
  struct RefusalCase {
    std::vector<std::string> words;
    const char* input;
    const char* output;
    const char* reason;
  };
  const RefusalCase cases[] = {
      {Apply(base_, {Path("wide.png"), Path("out.tga")}), "/dev/null", "/dev/null",
       "a TGA file holds at most 65535 pixels a side; the image is 70000 x 1"},
      {Apply(base_, {"--max-pixels", "100", Path("padded.png"), Path("out.png")}), "/dev/null",
       "/dev/null", "larger than any image of at most 100 pixels can be"},
      {Apply(base_, {"-", Path("out.png")}), "/dev/zero", "/dev/null",
       "cannot read standard input: not an image in a known format"},
      {Apply(base_, {Path("fifo.png"), Path("out.png")}), "/dev/null", "/dev/null",
       "fifo.png: not a regular file"},
      {Apply(base_, {"/dev/zero", Path("out.png")}), "/dev/null", "/dev/null",
       "/dev/zero: not a regular file"},
      {{"--version"}, "/dev/null", "/dev/full", kNoSpace.c_str()},
      {{"show", "--base", base_, "Colour/Invert"}, "/dev/null", "/dev/full", kNoSpace.c_str()},
      {{"functions"}, "/dev/null", "/dev/full", kNoSpace.c_str()},
      {{"help", "apply"}, "/dev/null", "/dev/full", kNoSpace.c_str()},
  };
  for (const RefusalCase& test : cases) {
    SCOPED_TRACE(test.words[0] + " " + test.words.back() + " < " + test.input);
    Outcome outcome = RunOn(test.words, test.input, test.output);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find(test.reason), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(Path("out.tga")));
    EXPECT_FALSE(fs::exists(Path("out.png")));
  }
}

#endif  // _WIN32
