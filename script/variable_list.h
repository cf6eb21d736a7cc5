// The built-in variables, one row each, in the order they are installed.
// Everything that describes one is read from here: the start values
// (variables.cpp), BuiltinVariable and the pixel variables' cells
// (PixelCells, script.h) that the pixel driver, the code generator and the
// analyses use, the rule for the variables worked out only on demand, and
// the help that `morfel functions` and the studio's editor show.
//
// Not an ordinary header: it has no include guard. A reader defines
// MORFEL_VARIABLE, includes this file, and gets one expansion per row; the
// macro is undefined again at the end.
//
// MORFEL_VARIABLE(name, Id, field, start, value, pixel, help)
//   name   the name in the script
//   Id     its enumerator in BuiltinVariable, without the k
//   field  its cell's field in PixelCells, for a pixel variable
//   start  where its start value comes from: FIXED (value), IMAGE_WIDTH,
//          IMAGE_HEIGHT, HALF_WIDTH, HALF_HEIGHT
//   value  the start value of a FIXED one
//   pixel  what the pixel driver does with it around each pixel's run:
//          NONE       nothing
//          CENTRE     read before the program: the origin of the position
//          LOADED     written before the program (position, colour)
//          ON_DEMAND  written before the program only when the program
//                     names one of them; otherwise worked out only where a
//                     polar fetch or the end of the pass needs it (a square
//                     root and an arc tangent a pixel saved)
//          RESULT     read first after the program: how to write the result
//          Every variable but NONE is read after the program.
//   help   one line saying what it holds
//
// clang-format off
#ifndef MORFEL_VARIABLE
#define MORFEL_VARIABLE(name, Id, field, start, value, pixel, help)
#endif

//              name         Id          field       start         value    pixel
//              help
MORFEL_VARIABLE("x",         X,          x,          FIXED,        0.0,     LOADED,
                "the pixel's column minus cx; with coord 2 where the colour comes from")
MORFEL_VARIABLE("y",         Y,          y,          FIXED,        0.0,     LOADED,
                "the pixel's row minus cy")
MORFEL_VARIABLE("r",         Radius,     r,          FIXED,        0.0,     ON_DEMAND,
                "distance of (x, y) from the centre; with coord 1 where the colour comes from")
MORFEL_VARIABLE("t",         Angle,      t,          FIXED,        0.0,     ON_DEMAND,
                "angle of (x, y), -pi to pi")
MORFEL_VARIABLE("xs",        Width,      width,      IMAGE_WIDTH,  0.0,     NONE,
                "image width")
MORFEL_VARIABLE("ys",        Height,     height,     IMAGE_HEIGHT, 0.0,     NONE,
                "image height")
MORFEL_VARIABLE("cx",        Cx,         cx,         HALF_WIDTH,   0.0,     CENTRE,
                "centre column, xs/2")
MORFEL_VARIABLE("cy",        Cy,         cy,         HALF_HEIGHT,  0.0,     CENTRE,
                "centre row, ys/2")
MORFEL_VARIABLE("pi",        Pi,         pi,         FIXED,        3.14159, NONE,
                "3.14159")
MORFEL_VARIABLE("R",         Red,        red,        FIXED,        0.0,     LOADED,
                "red of the pixel, 0 to 255")
MORFEL_VARIABLE("G",         Green,      green,      FIXED,        0.0,     LOADED,
                "green of the pixel")
MORFEL_VARIABLE("B",         Blue,       blue,       FIXED,        0.0,     LOADED,
                "blue of the pixel")
MORFEL_VARIABLE("T",         Alpha,      alpha,      FIXED,        255.0,   LOADED,
                "transparency of the pixel (255 opaque)")
MORFEL_VARIABLE("H",         Hue,        hue,        FIXED,        0.0,     NONE,
                "hue set by HLS")
MORFEL_VARIABLE("L",         Lightness,  lightness,  FIXED,        0.0,     NONE,
                "lightness set by HLS")
MORFEL_VARIABLE("S",         Saturation, saturation, FIXED,        0.0,     NONE,
                "saturation set by HLS")
MORFEL_VARIABLE("coord",     Coord,      coord,      FIXED,        1.0,     RESULT,
                "0 the colour in R, G, B, T; 1 the source at (r, t); 2 at (x, y); default 1")
MORFEL_VARIABLE("loop",      Loop,       loop,       FIXED,        1.0,     NONE,
                "passes of the Transform text; counts down to 1 (default 1)")
MORFEL_VARIABLE("vTplane",   VTplane,    vTplane,    FIXED,        0.0,     NONE,
                "not 0: the preview darkens the image by T")
MORFEL_VARIABLE("vScale",    VScale,     vScale,     FIXED,        0.0,     NONE,
                "not 0: the preview shows unscaled source pixels")
MORFEL_VARIABLE("keepImage", KeepImage,  keepImage,  FIXED,        0.0,     NONE,
                "0: each pass reads the last pass's result; else the source")

#undef MORFEL_VARIABLE
// clang-format on
