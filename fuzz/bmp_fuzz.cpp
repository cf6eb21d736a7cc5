// The BMP reader on any file: it refuses or loads, never reads or writes
// outside the image, and a loaded image has the header's size.
#include "fuzz/fuzz_support.h"
#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ScratchDataFile("fuzz.bmp");
  WriteBytes(path, data, size);
  RgbtImage image(2, 2, 3);
  BmpLoadResult why = kBmpLoaded;
  const int32_t loaded = LoadBmpFile(path.c_str(), image, &why);
  FUZZ_CHECK((loaded == 1) == (why == kBmpLoaded));
  if (loaded == 1) {
    BmpHeader header;
    FUZZ_CHECK(ReadBmpHeader(path.c_str(), &header) == 1);
    FUZZ_CHECK(image.width == header.width && image.height == header.height);
    FUZZ_CHECK(image.channels == header.bitsPerPixel / 8);
    // Every byte of the image is defined: the sanitizers see any read.
    unsigned sum = 0;
    for (int64_t i = 0; i < int64_t{image.rowLength} * image.height; ++i) sum += image.data[i];
    volatile unsigned sink = sum;
    (void)sink;
    // What a loaded image can cost is bounded by the file's own size.
    FUZZ_CHECK(int64_t{image.rowLength} * image.height <= static_cast<int64_t>(size));
  }
  return 0;
}
