// Compiling and running script texts on a tiny image: the input is an Init
// text and a Transform text separated by the first NUL byte. No text may
// crash the engine or touch memory outside its buffers.
#include <string>

#include "fuzz/fuzz_support.h"
#include "library/library.h"
#include "script/script.h"
#include "transform/transform.h"

namespace {

// Checks of the run budget a run may pass: a few times kWorkBetweenChecks
// loop turns or pixels.
constexpr int kChecks = 4;

// A program text as the dialogs hold it: at most 2047 characters.
std::string ProgramText(const char* start, size_t length) {
  return std::string(start, length < 2047 ? length : 2047);
}

void FillSource(RgbtImage& rgb, RgbtImage& t) {
  for (int32_t y = 0; y < rgb.height; ++y) {
    for (int32_t x = 0; x < rgb.width; ++x) {
      uint8_t* pixel = rgb.PixelAddress(x, y, 0);
      pixel[0] = static_cast<uint8_t>(40 * x);
      pixel[1] = static_cast<uint8_t>(60 * y);
      pixel[2] = static_cast<uint8_t>(90 + x + y);
      *t.PixelAddress(x, y, 0) = static_cast<uint8_t>(200 - x);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  size_t split = 0;
  while (split < size && data[split] != 0) ++split;
  std::string init = ProgramText(text, split);
  std::string transform = split < size ? ProgramText(text + split + 1, size - split - 1) : "";
  transform = transform.c_str();
  ScriptEngine engine;
  engine.SetBaseFolder(ScratchBaseFolder().c_str());
  char initCode[kScriptTextSize];
  StripDeclarationLines(init.c_str(), "?", initCode, sizeof initCode);
  const bool initCompiled = !engine.Compile(initCode, ProgramSlot::kInit).Failed();
  const bool transformCompiled =
      !engine.Compile(transform.c_str(), ProgramSlot::kTransform).Failed();
  if (!initCompiled || !transformCompiled) return 0;
  RgbtImage sourceRgb(4, 3, 3);
  RgbtImage sourceT(4, 3, 1);
  ProgressImage destinationRgb(4, 3, 3);
  RgbtImage destinationT(4, 3, 1);
  FillSource(sourceRgb, sourceT);
  // Endless loops and many passes are cut short by a budget of a few checks.
  int checks = 0;
  RunEnvironment environment{&engine, nullptr, nullptr, nullptr};
  environment.budget = {[](void* count) { return ++*static_cast<int*>(count) < kChecks; }, &checks};
  RunFlags flags = 0;
  const auto interpolation = static_cast<Interpolation>(size % 3);
  RunTransform(environment, {sourceRgb, sourceT}, {destinationRgb, destinationT}, interpolation,
               &flags);
  return 0;
}
