// Internals of one pass of the per-pixel driver: wrapping positions into the
// image, fetching a source pixel and storing the colour variables.
#pragma once

#include <atomic>
#include <cstdint>

#include "image/image.h"
#include "script/script.h"
#include "transform/transform.h"

// Kept in their own namespace: other subsystems have helpers of the same
// names for their own rules.
namespace transform_pass {

// A position on one axis, reduced to a pixel index inside the image and the
// fraction of the way to the next pixel.
struct WrappedAxis {
  int32_t index;    // 0 <= index < size
  double fraction;  // 0 <= fraction < 1
};

// Wraps a position that the tile offset cannot bring into the int32 range,
// and infinities and NaN, onto a pixel inside the axis.
WrappedAxis WrapFarPosition(double position, int32_t size);

// Wraps position onto an axis of `size` pixels (the image tiles the plane).
// tileOffset (size * 256) keeps the usual range non-negative before the
// truncation, so positions from -tileOffset upward are handled exactly as
// the scripts have always seen them; anything further out, and infinities
// or NaN, is still brought onto a pixel inside the axis. Inline, and
// without a division for positions within one tile of the image: the pass
// wraps two of them for every fetched pixel.
inline WrappedAxis WrapAxis(double position, double tileOffset, int32_t size) {
  constexpr double kInt32Limit = 2147483648.0;  // first value past int32
  const double shifted = position + tileOffset;
  if (!(shifted >= 0.0 && shifted < kInt32Limit)) return WrapFarPosition(position, size);
  const int32_t whole = static_cast<int32_t>(shifted);
  const double fraction = shifted - whole;
  // The offset is a whole number of tiles, so near the image the remainder
  // is whole less the offset, moved by at most one tile.
  const int64_t tile = static_cast<int64_t>(size) * 256;
  const int64_t near = whole - tile;
  const bool nearImage = near >= -size && near < 2 * static_cast<int64_t>(size);
  if (tileOffset == static_cast<double>(tile) && nearImage) {
    const int64_t index = near < 0 ? near + size : near >= size ? near - size : near;
    return {static_cast<int32_t>(index), fraction};
  }
  return {whole % size, fraction};
}

// A script colour value as a byte: clamped to 0..255, then truncated; NaN
// gives 0. Inline: every pixel of "coord" 0 stores four of them.
inline uint8_t ColourByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(value);
}

// The source planes of a pass and how colours are fetched from them.
struct PassSource {
  const RgbtImage* rgb;
  const RgbtImage* transparency;
  double tileOffsetX;
  double tileOffsetY;
  Interpolation interpolation;
};

// Writes the source colour at (posX, posY) into the three bytes at rgbOut
// and the source T byte of the containing pixel into *tOut.
void FetchSourcePixel(const PassSource& source, double posX, double posY, uint8_t* rgbOut,
                      uint8_t* tOut);

// What every engine running rows of one pass shares: the planes, how the
// source is fetched, and for the one thread that calls it, the progress.
struct PassFrame {
  PassSource source;
  RgbtImage* destinationRgb;
  RgbtImage* destinationT;
  ProgressCallback progress;  // after each finished row; null on workers
  // Told after each finished row when set (the calling thread's tasks of a
  // pass on several threads, which tell progress from it).
  void (*rowFinished)(void* context, int32_t row) = nullptr;
  void* rowContext = nullptr;
};

// Set by the engines running rows of one pass, read by all of them before
// each row: the lowest pixel index (row * width + column) whose program
// ended the pass with a negative exit, and whether the budget stopped it.
struct PassStopFlags {
  std::atomic<int64_t> exitPixel{INT64_MAX};
  std::atomic<bool> interrupted{false};
  // Budget checks the workers have come to; the calling thread, the only
  // one that may ask the run's check, asks it once for each.
  std::atomic<int32_t> checksWanted{0};
};

// How a run of rows ended.
struct RowsOutcome {
  enum class End : uint8_t {
    kWhole,        // every row ran
    kExited,       // exit with a negative argument at (exitColumn, row first + rows)
    kInterrupted,  // the budget's check stopped it
    kCutShort,     // the flags said an earlier pixel ended the pass, or the
                   // budget stopped another engine
  };
  End end = End::kWhole;
  int32_t rows = 0;         // rows finished, counted from the first
  int32_t exitColumn = -1;  // kExited
  int64_t lastPixel = -1;   // index of the last pixel loaded, -1 for none
  StopRecord firstStop;
};

// Runs the pixels of rows [first, end) of the pass in order with one
// engine: the interpreter's driver (a compiled driver offers the same).
// Before each row it looks at flags (when given) and ends cut short when an
// earlier pixel ended the pass or the budget stopped it; on its own exit or
// interruption it sets them. Afterwards r and t hold the last loaded
// pixel's polar position when the program never names them.
RowsOutcome RunPassRows(ScriptEngine& engine, const PassFrame& frame, int32_t first, int32_t end,
                        PassStopFlags* flags);

// One pixel of a pass, as the interpreter's driver runs it, with the
// Transform program run traced (TracePixel): its variables loaded, the
// program run and the pixel written by "coord" into the frame's
// destination; "loop" and the planes are the caller's to set.
void RunOnePixel(ScriptEngine& engine, const PassFrame& frame, int32_t column, int32_t row,
                 const RunObserver& observer, PixelOutcome* pixel);

// The parameter assignments of a run (see RunTransform). False when one
// failed, its error shown.
bool AssignParameters(const RunEnvironment& environment);

// Runs a pass over the rows of several threads (pass_threads.cpp); false
// when it cannot (then nothing was touched and one thread runs it).
bool RunPassOnThreads(ScriptEngine& engine, const PassFrame& frame, PassThreads& threads,
                      PassOutcome* outcome);

}  // namespace transform_pass
