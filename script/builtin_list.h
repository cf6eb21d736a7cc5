// The built-in functions, one line each, in the order the compiler looks
// names up. The handler prototypes (builtins.h), BuiltinTable and its code
// index (builtin_table.cpp), OP_EXIT (script.h) and the execution loop's
// step for exit (run.cpp) are generated from these lines.
//
// Not an ordinary header: it has no include guard. A reader defines
// MORFEL_BUILTIN, includes this file, and gets one expansion per line; the
// macro is undefined again at the end.
//
// MORFEL_BUILTIN(name, code, args, stackArgs, form, handler)
//   name       the name in the script
//   code       the OP code of a call, never 0: one or two characters, the
//              first in the low byte ("P" with variant 1 is 0x150)
//   args       arguments as written, a string literal included
//   stackArgs  values the call takes from the stack: a string literal goes
//              to the text register and takes none; one result is left
//   form       CALL (the handler computes the result) or EXIT (ends the
//              run; Run carries it out itself and the handler is nullptr)
//   handler    the function that carries it out (builtins.h)
//
// clang-format off
#ifndef MORFEL_BUILTIN
#define MORFEL_BUILTIN(name, code, args, stackArgs, form, handler)
#endif

//             name          code    args stack form  handler
MORFEL_BUILTIN("sin",        0x73,   1,   1,    CALL, BuiltinSin)         // sine of radians
MORFEL_BUILTIN("cos",        0x63,   1,   1,    CALL, BuiltinCos)         // cosine of radians
MORFEL_BUILTIN("tan",        0x74,   1,   1,    CALL, BuiltinTan)         // tangent of radians
MORFEL_BUILTIN("exp",        0x65,   1,   1,    CALL, BuiltinExp)         // e to the power
MORFEL_BUILTIN("log",        0x6C,   1,   1,    CALL, BuiltinLog)         // natural logarithm
MORFEL_BUILTIN("pow",        0x70,   2,   2,    CALL, BuiltinPow)         // a to the power b
MORFEL_BUILTIN("abs",        0x61,   1,   1,    CALL, BuiltinAbs)         // absolute value
MORFEL_BUILTIN("sqrt",       0x53,   1,   1,    CALL, BuiltinSqrt)        // square root
MORFEL_BUILTIN("rand",       0x72,   2,   2,    CALL, BuiltinRand)        // random value between min and max
MORFEL_BUILTIN("srand",      0x52,   1,   1,    CALL, BuiltinSrand)       // seeds rand
MORFEL_BUILTIN("int",        0x69,   1,   1,    CALL, BuiltinInt)         // rounds toward minus infinity
MORFEL_BUILTIN("acos",       0x163,  1,   1,    CALL, BuiltinAcos)        // arc cosine
MORFEL_BUILTIN("asin",       0x173,  1,   1,    CALL, BuiltinAsin)        // arc sine
MORFEL_BUILTIN("atan2",      0x174,  2,   2,    CALL, BuiltinAtan2)       // angle of (x, y), y first
MORFEL_BUILTIN("min",        0x6D,   2,   2,    CALL, BuiltinMin)         // smaller of two
MORFEL_BUILTIN("max",        0x4D,   2,   2,    CALL, BuiltinMax)         // larger of two
MORFEL_BUILTIN("sgn",        0x7A,   1,   1,    CALL, BuiltinSgn)         // -1, 0 or 1
MORFEL_BUILTIN("exit",       0x71,   1,   1,    EXIT, nullptr)            // ends the run with n
MORFEL_BUILTIN("get",        0x50,   2,   2,    CALL, BuiltinGet)         // R, G, B from the source pixel at (x, y)
MORFEL_BUILTIN("_get",       0x250,  2,   2,    CALL, BuiltinDstGet)      // R, G, B from the destination pixel
MORFEL_BUILTIN("add",        0x150,  3,   3,    CALL, BuiltinAdd)         // adds w times the source pixel to R, G, B
MORFEL_BUILTIN("_add",       0x350,  3,   3,    CALL, BuiltinDstAdd)      // adds w times the destination pixel
MORFEL_BUILTIN("getb",       0x450,  3,   3,    CALL, BuiltinGetb)        // R, G, B from an image slot's pixel
MORFEL_BUILTIN("R",          0x32,   2,   2,    CALL, BuiltinSrcR)        // source red at (x, y)
MORFEL_BUILTIN("G",          0x31,   2,   2,    CALL, BuiltinSrcG)        // source green
MORFEL_BUILTIN("B",          0x30,   2,   2,    CALL, BuiltinSrcB)        // source blue
MORFEL_BUILTIN("T",          0x33,   2,   2,    CALL, BuiltinSrcT)        // source transparency
MORFEL_BUILTIN("_R",         0x37,   2,   2,    CALL, BuiltinDstR)        // destination red
MORFEL_BUILTIN("_G",         0x36,   2,   2,    CALL, BuiltinDstG)        // destination green
MORFEL_BUILTIN("_B",         0x35,   2,   2,    CALL, BuiltinDstB)        // destination blue
MORFEL_BUILTIN("_T",         0x38,   2,   2,    CALL, BuiltinDstT)        // destination transparency
MORFEL_BUILTIN("HLS",        0x48,   3,   3,    CALL, BuiltinHls)         // H, L, S from r, g, b
MORFEL_BUILTIN("RGB",        0x148,  3,   3,    CALL, BuiltinRgb)         // R, G, B from h, l, s
MORFEL_BUILTIN("SetMatrix3", 0x5A,   11,  11,   CALL, BuiltinSetMatrix3)  // matrix n: 9 coefficients and a factor
MORFEL_BUILTIN("SetMatrix5", 0x59,   27,  27,   CALL, BuiltinSetMatrix5)  // matrix n: 25 coefficients and a factor
MORFEL_BUILTIN("LoadBmp",    0x49,   2,   1,    CALL, BuiltinLoadBmp)     // "name" into image slot n
MORFEL_BUILTIN("LoadBmpNum", 0x4A,   3,   2,    CALL, BuiltinLoadBmpNum)  // "name" + frame number k into slot n
MORFEL_BUILTIN("Conv",       0x58,   3,   3,    CALL, BuiltinConv)        // source convolved by matrix n at (x, y)
MORFEL_BUILTIN("_Conv",      0x5F78, 3,   3,    CALL, BuiltinDstConv)     // destination convolved
MORFEL_BUILTIN("_Fill",      0x5F66, 3,   3,    CALL, BuiltinFill)        // colour blended over the destination
MORFEL_BUILTIN("_FillT",     0x5F46, 1,   1,    CALL, BuiltinFillT)       // destination T filled
MORFEL_BUILTIN("_Copy",      0x5F63, 1,   1,    CALL, BuiltinCopy)        // source combined into the destination
MORFEL_BUILTIN("_Draw",      0x5F64, 3,   3,    CALL, BuiltinDraw)        // image slot drawn as a stencil
MORFEL_BUILTIN("_DrawT",     0x5F44, 3,   3,    CALL, BuiltinDrawT)       // image slot drawn into T
MORFEL_BUILTIN("_Pset",      0x5F70, 2,   2,    CALL, BuiltinPset)        // R, G, B into one destination pixel
MORFEL_BUILTIN("_Tset",      0x5F74, 2,   2,    CALL, BuiltinTset)        // T into one destination pixel
MORFEL_BUILTIN("xs",         0x7873, 1,   1,    CALL, BuiltinSlotWidth)   // width of image slot n
MORFEL_BUILTIN("ys",         0x7973, 1,   1,    CALL, BuiltinSlotHeight)  // height of image slot n
MORFEL_BUILTIN("clean",      0x43,   1,   1,    CALL, BuiltinClean)       // transparent source pixels painted grey

#undef MORFEL_BUILTIN
// clang-format on
