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

// Built-ins that read the images of a run through the centre cells and
// write colour variables through the bound cells.
const char* const kPixelCalls[][2] = {
    {"get", "2"}, {"add", "3"}, {"HLS", "3"}, {"RGB", "3"}, {"R", "2"}, {"_G", "2"}, {"T", "2"},
};

// Positions for the pixel calls' first two arguments: inside the image, at
// and across its edges, far out on either side, between pixels and not
// numbers at all.
const char* const kPositions[] = {
    "x",        "y",       "x + 1",     "y - 1",     "-cx",    "cy - 1", "cx",       "-cy - 1",
    "x * 3",    "x + 0.5", "y - 0.25",  "-2000.5",   "1e12",   "-1e300", "sqrt(-1)", "1e99999",
    "x - 4096", "2 * cx",  "y + 1 - 1", "-cx + 0.5", "x - k0", "y + k1",
};

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
      case 7: {
        if (!calls) return random.Pick(kNames);
        const bool pixel = pixelCalls && random.Below(2);
        const auto& call = pixel ? random.Pick(kPixelCalls) : random.Pick(kSafeCalls);
        // Arguments are additive expressions: anything looser goes in parentheses.
        std::string text = std::string(call[0]) + "((" + Argument(pixel, 0, depth) + ")";
        for (char n = '2'; n <= call[1][0]; ++n)
          text += ", (" + Argument(pixel, n - '1', depth) + ")";
        return text + ")";
      }
      default:
        return "(" + Expression(depth + 1) + ", " + Expression(depth + 1) + ")";
    }
  }

  // Argument `n` of a call: of a pixel call's position, mostly one of the
  // positions above.
  std::string Argument(bool pixel, int n, int depth) {
    if (pixel && n < 2 && constants && random.Below(3) == 0) return random.Pick(kConstantPositions);
    if (pixel && n < 2 && random.Below(3) != 0) return random.Pick(kPositions);
    return Expression(depth + 1);
  }

  // A body must hold a statement of its own: an empty line after the
  // condition's ")" is taken with the ")".
  std::string Statement(int depth, bool body = false) {
    int shape = depth > 3 ? random.Below(2) : random.Below(body ? 5 : 6);
    switch (shape) {
      case 0:
        return std::string(random.Pick(kNames)) + " = " + Expression(depth) + ";\n";
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
