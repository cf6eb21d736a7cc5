/* Extensions of the Linux platform layer that have no Win32 counterpart:
 * dialog templates of a module and reading back what was drawn.
 * Not available on Windows; code that uses them is Linux- or test-only.
 *
 * Dialog templates of a module
 * ----------------------------
 * On Windows a module's dialog templates are resources linked into it, found by
 * DialogBoxParamA(instance, "name", ...) through the module's instance handle,
 * which DllMain receives. Here the templates come from the same resource script:
 * the CMake function morfel_dialog_resources(target rcfile [ACCESSOR name])
 * generates a source file for the target holding the templates as tables and a
 * hidden-visibility accessor, by default
 *
 *     HINSTANCE MorfelModuleInstance(void);
 *
 * The generated file registers its table with MorfelRegisterModule when the
 * module loads and unregisters it when the module unloads (a host may unload
 * the plug-in and load it again), and the accessor returns the instance
 * handle it got, so a
 * shared library on Linux passes MorfelModuleInstance() where Windows code
 * passes the handle from DllMain (e.g. it calls its own entry point with it
 * from a load-time constructor). Each module gets its own handle and finds
 * only its own templates; a null instance searches every registered module.
 * Template names are compared ignoring letter case, as resource names are.
 */
#ifndef MORFEL_PLATFORM_EXT_H
#define MORFEL_PLATFORM_EXT_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One control of a dialog template; places are in dialog units. */
typedef struct MorfelControlTemplate {
  const char* className; /* "BUTTON", "EDIT", "STATIC", "COMBOBOX", "msctls_trackbar32" */
  const char* text;
  int id;
  DWORD style; /* complete style, WS_CHILD included */
  DWORD exStyle;
  short x, y, cx, cy;
} MorfelControlTemplate;

/* One dialog template; the tables are static data owned by the module. */
typedef struct MorfelDialogTemplate {
  const char* name;
  const char* caption;
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  const char* fontName;
  int fontSize;
  const MorfelControlTemplate* controls;
  int controlCount;
} MorfelDialogTemplate;

/* The instance handle of the calling module's templates: defined, with hidden
 * visibility, by the source file that morfel_dialog_resources generates for
 * the module (under another name when an ACCESSOR is given). */
__attribute__((visibility("hidden"))) HINSTANCE MorfelModuleInstance(void);

/* Registers a module's templates (kept by address, not copied) and returns the
 * module's new instance handle; null when the table is null or count < 0. */
WINUSERAPI HINSTANCE MorfelRegisterModule(const MorfelDialogTemplate* templates, int count);

/* Forgets a module's templates; FALSE when the handle is unknown. */
WINUSERAPI BOOL MorfelUnregisterModule(HINSTANCE instance);

/* Copies the client-area pixels of a window, as last drawn, into bgr as
 * top-down rows of width * 3 bytes (blue, green, red), no padding. Returns the
 * number of bytes of the whole picture (width * height * 3), copying only when
 * capacity is at least that; -1 for an invalid window. width and height may be
 * null. Pixels never drawn read as the dialog face colour (240, 240, 240). */
WINUSERAPI long MorfelReadWindowPixels(HWND window, unsigned char* bgr, long capacity, int* width,
                                       int* height);

#ifdef __cplusplus
}
#endif

#endif
