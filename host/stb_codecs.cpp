// The codec implementations come from Debian's stb package (libstb) on Linux;
// a Windows build has no such library, so it compiles them here.
#if defined(_WIN32)
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>
#endif
