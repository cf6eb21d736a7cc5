// Private: the table of live windows behind the opaque HWND values.
// Handles are numbers that are never reused, so a stale handle finds nothing.
// Never keep a Window* across a call that may run a window procedure: the
// procedure may destroy the window; look it up again instead.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace morfel_platform {

struct ComboState {
  std::vector<std::string> items;
  int selection = -1;
};

struct TrackbarState {
  int minimum = 0;
  int maximum = 100;
  int position = 0;
};

struct EditState {
  size_t limit = 32767;  // what a user may type; the Windows default
  size_t selectionStart = 0;
  size_t selectionEnd = 0;
};

// Set on windows that run as modal dialogs (templates, message boxes, file dialogs).
struct DialogState {
  DLGPROC proc = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  int idleCommand = IDCANCEL;     // sent when the loop runs dry: what no user does
  INT_PTR idleResult = IDCANCEL;  // forced result when even that did not end it
  int idleRounds = 0;
  LONG_PTR user = 0;  // DWLP_USER
};

struct Window {
  HWND handle = nullptr;
  DWORD thread = 0;       // the thread that created it
  std::string className;  // as registered
  HINSTANCE instance = nullptr;
  WNDPROC proc = nullptr;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // parent of a child, owner of a top-level window
  int id = 0;
  // Window rectangle, relative to the parent's client area for a child and to
  // the screen for a top-level window.
  int x = 0, y = 0, width = 0, height = 0;
  RECT insets = {0, 0, 0, 0};  // non-client widths: frame and caption
  bool invalid = false;
  bool destroying = false;             // DestroyWindow has begun: a second call does nothing
  std::vector<unsigned char> surface;  // client pixels, top-down BGR
  int surfaceWidth = 0, surfaceHeight = 0;
  UINT check = BST_UNCHECKED;
  ComboState combo;
  TrackbarState trackbar;
  EditState edit;
  DialogState dialog;
};

// Null for a handle that is not a live window.
Window* FindWindowRecord(HWND window);
// Adds a window and returns its new handle.
Window* AddWindowRecord();
void RemoveWindowRecord(HWND window);
// Live windows in order of creation; children therefore follow their parents.
std::vector<HWND> AllWindows();
std::vector<HWND> ChildrenOf(HWND parent);
bool IsChildWindow(const Window& window);
HWND TopLevelOf(HWND window);

int ClientWidth(const Window& window);
int ClientHeight(const Window& window);
// Screen position of the top-left corner of a window's client area.
POINT ClientOrigin(HWND window);
void CopyText(const std::string& text, char* buffer, size_t capacity, size_t* copied);

}  // namespace morfel_platform
