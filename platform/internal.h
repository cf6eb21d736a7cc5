// Private: what the parts of the platform layer offer each other.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include <morfel_platform_ext.h>

namespace morfel_platform {

// Window classes (window_classes.cpp). Names compare ignoring case, as on Windows.
WNDPROC FindClassProc(const char* name, std::string* registeredName);

// Built-in window procedures of the controls and of dialogs.
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TrackbarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogWindowProc(HWND, UINT, WPARAM, LPARAM);
constexpr const char* kDialogClass = "#32770";

// Sends WM_COMMAND with the control's id and a notification code to its parent.
void NotifyParent(HWND control, WORD code);

// Dialogs (dialogs.cpp): creates a dialog and its controls from a template and
// sends WM_INITDIALOG; null on failure. RunModal shows it, runs the modal loop
// until it ends, destroys it, and returns its result.
HWND CreateDialogFromTemplate(const MorfelDialogTemplate& dialog, HINSTANCE instance, HWND owner,
                              DLGPROC proc, LPARAM initParam);
INT_PTR RunModal(HWND dialog, HWND owner);
const MorfelDialogTemplate* FindDialogTemplate(HINSTANCE instance, const char* name);
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// Activation: calls the WH_CBT hooks with HCBT_ACTIVATE (hooks.cpp).
void ActivateWindow(HWND window);

// Work of the modal loop, each running at most one item; false when none is due.
bool DispatchNextPostedMessage();
bool PaintNextInvalidWindow();
bool FireNextTimer();  // advances the virtual clock to the timer's due time
uint64_t VirtualNow();
void RemoveTimersOf(HWND window);
void RemovePostedMessagesOf(HWND window);
void ReleaseDCsOf(HWND window);

// The window a device context draws into; null for an unknown context.
HWND WindowOfDC(HDC dc);

// Client-area surface of a window, sized to the client area (painting.cpp).
void EnsureSurface(HWND window);

}  // namespace morfel_platform
