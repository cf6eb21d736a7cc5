// One line of help for every built-in function and variable: what
// `morfel functions` prints and the studio's editor offers as it completes
// and explains a name. The names and argument counts come from the
// compiler's own tables; these lines only describe them.
#include <cstring>

#include "script/script.h"

namespace {

// Positions (x, y) are offsets from the centre (cx, cy), like the pixel
// variables x and y, and wrap around the image.
const BuiltinHelp kFunctionHelp[] = {
    {"sin", "n", "sine of n radians"},
    {"cos", "n", "cosine of n radians"},
    {"tan", "n", "tangent of n radians"},
    {"exp", "n", "e to the power n"},
    {"log", "n", "natural logarithm; 0 for n <= 0"},
    {"pow", "n, m", "n to the power m"},
    {"abs", "n", "absolute value"},
    {"sqrt", "n", "square root of the absolute value"},
    {"rand", "min, max", "a random value above min up to max, in 10000 steps"},
    {"srand", "n", "seeds rand with n; gives 0"},
    {"int", "n", "n rounded down: int(2.7) is 2, int(-2.7) is -3"},
    {"acos", "n", "arc cosine in radians; 0 outside -1 to 1"},
    {"asin", "n", "arc sine in radians; 0 outside -1 to 1"},
    {"atan2", "y, x", "angle of the point (x, y), -pi to pi"},
    {"min", "a, b", "the smaller of a and b"},
    {"max", "a, b", "the larger of a and b"},
    {"sgn", "n", "1, -1 or 0 by the sign of n"},
    {"exit", "n", "ends the program; a negative n ends the whole pass"},
    {"get", "x, y", "sets R, G, B to the source pixel at (x, y); gives G"},
    {"_get", "x, y", "sets R, G, B to the result pixel at (x, y); gives G"},
    {"add", "x, y, w", "adds w times the source pixel at (x, y) to R, G, B; gives G"},
    {"_add", "x, y, w", "adds w times the result pixel at (x, y) to R, G, B; gives G"},
    {"getb", "n, x, y", "sets R, G, B to the pixel (x, y) of image slot n; gives G"},
    {"R", "x, y", "red of the source at (x, y), bilinear"},
    {"G", "x, y", "green of the source at (x, y)"},
    {"B", "x, y", "blue of the source at (x, y)"},
    {"T", "x, y", "transparency of the source at (x, y)"},
    {"_R", "x, y", "red of the result at (x, y)"},
    {"_G", "x, y", "green of the result at (x, y)"},
    {"_B", "x, y", "blue of the result at (x, y)"},
    {"_T", "x, y", "transparency of the result at (x, y)"},
    {"HLS", "r, g, b", "sets H, L, S (0 to 255) from a colour; gives H"},
    {"RGB", "h, l, s", "sets R, G, B from hue, lightness, saturation; gives G"},
    {"SetMatrix3", "n, k0, ..., k8, f", "defines 3x3 matrix n with factor f"},
    {"SetMatrix5", "n, k0, ..., k24, f", "defines 5x5 matrix n with factor f"},
    {"LoadBmp", "\"name\", n", "loads Tarvo/name.bmp into image slot n; 1 or 0"},
    {"LoadBmpNum", "\"name\", n, k", "loads Tarvo/nameKK.bmp (k as two digits) into slot n"},
    {"Conv", "n, x, y", "convolves the source with matrix n at (x, y) into R, G, B, T; gives G"},
    {"_Conv", "n, x, y", "the same convolution of the source as Conv; gives G"},
    {"_Fill", "r, g, b", "blends the colour over the whole result with opacity T"},
    {"_FillT", "v", "sets the result's whole T plane to v"},
    {"_Copy", "mode",
     "source into result: 0 copy, 1 add, 2 subtract, 3 reverse subtract, "
     "4 multiply, 5 difference, -1 exchange"},
    {"_Draw", "n, x, y", "paints R, G, B with opacity T through stencil slot n centred at (x, y)"},
    {"_DrawT", "n, x, y", "raises the result's T by T through stencil slot n"},
    {"_Pset", "x, y", "writes R, G, B into the result pixel at (x, y)"},
    {"_Tset", "x, y", "writes T into the result's T plane at (x, y)"},
    {"xs", "n", "width of image slot n"},
    {"ys", "n", "height of image slot n"},
    {"clean", "v", "sets every fully transparent source pixel to grey v"},
};

}  // namespace

const BuiltinHelp kBuiltinVariableHelp[] = {
    {"x", "", "the pixel's column minus cx; with coord 2 where the colour comes from"},
    {"y", "", "the pixel's row minus cy"},
    {"r", "", "distance of (x, y) from the centre; with coord 1 where the colour comes from"},
    {"t", "", "angle of (x, y), -pi to pi"},
    {"xs", "", "image width"},
    {"ys", "", "image height"},
    {"cx", "", "centre column, xs/2"},
    {"cy", "", "centre row, ys/2"},
    {"pi", "", "3.14159"},
    {"R", "", "red of the pixel, 0 to 255"},
    {"G", "", "green of the pixel"},
    {"B", "", "blue of the pixel"},
    {"T", "", "transparency of the pixel (255 opaque)"},
    {"H", "", "hue set by HLS"},
    {"L", "", "lightness set by HLS"},
    {"S", "", "saturation set by HLS"},
    {"coord", "", "0 the colour in R, G, B, T; 1 the source at (r, t); 2 at (x, y); default 1"},
    {"loop", "", "passes of the Transform text; counts down to 1 (default 1)"},
    {"vTplane", "", "not 0: the preview darkens the image by T"},
    {"vScale", "", "not 0: the preview shows unscaled source pixels"},
    {"keepImage", "", "0: each pass reads the last pass's result; else the source"},
    {nullptr, nullptr, nullptr},
};

const BuiltinHelp* FindFunctionHelp(const char* name) {
  for (const BuiltinHelp& function : kFunctionHelp) {
    if (std::strcmp(function.name, name) == 0) return &function;
  }
  return nullptr;
}
