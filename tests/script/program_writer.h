// Seeded random programs that always compile and whose loops always end,
// for the tests that run many programs (the compiler, both engines).
#pragma once

#include <string>

#include "tests/script/seeded_random.h"

namespace {

// Built-ins that need no images or files; the others are left to their own
// tests.
const char* const kSafeCalls[][2] = {
    {"sin", "1"}, {"cos", "1"}, {"pow", "2"},  {"abs", "1"},  {"sqrt", "1"},
    {"int", "1"}, {"min", "2"}, {"max", "2"},  {"sgn", "1"},  {"atan2", "2"},
    {"log", "1"}, {"exp", "1"}, {"acos", "1"}, {"exit", "1"},
};

// Built-ins that read or write the images of a run through the centre cells
// and colour variables through the bound cells: name, arguments, and the
// argument where the position starts (after a matrix or slot number).
const char* const kPixelCalls[][3] = {
    {"get", "2", "0"},  {"add", "3", "0"},   {"HLS", "3", "0"},   {"RGB", "3", "0"},
    {"R", "2", "0"},    {"_G", "2", "0"},    {"T", "2", "0"},     {"getb", "3", "1"},
    {"Conv", "3", "1"}, {"_Conv", "3", "1"}, {"_Pset", "2", "0"}, {"_Tset", "2", "0"},
};

// Matrix and slot numbers: set (1 and 2 by MatrixDefinitions, slots by the
// test), never set, outside 0..7, truncated toward 0, not numbers.
const char* const kSlotNumbers[] = {"0", "1", "1",  "2",   "2",    "3",
                                    "7", "8", "-1", "1.5", "-0.5", "sqrt(-1)"};
// Positions near the centre pixel, where a whole convolution window fits
// the small test images.
const char* const kNearPositions[] = {"0", "1", "-1", "0.5", "-0.75", "x", "-y", "x + 1"};

// Coefficients for the matrices: ordinary, zeros of either sign, then the
// kWildCoefficients that only some matrices draw (huge, not numbers), as
// one of them makes most sums infinite or NaN.
const char* const kCoefficients[] = {"1",  "-1",   "0.5",   "-0.25", "2",      "0",
                                     "-0", "3.75", "1 / 3", "1e300", "-1e300", "sqrt(-1)"};
constexpr int kWildCoefficients = 3;

// Positions for the pixel calls' first two arguments: inside the image, at
// and across its edges, far out on either side, between pixels and not
// numbers at all.
const char* const kPositions[] = {
    "x",        "y",       "x + 1",     "y - 1",     "-cx",    "cy - 1", "cx",       "-cy - 1",
    "x * 3",    "x + 0.5", "y - 0.25",  "-2000.5",   "1e12",   "-1e300", "sqrt(-1)", "1e99999",
    "x - 4096", "2 * cx",  "y + 1 - 1", "-cx + 0.5", "x - k0", "y + k1",
};

// Values of T around the ends of what _Tset keeps in 32 bits.
const char* const kOpacities[] = {"3e9",         "-3e9",        "2147483647.5",
                                  "-2147483648", "-2147483649", "1e99999",
                                  "sqrt(-1)",    "255.5",       "-1"};

// Variables a run's Init sets and its Transform only reads (the run's
// constants), and positions that read them as the clamping filters do.
const char* const kConstantNames[] = {"q0", "q1", "q2"};
const char* const kConstantPositions[] = {"min(max(x + k0, q1), q2)", "min(max(y - k1, q2), q1)",
                                          "x + q0", "q1 - y", "q2"};

const char* const kNames[] = {"a", "b", "c", "x", "y", "R", "if", "sin", "_u1", "t", "H", "r"};

class ProgramWriter {
 public:
  explicit ProgramWriter(Random& random) : random(random) {}

  // Also calls that read the run's images and write colour variables
  // (a program run over images only).
  bool pixelCalls = false;
  // No calls at all: straight arithmetic, ifs and loops.
  bool calls = true;
  // Also reads of q0, q1 and q2, which the program never writes: in
  // expressions, loop bounds (q0 alone: it must stay small) and positions.
  bool constants = false;

  // Init statements that set matrix 1 (3x3) and 2 (5x5) for Conv.
  std::string MatrixDefinitions() {
    return "SetMatrix3(1" + Coefficients(10) + ");\nSetMatrix5(2" + Coefficients(26) + ");\n";
  }

  std::string Program() {
    std::string text;
    int statements = 1 + random.Below(4);
    for (int k = 0; k < statements; ++k) text += Statement(0);
    return text;
  }

 private:
  std::string Expression(int depth) {
    int shape = depth > 3 ? random.Below(3) : random.Below(9);
    switch (shape) {
      case 0:
        return std::to_string(random.Below(2000) - 1000) + (random.Below(2) ? ".5" : "");
      case 1:
        return constants && random.Below(3) == 0 ? random.Pick(kConstantNames)
                                                 : random.Pick(kNames);
      case 2:
        return "\"str\"";
      case 3:
        return "(" + Expression(depth + 1) + ")";
      case 4:
        return "-" + Expression(depth + 1);
      case 5: {
        static const char* const ops[] = {"+", "-", "*", "/", "%", "&&", "||"};
        return Expression(depth + 1) + " " + random.Pick(ops) + " " + Expression(depth + 1);
      }
      case 6: {
        static const char* const ops[] = {"<", ">", "<=", ">=", "==", "!="};
        return "(" + Expression(depth + 1) + random.Pick(ops) + Expression(depth + 1) + ")";
      }
      case 7:
        if (!calls) return random.Pick(kNames);
        return Call(pixelCalls && random.Below(2), depth);
      default:
        return "(" + Expression(depth + 1) + ", " + Expression(depth + 1) + ")";
    }
  }

  std::string Call(bool pixel, int depth) {
    const char* const* call = pixel ? random.Pick(kPixelCalls) : random.Pick(kSafeCalls);
    const int position = pixel ? call[2][0] - '0' : -1;
    // Arguments are additive expressions: anything looser goes in parentheses.
    std::string text = std::string(call[0]) + "((" + Argument(position, 0, depth) + ")";
    for (char n = '2'; n <= call[1][0]; ++n)
      text += ", (" + Argument(position, n - '1', depth) + ")";
    return text + ")";
  }

  std::string Coefficients(int count) {
    const int choices = static_cast<int>(sizeof kCoefficients / sizeof kCoefficients[0]) -
                        (random.Below(4) == 0 ? 0 : kWildCoefficients);
    std::string text;
    for (int k = 0; k < count; ++k)
      text += std::string(", ") + kCoefficients[random.Below(choices)];
    return text;
  }

  // Argument `n` of a call whose position starts at argument `position`
  // (-1: none): of the position, mostly one of the positions above; of a
  // matrix or slot number before it, mostly one of those; sometimes a
  // clamped position reading the run's constants.
  std::string Argument(int position, int n, int depth) {
    const bool ofPosition = position >= 0 && n >= position && n < position + 2;
    if (ofPosition && constants && random.Below(3) == 0) return random.Pick(kConstantPositions);
    if (position >= 0 && random.Below(3) != 0) {
      if (n < position) return random.Pick(kSlotNumbers);
      if (n < position + 2)
        return position > 0 && random.Below(2) ? random.Pick(kNearPositions)
                                               : random.Pick(kPositions);
    }
    return Expression(depth + 1);
  }

  // A body must hold a statement of its own: an empty line after the
  // condition's ")" is taken with the ")".
  std::string Statement(int depth, bool body = false) {
    int shape = depth > 3 ? random.Below(2) : random.Below(body ? 5 : 6);
    // Pixel calls as statements of their own too, so that the rarer cases
    // (a whole window inside the image) come up often enough.
    if (pixelCalls && random.Below(4) == 0) return Call(true, depth) + ";\n";
    switch (shape) {
      case 0: {
        // T, which _Tset writes, only where pixel calls may read it.
        const bool opacity = pixelCalls && random.Below(6) == 0;
        if (opacity && random.Below(2))
          return std::string("T = ") + random.Pick(kOpacities) + ";\n";
        return std::string(opacity ? "T" : random.Pick(kNames)) + " = " + Expression(depth) + ";\n";
      }
      case 1:
        return Expression(depth) + ";\r\n";
      case 2:
        return "if (" + Expression(depth) + ") " + Statement(depth + 1, true);
      case 3:
        return "if (" + Expression(depth) + ") {\n" + Statement(depth + 1, true) + "} else " +
               Statement(depth + 1, true);
      case 4: {
        // Counters are never assigned by other statements, so loops end.
        std::string counter = "k" + std::to_string(depth);
        const std::string bound =
            constants && random.Below(2) ? "q0" : std::to_string(random.Below(5));
        return counter + " = 0;\nwhile (" + counter + " < " + bound + ") {\n" + counter + " = " +
               counter + " + 1;\n" + Statement(depth + 1, true) + "}\n";
      }
      default:
        return "\n";
    }
  }

  Random& random;
};

}  // namespace
