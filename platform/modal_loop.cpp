// The modal loop shared by dialogs, message boxes and file dialogs.
#include <windows.h>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

// Timers alone (a periodic timer nobody kills) must not keep a dialog open for
// ever: after this much virtual time the loop counts as idle.
constexpr uint64_t kTimerOnlyLimitMs = 60ull * 60 * 1000;

bool RunOneItem(uint64_t startedAt) {
  if (DispatchNextPostedMessage()) return true;
  if (PaintNextInvalidWindow()) return true;
  if (VirtualNow() - startedAt < kTimerOnlyLimitMs && FireNextTimer()) return true;
  return false;
}

// Nothing is left to run and the dialog still runs: there is no user. First do
// what a user leaving would do; if even that does not end it, end it.
void EndWithoutUser(HWND dialog) {
  Window* window = FindWindowRecord(dialog);
  if (!window) return;
  int command = window->dialog.idleCommand;
  if (window->dialog.idleRounds++ == 0) {
    SendMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(command),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, command)));
    return;
  }
  EndDialog(dialog, window->dialog.idleResult);
}

}  // namespace

namespace morfel_platform {

INT_PTR RunModal(HWND dialog, HWND owner) {
  HWND topOwner = TopLevelOf(owner);
  BOOL ownerWasDisabled = topOwner ? EnableWindow(topOwner, FALSE) : TRUE;
  // A dialog that ended while it was set up is never shown.
  Window* created = FindWindowRecord(dialog);
  if (created && !created->dialog.ended) {
    ShowWindow(dialog, SW_SHOW);
    ActivateWindow(dialog);
  }
  uint64_t startedAt = VirtualNow();
  INT_PTR result = 0;
  for (;;) {
    Window* window = FindWindowRecord(dialog);
    if (!window) break;  // destroyed without EndDialog
    if (window->dialog.ended) {
      result = window->dialog.result;
      break;
    }
    if (!RunOneItem(startedAt)) EndWithoutUser(dialog);
  }
  DestroyWindow(dialog);
  if (topOwner && !ownerWasDisabled) EnableWindow(topOwner, TRUE);
  if (topOwner) ActivateWindow(topOwner);  // the owner comes back to the front
  return result;
}

}  // namespace morfel_platform
