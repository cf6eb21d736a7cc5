// Dialogs: creation from a template, the dialog window procedure and
// DialogBoxParamA / EndDialog.
#include <windows.h>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

HWND CreateControl(const MorfelControlTemplate& control, HWND dialog) {
  DWORD style = control.style | WS_CHILD;
  return CreateWindowExA(control.exStyle, control.className, control.text ? control.text : "",
                         style, DialogUnitsToPixelsX(control.x), DialogUnitsToPixelsY(control.y),
                         DialogUnitsToPixelsX(control.cx), DialogUnitsToPixelsY(control.cy), dialog,
                         reinterpret_cast<HMENU>(static_cast<intptr_t>(control.id)), nullptr,
                         nullptr);
}

HWND FirstTabStop(HWND dialog) {
  for (HWND child : ChildrenOf(dialog)) {
    Window* window = FindWindowRecord(child);
    if (window && (window->style & WS_TABSTOP)) return child;
  }
  return nullptr;
}

}  // namespace

namespace morfel_platform {

HWND CreateDialogFromTemplate(const MorfelDialogTemplate& dialog, HINSTANCE instance, HWND owner,
                              DLGPROC proc, LPARAM initParam) {
  HWND topOwner = TopLevelOf(owner);
  POINT origin = topOwner ? ClientOrigin(topOwner) : POINT{0, 0};
  DWORD style = (dialog.style & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD)) | WS_POPUP;
  HWND handle = CreateWindowExA(dialog.exStyle, kDialogClass, dialog.caption ? dialog.caption : "",
                                style, origin.x + DialogUnitsToPixelsX(dialog.x),
                                origin.y + DialogUnitsToPixelsY(dialog.y), 0, 0, topOwner, nullptr,
                                instance, nullptr);
  Window* window = FindWindowRecord(handle);
  if (!window) return nullptr;
  // The template gives the client area; the window adds its frame and caption.
  window->width = DialogUnitsToPixelsX(dialog.cx) + window->insets.left + window->insets.right;
  window->height = DialogUnitsToPixelsY(dialog.cy) + window->insets.top + window->insets.bottom;
  window->dialog.proc = proc;
  for (int i = 0; i < dialog.controlCount; ++i) {
    if (!CreateControl(dialog.controls[i], handle)) {
      DestroyWindow(handle);
      return nullptr;
    }
  }
  SendMessageA(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(FirstTabStop(handle)), initParam);
  return FindWindowRecord(handle) ? handle : nullptr;
}

LRESULT CALLBACK DialogWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  if (DLGPROC proc = window->dialog.proc) {
    INT_PTR handled = proc(handle, message, wParam, lParam);
    if (handled) return handled;
  }
  switch (message) {
    case WM_CLOSE:  // closing a dialog is its Cancel command
      PostMessageA(handle, WM_COMMAND, IDCANCEL,
                   reinterpret_cast<LPARAM>(GetDlgItem(handle, IDCANCEL)));
      return 0;
    case WM_INITDIALOG:
    case WM_COMMAND:
      return 0;
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace morfel_platform

extern "C" INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                                          DLGPROC dialogProc, LPARAM initParam) {
  if (owner && !IsWindow(owner)) return 0;
  const MorfelDialogTemplate* found = FindDialogTemplate(instance, templateName);
  if (!found) return -1;
  HWND dialog = CreateDialogFromTemplate(*found, instance, owner, dialogProc, initParam);
  if (!dialog) return -1;
  return RunModal(dialog, owner);
}

extern "C" BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  Window* window = FindWindowRecord(dialog);
  if (!window || window->className != kDialogClass) return FALSE;
  window->dialog.ended = true;
  window->dialog.result = result;
  return TRUE;
}
