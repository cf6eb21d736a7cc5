// Helpers shared by the built-in function handlers: access to the bound
// variables, the wrapped and interpolated pixel reader, and the clamps that
// turn script values into bytes. Private to the script folder.
#pragma once

#include <cstdint>

#include "image/image.h"
#include "script/script.h"

// Index of each bound variable in ScriptEngine::boundCells.
enum BoundCell : int32_t {
  CELL_CX = 0,
  CELL_CY,
  CELL_R,
  CELL_G,
  CELL_B,
  CELL_T,
  CELL_H,
  CELL_L,
  CELL_S,
};

// The centre of the pixel frame and the cells that the pixel and image
// built-ins read and write. Present only once BindRun has run: a parameter
// text evaluated before any binding sees none, and the pixel and image
// built-ins then yield 0.0 without touching memory.
bool HasBoundCells(const ScriptEngine& engine);
// Bound cells plus the four planes of a run, each with pixel data.
bool HasBoundRun(const ScriptEngine& engine);

// The value of a bound variable (0.0 when not bound).
double BoundValue(const ScriptEngine& engine, BoundCell cell);
// Stores into a bound variable; does nothing when not bound.
void SetBoundValue(ScriptEngine& engine, BoundCell cell, double value);

// A position taken as a pixel index and a fraction toward the next pixel,
// both wrapped into the image.
struct WrappedPosition {
  int32_t index;
  int32_t next;      // index + 1, or 0 at the last pixel
  double fraction;   // in [0, 1)
};

// Wraps centre + offset into 0 .. size - 1. The position is shifted right by
// 256 image sizes first, as the pixel reader always did, so the fraction is
// rounded the same way; positions further out still wrap rather than reach
// outside the image. Non-finite positions give pixel 0. size must be >= 1.
WrappedPosition WrapPosition(double centre, double offset, int32_t size);

// Bytes of a colour pixel: blue, green, red.
constexpr int32_t kColourBytes = 3;
// Channel bytes delivered by FetchPixel: blue, green, red on an RGB plane,
// the only byte first on a T plane.
constexpr int32_t kFetchedBytes = kColourBytes;

// Reads the pixel at offset (x, y) from the centre (cx, cy), wrapped and
// bilinearly interpolated, truncated to whole numbers 0..255. Bytes beyond
// the image's channel count, or all of them for an empty image, stay 0.
// Returns the number of bytes delivered.
int32_t FetchPixel(const RgbtImage& image, double cx, double cy, double x, double y,
                   double out[kFetchedBytes]);

// Clamps a colour value to 0..255 keeping its fraction; NaN gives 0.
double ClampColour(double value);
// Truncates toward zero, then clamps to 0..255; NaN gives 0.
int32_t ColourByte(double value);

// The image slot numbered by a script value, or null when the number is
// outside 0..7. Truncation toward zero: -0.5 selects slot 0.
RgbtImage* SlotByNumber(ScriptEngine& engine, double number);

// True when the image has pixel data.
inline bool HasPixels(const RgbtImage* image) {
  return image != nullptr && image->data != nullptr && image->width > 0 && image->height > 0 &&
         image->channels > 0;
}
