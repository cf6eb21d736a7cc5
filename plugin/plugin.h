// Plug-in frame: the host interface (plugin/exports.h: the three exports,
// the row callbacks, the messages to the host window) and the module state shared by every
// call. Each working export creates the session of its call (a
// FilterContext, session/session.h), hands it to its dialog and destroys it
// before it returns.
//
// Contracts
// - Host rows: an RGB row is width pixels of 3 bytes (blue, green, red), a T
//   row width bytes. The images of the context use exactly that layout, so a
//   row is handed to the host as the address of that row inside the image:
//   no intermediate copy.
// - Row callbacks: entry 0 of a RowCallbackTable moves an RGB row with
//   (y, 0, width - 1, buffer, -1), entry 1 a T row with (y, 0, width - 1,
//   buffer, -1, 1). Their results are ignored.
// - Messages to the host window: (kHostMessage, kProgressReport, percent)
//   after each row of the final run, (kHostMessage, 0, 0) once the result has
//   been written back. They are sent, never posted.
// - Module state: the instance handle is kept from load; hostWindow is
//   remembered by each export call and valid only during it.
// - The base folder the host passes ends with a path separator; the
//   session copies it and names files by appending to it.
// - A FilterContext exists only during FilterProc or FilterOption and owns
//   every object of the call; nothing of it survives the call.
// - Everything runs on the host's calling thread; the exports are not
//   re-entrant.
#ifndef MORFEL_PLUGIN_PLUGIN_H
#define MORFEL_PLUGIN_PLUGIN_H

#include <windows.h>

#include <cstdint>

#include "image/image.h"
#include "plugin/exports.h"
#include "session/session.h"

// ---------------------------------------------------------------- module state

struct ModuleState {
  HINSTANCE instance;  // resource module of the dialogs, set at load
  HWND hostWindow;     // the current call's host window
};

ModuleState& Module();

// The library entry point: keeps the instance handle and returns TRUE for
// every reason. On Windows the C runtime's own entry point calls it (so the
// runtime initializes first); on Linux the library calls it when loaded.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

// Sizes the images to imageSize (width, height; 3 and 1 channels) and reads
// every row, RGB before T, top row first. A size that cannot be held reads
// no rows and leaves both images empty.
void ReadHostRows(const RowCallbackTable* readTable, const int32_t* imageSize, RgbtImage& rgb,
                  RgbtImage& t);
// Hands every row of the images back (rows of rgb's height), RGB before T,
// then sends the completion message to the host window.
void WriteHostImage(const RowCallbackTable* writeTable, RgbtImage& rgb, RgbtImage& t);
// The progress callback of the final run: sends row * 100 / total.
void ReportProgress(int32_t row, int32_t total);

// ---------------------------------------------------------------- the calls

// Reads the host's image (imageSize: width, height) into the context's
// full-size source planes. False when the image has pixels but is too large
// to hold.
bool ReadHostImage(FilterContext& context, const int32_t* imageSize,
                   const RowCallbackTable* readTable);
// "The image is too large for the filter (<width> x <height> pixels)."
UserMessage ImageTooLargeMessage(const int32_t* imageSize);
// The final run over the full image into fresh result planes (which start as
// a copy of the source), its messages shown over the host window, then
// every row back to the host. Esc held down while it runs stops it: then no
// message and no row goes to the host. Returns 1.
int32_t WriteBackResult(FilterContext& context, HWND hostWindow,
                        const RowCallbackTable* writeTable);

#endif
