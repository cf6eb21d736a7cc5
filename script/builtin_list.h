// The built-in functions, one row each, in the order the compiler looks
// names up. Everything that describes a built-in is read from here: the
// handler prototypes (builtins.h), BuiltinTable and its code index
// (builtin_table.cpp), OP_EXIT (script.h), the execution loop's step for
// exit (run.cpp), what the analyses know of a call (BuiltinEffect) and the
// help that `morfel functions` and the studio's editor show.
//
// Not an ordinary header: it has no include guard. A reader defines
// MORFEL_BUILTIN, includes this file, and gets one expansion per row; the
// macro is undefined again at the end.
//
// MORFEL_BUILTIN(name, code, args, stackArgs, form, handler, effect,
//                arguments, help)
//   name       the name in the script
//   code       the OP code of a call, never 0: one or two characters, the
//              first in the low byte ("P" with variant 1 is 0x150)
//   args       arguments as written, a string literal included
//   stackArgs  values the call takes from the stack: a string literal goes
//              to the text register and takes none; one result is left
//   form       CALL (the handler computes the result) or EXIT (ends the
//              run; Run carries it out itself and the handler is nullptr)
//   handler    the function that carries it out (builtins.h)
//   effect     what a call does besides computing its value: BuiltinEffect's
//              enumerator without its k (script.h); it decides whether
//              pixels calling it may run on several threads
//   arguments  the arguments as a call writes them, for the help
//   help       one line saying what it does; positions (x, y) are offsets
//              from the centre (cx, cy) and wrap around the image
//
// clang-format off
#ifndef MORFEL_BUILTIN
#define MORFEL_BUILTIN(name, code, args, stackArgs, form, handler, effect, arguments, help)
#endif

//             name         code    args stack form  handler            effect        arguments
//             help
MORFEL_BUILTIN("sin",       0x73,   1,   1,    CALL, BuiltinSin,        Pure,         "n",
               "sine of n radians")
MORFEL_BUILTIN("cos",       0x63,   1,   1,    CALL, BuiltinCos,        Pure,         "n",
               "cosine of n radians")
MORFEL_BUILTIN("tan",       0x74,   1,   1,    CALL, BuiltinTan,        Pure,         "n",
               "tangent of n radians")
MORFEL_BUILTIN("exp",       0x65,   1,   1,    CALL, BuiltinExp,        Pure,         "n",
               "e to the power n")
MORFEL_BUILTIN("log",       0x6C,   1,   1,    CALL, BuiltinLog,        Pure,         "n",
               "natural logarithm; 0 for n <= 0")
MORFEL_BUILTIN("pow",       0x70,   2,   2,    CALL, BuiltinPow,        Pure,         "n, m",
               "n to the power m")
MORFEL_BUILTIN("abs",       0x61,   1,   1,    CALL, BuiltinAbs,        Pure,         "n",
               "absolute value")
MORFEL_BUILTIN("sqrt",      0x53,   1,   1,    CALL, BuiltinSqrt,       Pure,         "n",
               "square root of the absolute value")
MORFEL_BUILTIN("rand",      0x72,   2,   2,    CALL, BuiltinRand,       Random,       "min, max",
               "a random value above min up to max, in 10000 steps")
MORFEL_BUILTIN("srand",     0x52,   1,   1,    CALL, BuiltinSrand,      Random,       "n",
               "seeds rand with n; gives 0")
MORFEL_BUILTIN("int",       0x69,   1,   1,    CALL, BuiltinInt,        Pure,         "n",
               "n rounded down: int(2.7) is 2, int(-2.7) is -3")
MORFEL_BUILTIN("acos",      0x163,  1,   1,    CALL, BuiltinAcos,       Pure,         "n",
               "arc cosine in radians; 0 outside -1 to 1")
MORFEL_BUILTIN("asin",      0x173,  1,   1,    CALL, BuiltinAsin,       Pure,         "n",
               "arc sine in radians; 0 outside -1 to 1")
MORFEL_BUILTIN("atan2",     0x174,  2,   2,    CALL, BuiltinAtan2,      Pure,         "y, x",
               "angle of the point (x, y), -pi to pi")
MORFEL_BUILTIN("min",       0x6D,   2,   2,    CALL, BuiltinMin,        Pure,         "a, b",
               "the smaller of a and b")
MORFEL_BUILTIN("max",       0x4D,   2,   2,    CALL, BuiltinMax,        Pure,         "a, b",
               "the larger of a and b")
MORFEL_BUILTIN("sgn",       0x7A,   1,   1,    CALL, BuiltinSgn,        Pure,         "n",
               "1, -1 or 0 by the sign of n")
MORFEL_BUILTIN("exit",      0x71,   1,   1,    EXIT, nullptr,           Ends,         "n",
               "ends the program; a negative n ends the whole pass")
MORFEL_BUILTIN("get",       0x50,   2,   2,    CALL, BuiltinGet,        GetsSource,   "x, y",
               "sets R, G, B to the source pixel at (x, y); gives G")
MORFEL_BUILTIN("_get",      0x250,  2,   2,    CALL, BuiltinDstGet,     ReadsResult,  "x, y",
               "sets R, G, B to the result pixel at (x, y); gives G")
MORFEL_BUILTIN("add",       0x150,  3,   3,    CALL, BuiltinAdd,        AddsSource,   "x, y, w",
               "adds w times the source pixel at (x, y) to R, G, B; gives G")
MORFEL_BUILTIN("_add",      0x350,  3,   3,    CALL, BuiltinDstAdd,     ReadsResult,  "x, y, w",
               "adds w times the result pixel at (x, y) to R, G, B; gives G")
MORFEL_BUILTIN("getb",      0x450,  3,   3,    CALL, BuiltinGetb,       GetsSlot,     "n, x, y",
               "sets R, G, B to the pixel (x, y) of image slot n; gives G")
MORFEL_BUILTIN("R",         0x32,   2,   2,    CALL, BuiltinSrcR,       ReadsSource,  "x, y",
               "red of the source at (x, y), bilinear")
MORFEL_BUILTIN("G",         0x31,   2,   2,    CALL, BuiltinSrcG,       ReadsSource,  "x, y",
               "green of the source at (x, y)")
MORFEL_BUILTIN("B",         0x30,   2,   2,    CALL, BuiltinSrcB,       ReadsSource,  "x, y",
               "blue of the source at (x, y)")
MORFEL_BUILTIN("T",         0x33,   2,   2,    CALL, BuiltinSrcT,       ReadsSource,  "x, y",
               "transparency of the source at (x, y)")
MORFEL_BUILTIN("_R",        0x37,   2,   2,    CALL, BuiltinDstR,       ReadsResult,  "x, y",
               "red of the result at (x, y)")
MORFEL_BUILTIN("_G",        0x36,   2,   2,    CALL, BuiltinDstG,       ReadsResult,  "x, y",
               "green of the result at (x, y)")
MORFEL_BUILTIN("_B",        0x35,   2,   2,    CALL, BuiltinDstB,       ReadsResult,  "x, y",
               "blue of the result at (x, y)")
MORFEL_BUILTIN("_T",        0x38,   2,   2,    CALL, BuiltinDstT,       ReadsResult,  "x, y",
               "transparency of the result at (x, y)")
MORFEL_BUILTIN("HLS",       0x48,   3,   3,    CALL, BuiltinHls,        SetsHls,      "r, g, b",
               "sets H, L, S (0 to 255) from a colour; gives H")
MORFEL_BUILTIN("RGB",       0x148,  3,   3,    CALL, BuiltinRgb,        SetsRgb,      "h, l, s",
               "sets R, G, B from hue, lightness, saturation; gives G")
MORFEL_BUILTIN("SetMatrix3",0x5A,   11,  11,   CALL, BuiltinSetMatrix3, SetsMatrix,   "n, k0, ..., k8, f",
               "defines 3x3 matrix n with factor f")
MORFEL_BUILTIN("SetMatrix5",0x59,   27,  27,   CALL, BuiltinSetMatrix5, SetsMatrix,   "n, k0, ..., k24, f",
               "defines 5x5 matrix n with factor f")
MORFEL_BUILTIN("LoadBmp",   0x49,   2,   1,    CALL, BuiltinLoadBmp,    LoadsImage,   "\"name\", n",
               "loads Tarvo/name.bmp into image slot n; 1 or 0")
MORFEL_BUILTIN("LoadBmpNum",0x4A,   3,   2,    CALL, BuiltinLoadBmpNum, LoadsImage,   "\"name\", n, k",
               "loads Tarvo/nameKK.bmp (k as two digits) into slot n")
MORFEL_BUILTIN("Conv",      0x58,   3,   3,    CALL, BuiltinConv,       Convolves,    "n, x, y",
               "convolves the source with matrix n at (x, y) into R, G, B, T; gives G")
MORFEL_BUILTIN("_Conv",     0x5F78, 3,   3,    CALL, BuiltinDstConv,    ReadsResult,  "n, x, y",
               "the same convolution of the source as Conv; gives G")
MORFEL_BUILTIN("_Fill",     0x5F66, 3,   3,    CALL, BuiltinFill,       WritesResult, "r, g, b",
               "blends the colour over the whole result with opacity T")
MORFEL_BUILTIN("_FillT",    0x5F46, 1,   1,    CALL, BuiltinFillT,      WritesResult, "v",
               "sets the result's whole T plane to v")
MORFEL_BUILTIN("_Copy",     0x5F63, 1,   1,    CALL, BuiltinCopy,       WritesResult, "mode",
               "source into result: 0 copy, 1 add, 2 subtract, 3 reverse subtract, "
               "4 multiply, 5 difference, -1 exchange")
MORFEL_BUILTIN("_Draw",     0x5F64, 3,   3,    CALL, BuiltinDraw,       WritesResult, "n, x, y",
               "paints R, G, B with opacity T through stencil slot n centred at (x, y)")
MORFEL_BUILTIN("_DrawT",    0x5F44, 3,   3,    CALL, BuiltinDrawT,      WritesResult, "n, x, y",
               "raises the result's T by T through stencil slot n")
MORFEL_BUILTIN("_Pset",     0x5F70, 2,   2,    CALL, BuiltinPset,       WritesResult, "x, y",
               "writes R, G, B into the result pixel at (x, y)")
MORFEL_BUILTIN("_Tset",     0x5F74, 2,   2,    CALL, BuiltinTset,       WritesResult, "x, y",
               "writes T into the result's T plane at (x, y)")
MORFEL_BUILTIN("xs",        0x7873, 1,   1,    CALL, BuiltinSlotWidth,  SlotSize,     "n",
               "width of image slot n")
MORFEL_BUILTIN("ys",        0x7973, 1,   1,    CALL, BuiltinSlotHeight, SlotSize,     "n",
               "height of image slot n")
MORFEL_BUILTIN("clean",     0x43,   1,   1,    CALL, BuiltinClean,      ChangesSource, "v",
               "sets every fully transparent source pixel to grey v")

#undef MORFEL_BUILTIN
// clang-format on
