#include "session/session.h"

// The language reference shown by the help dialog. Every line ends in CR LF,
// as a multi-line edit box wants; the final CR LF leaves an empty last line.
const char kHelpReferenceText[] =
    "Parameters:\r\n"
    "coord = 0:No transformation / 1:R-theta / 2:X-Y coordinate\r\n"
    "(xs,ys) = Xsize,Ysize of the image.\r\n"
    "(cx,cy) = center of the image. default: cx=xs/2, cy=ys/2\r\n"
    "(x,y) = current position (default: -cx<=x<cx, -cy<=y<cy)\r\n"
    "(r,t) = current position\r\n"
    "  r:distance from(cx,cy),0<=r   t:-pi<=t<pi\r\n"
    "(R,G,B,T) = color at current position (0<=R,G,B,T<256)\r\n"
    "pi = 3.14159\r\n"
    "\r\n"
    "Supporting functions:\r\n"
    "sin(n),cos(n),tan(n),exp(n),log(n),pow(n,m),\r\n"
    "abs(n),sqrt(n),rand(min,max),srand(n),int(n),\r\n"
    "acos(n),asin(n),atan2(y,x),min(a,b),max(a,b),\r\n"
    "sgn(n),get(x,y),R(x,y),G(x,y),B(x,y),T(x,y)\r\n"
    "exit(n),HLS(r,g,b),RGB(h,l,s) etc.\r\n"
    "\r\n"
    "Output:\r\n"
    "coord==0; R,G,B,T values are set at the current pixel.\r\n"
    "coord==1; color value at (r,t) is set at the current pixel.\r\n"
    "coord==2; color value at (x,y) is set at the current pixel.\r\n";

static_assert(sizeof(kHelpReferenceText) == kHelpReferenceTextLength + 1,
              "the reference text changed length");
