// One pass of a transform: every destination pixel, in row order, gets its
// position and source colour loaded into the script's variables, the
// Transform program run, and its result written by "coord".
#include <cmath>

#include "script/script.h"
#include "transform/pass.h"
#include "transform/transform.h"

namespace {

using transform_pass::ColourByte;
using transform_pass::FetchSourcePixel;
using transform_pass::PassFrame;
using transform_pass::PassSource;
using transform_pass::PassStopFlags;
using transform_pass::RowsOutcome;

// The wrap offset is the image size shifted left by 8 bits: 256 tiles.
constexpr double kTilesBeforeOrigin = 256.0;

// The position a pixel started with, before its program changed x and y.
struct PixelPosition {
  double x;
  double y;
};

struct Pass {
  ScriptEngine* engine;
  PixelCells cells;
  PassSource source;
  // r and t are worked out before every pixel only when the Transform
  // program names them (ScriptEngine::NamesOnDemandVariable); otherwise
  // only where a polar fetch or the end of the pass needs them.
  bool polarNamed;
  // The engine runs whole rows in machine code (ScriptEngine::RunCompiledRow).
  bool compiledRows;
  PixelPosition last;
  RowsOutcome outcome;
  PassStopFlags* flags;
};

void StorePolar(const PixelCells& cells, PixelPosition position) {
  *cells.r = std::sqrt(position.x * position.x + position.y * position.y);
  *cells.t = std::atan2(position.y, position.x);
}

// Position and colour of the pixel at (column, row) into the variables.
PixelPosition LoadPixelVariables(const Pass& pass, int32_t column, int32_t row,
                                 const uint8_t* sourceRgb, const uint8_t* sourceT) {
  const PixelCells& cells = pass.cells;
  PixelPosition position{column - *cells.cx, row - *cells.cy};
  *cells.x = position.x;
  *cells.y = position.y;
  if (pass.polarNamed) StorePolar(cells, position);
  *cells.blue = sourceRgb[0];
  *cells.green = sourceRgb[1];
  *cells.red = sourceRgb[2];
  *cells.alpha = sourceT[0];
  return position;
}

// Where "coord" 1 (the polar position) or any other value (x, y) reads the
// source, from the top-left corner.
inline void ReadPosition(const Pass& pass, PixelPosition loaded, double coord, double* posX,
                         double* posY) {
  const PixelCells& cells = pass.cells;
  if (coord == 1.0) {
    if (!pass.polarNamed) StorePolar(cells, loaded);
    *posX = *cells.r * std::cos(*cells.t) + *cells.cx;
    *posY = *cells.r * std::sin(*cells.t) + *cells.cy;
  } else {
    *posX = *cells.x + *cells.cx;
    *posY = *cells.y + *cells.cy;
  }
}

// Writes the destination pixel as "coord" says; a "coord" outside 0..2
// (NaN included) leaves it as it was.
void StorePixelResult(const Pass& pass, PixelPosition loaded, uint8_t* destinationRgb,
                      uint8_t* destinationT) {
  const PixelCells& cells = pass.cells;
  double coord = *cells.coord;
  if (!(coord >= 0.0 && coord <= 2.0)) return;
  if (coord == 0.0) {
    destinationRgb[0] = ColourByte(*cells.blue);
    destinationRgb[1] = ColourByte(*cells.green);
    destinationRgb[2] = ColourByte(*cells.red);
    *destinationT = ColourByte(*cells.alpha);
    return;
  }
  double posX;
  double posY;
  ReadPosition(pass, loaded, coord, &posX, &posY);
  FetchSourcePixel(pass.source, posX, posY, destinationRgb, destinationT);
}

// Notes a stopped program run; true when it ends the pass: the budget's
// check stopped it, or exit with a negative argument.
bool EndsPass(Pass& pass, const RunOutcome& outcome, int32_t column, int32_t row) {
  if (outcome.Exited()) {
    if (outcome.exitCode >= 0) return false;
    pass.outcome.end = RowsOutcome::End::kExited;
    pass.outcome.exitColumn = column;
    return true;
  }
  if (!outcome.Stopped()) return false;
  if (outcome.stopReason == StopReason::kInterrupted) {
    pass.outcome.end = RowsOutcome::End::kInterrupted;
    return true;
  }
  if (pass.outcome.firstStop.reason == StopReason::kNone)
    pass.outcome.firstStop = {outcome.stopReason, column, row};
  return false;
}

// Runs every pixel of one row. 0 when the pass ends there.
int32_t TransformRow(Pass& pass, int32_t row, RgbtImage& destinationRgb, RgbtImage& destinationT) {
  const RgbtImage& sourceRgb = *pass.source.rgb;
  const RgbtImage& sourceT = *pass.source.transparency;
  const uint8_t* sourceRgbPixel = sourceRgb.data + static_cast<size_t>(row) * sourceRgb.rowLength;
  const uint8_t* sourceTPixel = sourceT.data + static_cast<size_t>(row) * sourceT.rowLength;
  uint8_t* destinationRgbPixel =
      destinationRgb.data + static_cast<size_t>(row) * destinationRgb.rowLength;
  uint8_t* destinationTPixel =
      destinationT.data + static_cast<size_t>(row) * destinationT.rowLength;
  const int64_t rowPixel = static_cast<int64_t>(row) * sourceRgb.width;
  for (int32_t column = 0; column < sourceRgb.width; ++column) {
    if (!pass.engine->SpendWork(1)) {
      pass.outcome.end = RowsOutcome::End::kInterrupted;
      return 0;
    }
    pass.last = LoadPixelVariables(pass, column, row, sourceRgbPixel, sourceTPixel);
    pass.outcome.lastPixel = rowPixel + column;
    if (EndsPass(pass, pass.engine->Run(ProgramSlot::kTransform), column, row)) return 0;
    StorePixelResult(pass, pass.last, destinationRgbPixel, destinationTPixel);
    sourceRgbPixel += 3;
    sourceTPixel += 1;
    destinationRgbPixel += 3;
    destinationTPixel += 1;
  }
  return 1;
}

// The compiled row's result for a coord other than 0, written as a pixel
// of TransformRow is.
struct CompiledRow {
  Pass* pass;
  CompiledRowFrame frame;
};

void StoreOtherResult(void* context, int32_t column) {
  CompiledRow& row = *static_cast<CompiledRow*>(context);
  StorePixelResult(*row.pass, {row.frame.loadedX, row.frame.loadedY},
                   row.frame.destinationRgb + static_cast<size_t>(column) * 3,
                   row.frame.destinationT + column);
}

// The fetch of FetchSourcePixel for the machine code, which wraps as
// WrapAxis does where the offset is 256 sizes (every pass's); none
// otherwise, leaving each fetch to StoreOtherResult.
CompiledFetch FetchFor(const PassSource& source) {
  CompiledFetch fetch{};
  const RgbtImage& rgb = *source.rgb;
  fetch.tileX = int64_t{256} * rgb.width;
  fetch.tileY = int64_t{256} * rgb.height;
  if (source.tileOffsetX != static_cast<double>(fetch.tileX) ||
      source.tileOffsetY != static_cast<double>(fetch.tileY))
    return fetch;
  fetch.rgb = rgb.data;
  fetch.t = source.transparency->data;
  fetch.rgbRowLength = rgb.rowLength;
  fetch.tRowLength = source.transparency->rowLength;
  fetch.width = rgb.width;
  fetch.height = rgb.height;
  fetch.tileOffsetX = source.tileOffsetX;
  fetch.tileOffsetY = source.tileOffsetY;
  fetch.interpolation = source.interpolation;
  return fetch;
}

// TransformRow with the engine's machine code running the pixels; back here
// for each pixel whose program exited or was stopped, as TransformRow
// handles it.
int32_t TransformRowCompiled(Pass& pass, int32_t rowIndex, RgbtImage& destinationRgb,
                             RgbtImage& destinationT) {
  const RgbtImage& sourceRgb = *pass.source.rgb;
  const RgbtImage& sourceT = *pass.source.transparency;
  CompiledRow row;
  row.pass = &pass;
  CompiledRowFrame& frame = row.frame;
  frame.sourceRgb = sourceRgb.data + static_cast<size_t>(rowIndex) * sourceRgb.rowLength;
  frame.sourceT = sourceT.data + static_cast<size_t>(rowIndex) * sourceT.rowLength;
  frame.destinationRgb =
      destinationRgb.data + static_cast<size_t>(rowIndex) * destinationRgb.rowLength;
  frame.destinationT = destinationT.data + static_cast<size_t>(rowIndex) * destinationT.rowLength;
  frame.storeOther = StoreOtherResult;
  frame.context = &row;
  frame.row = rowIndex;
  frame.loadedX = pass.last.x;
  frame.loadedY = pass.last.y;
  frame.width = sourceRgb.width;
  frame.column = 0;
  frame.fetch = FetchFor(pass.source);
  const int64_t rowPixel = static_cast<int64_t>(rowIndex) * sourceRgb.width;
  for (;;) {
    const int32_t from = frame.column;
    const CompiledRowEnd end = pass.engine->RunCompiledRow(&frame);
    const int32_t column = frame.column;
    pass.last = {frame.loadedX, frame.loadedY};
    if (end.kind != CompiledRowEnd::Kind::kProgramEnded) {
      if (column > from) pass.outcome.lastPixel = rowPixel + column - 1;
      if (end.kind == CompiledRowEnd::Kind::kRowDone) return 1;
      pass.outcome.end = RowsOutcome::End::kInterrupted;
      return 0;
    }
    pass.outcome.lastPixel = rowPixel + column;
    if (EndsPass(pass, end.outcome, column, rowIndex)) return 0;
    StorePixelResult(pass, pass.last, frame.destinationRgb + static_cast<size_t>(column) * 3,
                     frame.destinationT + column);
    frame.column = column + 1;
  }
}

// False when another engine's exit at an earlier pixel, or the budget, has
// ended the pass before this row.
bool RowMayStart(const Pass& pass, int32_t row) {
  if (pass.flags == nullptr) return true;
  if (pass.flags->interrupted.load(std::memory_order_relaxed)) return false;
  const int64_t rowPixel = static_cast<int64_t>(row) * pass.source.rgb->width;
  return rowPixel <= pass.flags->exitPixel.load(std::memory_order_relaxed);
}

// Lowers the flags' exit pixel to this one unless an earlier one is there.
void NoteExit(PassStopFlags& flags, int64_t pixel) {
  int64_t known = flags.exitPixel.load(std::memory_order_relaxed);
  while (pixel < known && !flags.exitPixel.compare_exchange_weak(known, pixel)) {
  }
}

// Runs the rows in order, telling progress after each when asked.
void TransformRows(Pass& pass, const PassFrame& frame, int32_t first, int32_t end) {
  const int32_t height = pass.source.rgb->height;
  for (int32_t row = first; row < end; ++row) {
    if (!RowMayStart(pass, row)) {
      pass.outcome.end = RowsOutcome::End::kCutShort;
      return;
    }
    const int32_t rowFinished =
        pass.compiledRows
            ? TransformRowCompiled(pass, row, *frame.destinationRgb, *frame.destinationT)
            : TransformRow(pass, row, *frame.destinationRgb, *frame.destinationT);
    if (!rowFinished) {
      if (pass.flags == nullptr) return;
      if (pass.outcome.end == RowsOutcome::End::kExited)
        NoteExit(*pass.flags, pass.outcome.lastPixel);
      if (pass.outcome.end == RowsOutcome::End::kInterrupted) pass.flags->interrupted.store(true);
      return;
    }
    ++pass.outcome.rows;
    if (frame.progress != nullptr) frame.progress(row, height);
    if (frame.rowFinished != nullptr) frame.rowFinished(frame.rowContext, row);
  }
}

int32_t PlaneFits(const RgbtImage& plane, const RgbtImage& shape, int32_t channels) {
  return plane.data != nullptr && plane.channels == channels && plane.width == shape.width &&
         plane.height == shape.height && plane.width >= 1 && plane.height >= 1 &&
         static_cast<int64_t>(plane.rowLength) >= static_cast<int64_t>(plane.width) * channels;
}

}  // namespace

int32_t ImagesFitForRun(const Planes& source, const Planes& destination) {
  const RgbtImage& shape = source.rgb;
  return PlaneFits(source.rgb, shape, 3) && PlaneFits(source.t, shape, 1) &&
         PlaneFits(destination.rgb, shape, 3) && PlaneFits(destination.t, shape, 1);
}

namespace transform_pass {

RowsOutcome RunPassRows(ScriptEngine& engine, const PassFrame& frame, int32_t first, int32_t end,
                        PassStopFlags* flags) {
  Pass pass;
  pass.engine = &engine;
  pass.source = frame.source;
  pass.flags = flags;
  // Machine code for the program, made or checked once per call, for the
  // engine that runs these rows.
  engine.ChooseEngine();
  pass.last = {0.0, 0.0};
  if (!engine.BindPixelCells(&pass.cells)) {
    pass.outcome.end = RowsOutcome::End::kCutShort;
    return pass.outcome;
  }
  pass.polarNamed = engine.NamesOnDemandVariable(ProgramSlot::kTransform);
  pass.compiledRows = engine.HasCompiledRow();
  TransformRows(pass, frame, first, end);
  // The variables keep the last pixel's values, r and t included.
  if (!pass.polarNamed) StorePolar(pass.cells, pass.last);
  return pass.outcome;
}

void RunOnePixel(ScriptEngine& engine, const PassFrame& frame, int32_t column, int32_t row,
                 const RunObserver& observer, PixelOutcome* pixel) {
  Pass pass;
  pass.engine = &engine;
  pass.source = frame.source;
  pass.flags = nullptr;
  if (!engine.BindPixelCells(&pass.cells)) return;
  pass.polarNamed = engine.NamesOnDemandVariable(ProgramSlot::kTransform);
  pass.compiledRows = false;
  const RgbtImage& sourceRgb = *frame.source.rgb;
  const RgbtImage& sourceT = *frame.source.transparency;
  const size_t rgbAt = static_cast<size_t>(row) * sourceRgb.rowLength + column * 3;
  const size_t tAt = static_cast<size_t>(row) * sourceT.rowLength + column;
  uint8_t* destinationRgb = frame.destinationRgb->data +
                            static_cast<size_t>(row) * frame.destinationRgb->rowLength + column * 3;
  uint8_t* destinationT =
      frame.destinationT->data + static_cast<size_t>(row) * frame.destinationT->rowLength + column;
  if (!engine.SpendWork(1)) return;
  pass.last = LoadPixelVariables(pass, column, row, sourceRgb.data + rgbAt, sourceT.data + tAt);
  pixel->x = pass.last.x;
  pixel->y = pass.last.y;
  pixel->transform = engine.RunTraced(ProgramSlot::kTransform, observer);
  pixel->ran = true;
  pixel->coord = *pass.cells.coord;
  if (!EndsPass(pass, pixel->transform, column, row)) {
    const double coord = pixel->coord;
    pixel->written = coord >= 0.0 && coord <= 2.0;
    if (pixel->written && coord != 0.0)
      ReadPosition(pass, pass.last, coord, &pixel->readX, &pixel->readY);
    StorePixelResult(pass, pass.last, destinationRgb, destinationT);
  }
  if (!pass.polarNamed) StorePolar(pass.cells, pass.last);
  for (int32_t k = 0; k < 3; ++k) pixel->rgb[k] = destinationRgb[k];
  pixel->t = *destinationT;
}

}  // namespace transform_pass

PassOutcome TransformPixels(const Planes& source, const ResultPlanes& destination,
                            ScriptEngine& engine, Interpolation interpolation,
                            PassThreads* threads) {
  PassOutcome outcome{0, false, {}};
  if (!ImagesFitForRun(source, destination)) return outcome;
  PixelCells cells;
  if (!engine.BindPixelCells(&cells)) return outcome;
  transform_pass::PassFrame frame;
  frame.source = {&source.rgb, &source.t, source.rgb.width * kTilesBeforeOrigin,
                  source.rgb.height * kTilesBeforeOrigin, interpolation};
  frame.destinationRgb = &destination.rgb;
  frame.destinationT = &destination.t;
  frame.progress = destination.rgb.progress;
  if (threads != nullptr && transform_pass::RunPassOnThreads(engine, frame, *threads, &outcome))
    return outcome;
  const RowsOutcome rows =
      transform_pass::RunPassRows(engine, frame, 0, source.rgb.height, nullptr);
  outcome.rows = rows.rows;
  outcome.interrupted = rows.end == RowsOutcome::End::kInterrupted;
  outcome.firstStop = rows.firstStop;
  return outcome;
}
