// Imaging: the RGBT image buffer, sampling kernels, colour conversion and
// BMP file reading.
//
// Pixel layout: pixel (x, y) channel k is byte y * rowLength + x * channels + k
// of `data`; rows are stored top row first. An RGB plane has 3 channels in the
// byte order blue, green, red; a T (transparency) plane has 1 channel.
//
// Ownership: an RgbtImage owns its buffer (allocated by Create, freed by the
// destructor or the next Create). Images are not copyable; Exchange swaps
// contents byte by byte and never shares a buffer.
//
// Limits: an image is either empty (width, height, channels 0, data null) or
// has width, height >= 1, 1 <= channels <= kMaxChannels and a buffer of
// height * rowLength bytes, never more than kMaxImageBytes. Sizes whose
// product overflows or exceeds that limit are refused (result 0, empty image).
//
// Safety: PixelAddress, Blit, Fill, the drawing slots, the flood fills and
// the sampling kernels clamp or clip every argument, so no call reads or
// writes outside either image, whatever it is given.
#pragma once

#include <cstddef>
#include <cstdint>

// Largest pixel buffer an image may own: guards against hostile file headers
// and size arithmetic that would otherwise ask for absurd allocations.
constexpr int64_t kMaxImageBytes = int64_t{1} << 30;
constexpr int32_t kMaxChannels = 4;
// Entries in the work stack of the flood fills; the traversal stops when full.
constexpr int32_t kFloodStackSize = 4096;
// Number of 32-bit values DescribeBitmap writes (file header without its
// signature, then the 40-byte information header).
constexpr int32_t kBitmapDescriptionValues = 13;

// Written by the flood fills: the filled region's mean, bounding box and size.
struct RegionStatistics {
  int32_t meanX = 0;
  int32_t meanY = 0;
  int32_t minX = 0;
  int32_t minY = 0;
  int32_t maxX = 0;
  int32_t maxY = 0;
  int32_t count = 0;
};

class RgbtImage;

// Asks the kernel to back a large pixel buffer with huge pages, before its
// first touch: filling a 4096 x 4096 image otherwise takes a page fault for
// every 4 KB, which on some virtual machines costs more than the pixels'
// own work. Only advice: smaller buffers and other systems are left as they
// are, and nothing in the buffer changes.
void AdviseHugePages(const void* data, size_t bytes);

// Caller-given test of FloodFillWith: returns non-zero when the pixel at
// `pixel` (all its channels) belongs to the region, and may paint it. Each
// pixel is offered at most once per fill. A null test selects the default:
// non-zero bytes of defaultChannel belong and are painted with defaultValue.
using FillTest = int32_t (*)(RgbtImage& image, uint8_t* pixel, void* context);

class RgbtImage {
 public:
  int32_t width = 0;
  int32_t height = 0;
  int32_t channels = 0;
  int32_t rowLength = 0;
  uint8_t* data = nullptr;
  // Combine options read, then cleared, by CombineFrom.
  int32_t absoluteFlag = 0;
  int32_t multiplier = 0;
  int32_t divisor = 0;
  // Used by the drawing slots when they are given -1.
  int32_t defaultChannel = 0;
  int32_t defaultValue = 255;
  // Pen of the pen-relative drawing slots.
  int32_t penX = 0;
  int32_t penY = 0;
  RegionStatistics region;

  RgbtImage() = default;
  // Calls Create(width, height, channels, 0); an impossible size leaves it empty.
  RgbtImage(int32_t width, int32_t height, int32_t channels);
  virtual ~RgbtImage();
  RgbtImage(const RgbtImage&) = delete;
  RgbtImage& operator=(const RgbtImage&) = delete;

  // Gives the image a format. Keeps buffer and content when width, height and
  // channels are unchanged. rowLength is width * channels, or totalSize /
  // height when totalSize is not 0 (refused when that is shorter than a row).
  // Returns the buffer size in bytes (contents uninitialized), or 0 with the
  // image empty for non-positive, overflowing or over-limit sizes.
  int32_t Create(int32_t width, int32_t height, int32_t channels, int32_t totalSize = 0);
  // channels < 1: the same format as `other`, row length included; otherwise
  // other's width and height with the given channel count.
  int32_t CreateLike(const RgbtImage& other, int32_t channels);

  // Address of channel k of pixel (x, y); x, y and k are clamped into the
  // image. Null for an empty image.
  uint8_t* PixelAddress(int32_t x, int32_t y, int32_t k);
  const uint8_t* PixelAddress(int32_t x, int32_t y, int32_t k) const;

  // channel -1: every byte of the buffer; otherwise that channel of every
  // pixel (a channel outside the image does nothing). Uses the low 8 bits.
  void Fill(int32_t value, int32_t channel);

  // Copies a w x h block of n channels from source (sx, sy) channel sc to
  // this image's (dx, dy) channel dc; w, h, n of 0 mean the source's full
  // extent. Clipped against both images; source may be this image.
  void Blit(const RgbtImage& source, int32_t sx, int32_t sy, int32_t sc, int32_t w, int32_t h,
            int32_t dx, int32_t dy, int32_t dc, int32_t n);

  // Reverses the pixel order within each row (horizontal) and/or the row
  // order (vertical).
  void Mirror(bool horizontal, bool vertical);

  // Fills this image (keeping its size and channels) with the source scaled
  // by nearest neighbour. Channels the source lacks become 0.
  void ResampleNearest(const RgbtImage& source);

  // Swaps the pixel bytes with `other`: 1, or 0 (nothing changed) when the
  // formats differ.
  int32_t Exchange(RgbtImage& other);

  // Writes the 13 values of a Windows bitmap file header (without "BM") and
  // information header describing this image; returns 52 (bytes written).
  int32_t DescribeBitmap(uint32_t header[kBitmapDescriptionValues]) const;

  // Sets the multiplier and divisor applied by the next CombineFrom mode 4.
  void SetScale(int32_t multiplier, int32_t divisor);
  // Combines source into this image byte by byte, both aligned at the top
  // left and clipped as Blit: mode 1 dst+src, 2 dst-src, 3 src-dst,
  // 4 src*dst (scaled by multiplier/divisor when divisor is not 0), other
  // modes copy src. Results are clamped to 0..255, or with absoluteFlag made
  // absolute and limited to 255. Clears the combine options afterwards.
  void CombineFrom(const RgbtImage& source, int32_t mode);

  // Drawing and reading slots. Channel or value -1 selects defaultChannel or
  // defaultValue; values use their low 8 bits; a channel outside the image
  // draws nothing. Lines step in 16.16 fixed point along the longer axis and
  // are not drawn (or read) when an end point lies outside the image.
  void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t channel, int32_t value);
  void DrawLineFromPen(int32_t x, int32_t y, int32_t channel, int32_t value);
  void LineTo(int32_t x, int32_t y, int32_t channel, int32_t value);
  void DrawRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t channel,
                     int32_t value);
  // Copies all channels of each pixel along the line, from the first point,
  // into buffer (capacity bytes); returns the number of pixels copied, 0 when
  // an end point is outside. Stops when the buffer is full.
  int32_t ReadAlongLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t* buffer,
                        int32_t capacity);
  int32_t ReadAlongLineFromPen(int32_t x, int32_t y, uint8_t* buffer, int32_t capacity);
  int32_t ReadAlongLineTo(int32_t x, int32_t y, uint8_t* buffer, int32_t capacity);
  // The point `distance` pixels from the pen towards (x, y), measured along
  // the longer axis.
  void StepTowards(int32_t x, int32_t y, int32_t distance, int32_t* outX, int32_t* outY);
  // 4-connected fill of the region of bytes equal to the one at (x, y) in
  // `channel`, painting it with `value`; fills `region`; returns the count.
  int32_t FloodFill(int32_t x, int32_t y, int32_t channel, int32_t value);
  // The same traversal, membership and painting decided by `test` (see
  // FillTest); fills `region`; returns the count.
  int32_t FloodFillWith(int32_t x, int32_t y, FillTest test, void* context = nullptr);
};

// Receives the RGB result of a run; `progress` is told each finished row.
using ProgressCallback = void (*)(int32_t row, int32_t total);

class ProgressImage : public RgbtImage {
 public:
  ProgressCallback progress = nullptr;

  ProgressImage() = default;
  ProgressImage(int32_t width, int32_t height, int32_t channels);
  ~ProgressImage() override;
};

// ---- Sampling ---------------------------------------------------------------
// The interpolations a transform fetches source colours with, in the order of
// the main dialog's list, with the names that list shows.
#define MORFEL_INTERPOLATIONS(X)                                                \
  X(Round, "Round")   /* the byte of the pixel whose cell holds the position */ \
  X(Linear, "Linear") /* bilinear over the four neighbours */                   \
  X(Bezier, "Bezier") /* bicubic Bezier over the 4x4 neighbourhood */

// A stored or passed value other than Round and Linear selects Bezier.
enum Interpolation : int32_t {
#define MORFEL_INTERPOLATION_ENUMERATOR(name, text) kInterp##name,
  MORFEL_INTERPOLATIONS(MORFEL_INTERPOLATION_ENUMERATOR)
#undef MORFEL_INTERPOLATION_ENUMERATOR
};

constexpr const char* kInterpolationNames[] = {
#define MORFEL_INTERPOLATION_NAME(name, text) text,
    MORFEL_INTERPOLATIONS(MORFEL_INTERPOLATION_NAME)
#undef MORFEL_INTERPOLATION_NAME
};
constexpr int32_t kInterpolationCount =
    static_cast<int32_t>(sizeof kInterpolationNames / sizeof kInterpolationNames[0]);

// Kernels turning a source position, already wrapped into the image and split
// into a pixel (sx, sy) and fractions fx, fy in [0, 1), into one byte of
// channel k. Out-of-range pixels or channels are clamped into the image.

uint8_t SampleRound(const RgbtImage& image, int32_t sx, int32_t sy, int32_t k);
// Bilinear; right and bottom neighbours wrap to the opposite edge.
uint8_t SampleLinear(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                     int32_t k);
// Bicubic Bezier over the 4x4 neighbourhood (edges clamped); truncated, then
// clamped to 0..255.
uint8_t SampleBezier(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                     int32_t k);
// The same kernels for every channel of the pixel at once, with the
// neighbourhood worked out once: out[k] gets exactly what SampleLinear or
// SampleBezier gives for channel k. out holds image.channels bytes.
void SampleLinearPixel(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                       uint8_t* out);
void SampleBezierPixel(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy,
                       uint8_t* out);

constexpr int32_t kCurveCapacity = 64;

struct CurvePoint {
  double x;
  double y;
};

// Points kept sorted by x, joined by cubic Bezier segments whose inner
// control values follow the neighbouring points.
class Curve {
 public:
  // Inserts in x order; an existing x gets the new y. 0 when full, else 1.
  int32_t AddPoint(double x, double y);
  // Point i becomes (i, y); i == count appends. 0 for i < 0 or i > count
  // (or a full curve), else 1.
  int32_t SetPoint(int32_t i, double y);
  // Segment i (point i to i + 1) at t; t above 1 moves on by its whole part.
  // 0 when the segment does not exist.
  double EvaluateSegment(int32_t i, double t) const;

  int32_t Count() const { return count; }
  const CurvePoint& Point(int32_t i) const { return points[i]; }

 private:
  CurvePoint points[kCurveCapacity] = {};
  int32_t count = 0;
};

// ---- Colour conversion ------------------------------------------------------
// Unit-range doubles; inputs are clamped to [0, 1]. Hue runs one sixth per
// sextant, red at 0 and again at 1 (pure red converts to hue 1).

struct HlsColour {
  double h;
  double s;
  double l;
};

struct RgbColour {
  double r;
  double g;
  double b;
};

HlsColour RgbToHls(double r, double g, double b);
// Parameter order hue, saturation, lightness.
RgbColour HlsToRgb(double h, double s, double l);

// ---- BMP files ----------------------------------------------------------------
// Every field is read from the file little-endian and checked against the
// limits above before use: files are untrusted.

// The 52 bytes that follow the "BM" signature.
struct BmpHeader {
  uint32_t fileSize = 0;
  uint16_t reserved1 = 0;
  uint16_t reserved2 = 0;
  uint32_t dataOffset = 0;
  uint32_t infoSize = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 0;
  int16_t bitsPerPixel = 0;
  uint32_t compression = 0;
  uint32_t imageSize = 0;
  int32_t xPixelsPerMetre = 0;
  int32_t yPixelsPerMetre = 0;
  uint32_t coloursUsed = 0;
  uint32_t importantColours = 0;
};

constexpr int32_t kBmpHeaderBytes = 52;

// Why LoadBmpFile refused a file; callers may ignore it. One list, so the
// codes and their texts stay in step.
#define MORFEL_BMP_LOAD_RESULTS(X)                                              \
  X(kBmpLoaded, "loaded")                                                       \
  X(kBmpCannotOpen, "the file cannot be opened")                                \
  X(kBmpNotRegularFile, "not a regular file")                                   \
  X(kBmpNotBmp, "not a BMP file")                                               \
  X(kBmpHeaderCut, "the header is cut short")                                   \
  X(kBmpBadSize, "the width or height is below 1 (top-down files included)")    \
  X(kBmpUnsupportedDepth, "fewer than 8 bits or more than 4 bytes per pixel")   \
  X(kBmpCompressed, "the pixel data are compressed")                            \
  X(kBmpTooLarge, "the image would be larger than kMaxImageBytes")              \
  X(kBmpTruncated, "the file is shorter than the pixel rows its header claims") \
  X(kBmpNoMemory, "the image could not be allocated")

enum BmpLoadResult : int32_t {
#define MORFEL_BMP_ENUM(name, text) name,
  MORFEL_BMP_LOAD_RESULTS(MORFEL_BMP_ENUM)
#undef MORFEL_BMP_ENUM
};
// A short English text for a result.
const char* BmpLoadResultText(BmpLoadResult result);

// 1 when the file opens, starts with "BM" and holds a whole header; else 0.
int32_t ReadBmpHeader(const char* path, BmpHeader* header);
// Reads the rows, bottom row first as stored, into `image` (already sized to
// the header), skipping each row's filler to 4 bytes. Rows the file does not
// supply become 0. 1, or 0 when the file cannot be opened or the image does
// not match the header.
int32_t ReadBmpPixels(const char* path, const BmpHeader& header, RgbtImage& image);
// Header, sizing (bits / 8 bytes per pixel: an 8-bit file gives palette
// indices) and rows, from one opening of the file. 1 on success; 0 on any
// failure, with the image untouched when the file is unreadable and empty
// when the header is refused; *why (when given) says which. Only regular
// files are opened (a FIFO or a device is refused without blocking), and
// every header field is checked before anything is allocated: the file must
// hold every pixel row its header claims (the last row's filler excepted),
// so an image never costs more memory than its file has bytes, and a damaged
// file is refused rather than loaded with rows of zeros. The rows stay
// bottom-up: the caller mirrors vertically.
int32_t LoadBmpFile(const char* path, RgbtImage& image, BmpLoadResult* why = nullptr);
