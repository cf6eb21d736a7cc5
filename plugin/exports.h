// The plug-in's exports as a host sees them: the three entry points, the
// row callbacks and the messages to the host window. Nothing else of the
// plug-in, so a host program needs neither the session nor the engine.
//
// Contracts
// - Host rows: an RGB row is width pixels of 3 bytes (blue, green, red), a T
//   row width bytes.
// - Row callbacks: entry 0 of a RowCallbackTable moves an RGB row with
//   (y, 0, width - 1, buffer, -1), entry 1 a T row with (y, 0, width - 1,
//   buffer, -1, 1). Their results are ignored.
// - Messages to the host window: (kHostMessage, kProgressReport, percent)
//   after each row of the final run, (kHostMessage, kRunCompleted, 0) once
//   the result has been written back. They are sent, never posted.
// - The base folder the host passes ends with a path separator.
// - Everything runs on the host's calling thread; the exports are not
//   re-entrant.
#ifndef MORFEL_PLUGIN_EXPORTS_H
#define MORFEL_PLUGIN_EXPORTS_H

#include <windows.h>

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define MORFEL_CDECL __cdecl
#else
#define MORFEL_CDECL
#endif

#ifdef _WIN32
#define MORFEL_EXPORT __declspec(dllexport)
#else
#define MORFEL_EXPORT __attribute__((visibility("default")))
#endif

// ---------------------------------------------------------------- host interface

// The host's row callbacks, cdecl: (y, first column, last column, buffer, -1)
// for RGB rows and the same followed by 1 for T rows.
using RgbRowCallback = int(MORFEL_CDECL*)(int32_t y, int32_t firstColumn, int32_t lastColumn,
                                          uint8_t* buffer, int32_t minusOne);
using TRowCallback = int(MORFEL_CDECL*)(int32_t y, int32_t firstColumn, int32_t lastColumn,
                                        uint8_t* buffer, int32_t minusOne, int32_t one);

// Owned by the host: two consecutive function addresses.
struct RowCallbackTable {
  RgbRowCallback rgbRow;
  TRowCallback tRow;
};

// The host's window message for progress and completion, and the first
// parameter that marks a progress report (0 marks completion).
constexpr UINT kHostMessage = 1024;
constexpr WPARAM kProgressReport = 3;
constexpr WPARAM kRunCompleted = 0;

extern "C" {
// Writes "Morfel" and its zero byte into title, 1 into *a and 10 into *b.
MORFEL_EXPORT int32_t MORFEL_CDECL FilterGetTitle(void* reserved, char* title, int32_t* a,
                                                  int32_t* b);
// Applies a program to the host's image: imageSize points at width and
// height. Always 1.
MORFEL_EXPORT int32_t MORFEL_CDECL FilterProc(HWND parentWindow, const int32_t* imageSize,
                                              const RowCallbackTable* writeTable,
                                              const RowCallbackTable* readTable,
                                              const char* baseFolder);
// Opens the program editor. Always 1.
MORFEL_EXPORT int32_t MORFEL_CDECL FilterOption(HWND parentWindow, const char* baseFolder);
}

#endif
