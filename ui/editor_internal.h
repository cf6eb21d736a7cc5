// Private to the program editor, the help dialog and the import: the
// editor's shared operations and the filter state it works on. Control ids
// come from ui/resource.h, shared with the dialog templates.
#ifndef MORFEL_UI_EDITOR_INTERNAL_H
#define MORFEL_UI_EDITOR_INTERNAL_H

#include <windows.h>

#include "library/library.h"
#include "ui/resource.h"
#include "ui/ui.h"

// Group and name as typed into the editor's boxes.
struct EditorNames {
  char group[kNameTextSize];
  char name[kNameTextSize];
};

// ---- the filter state of the current call (editor_context.cpp); valid
// only while a filter context exists, which the dialog procedures check.
ProgramLibrary& EditorLibrary();
FilterSettings& EditorSettings();
CurrentProgram& EditorProgram();
const char* EditorBaseFolder();
HINSTANCE EditorModuleInstance();
// Name at GroupNo in the group list / FuncNo in the function list; "" when
// there is none.
const char* ChosenGroupName();
const char* ChosenFunctionName();
// Copies text without its declaration lines (kept as empty lines, so line
// numbers stay those of the full text) into destination.
void StripDeclarations(const char* text, char* destination, int size);
// Reads the declarations of the current Init text into the parameter slots
// without touching any control. Returns 1 when they are well formed.
int CheckDeclarations();

// ---- message boxes (editor_messages.cpp)
// Yes/No question, No the default. Returns 1 on Yes.
int AskQuestion(HWND owner, const char* question);
// Title "message", stop icon: an operation found nothing to work on.
void ShowNotice(HWND owner, const char* text);
// Title "message", no icon, OK.
void ShowResult(HWND owner, const char* text);

// ---- editor boxes (editor_boxes.cpp)
// Copies group and name boxes into names and the text boxes into the
// current program's texts.
void ReadEditor(HWND dialog, EditorNames* names);
void ShowProgramInEditor(HWND dialog);
void ClearEditor(HWND dialog);
// Writes the library file; tells the user, and why, when it was not written.
int WriteLibraryFile(HWND dialog);
// Tells the user when the library file could not be read whole, since no
// change can then be saved to it.
void WarnOfUnreadableLibraryLine(HWND dialog);
// Refuses (with a message naming the text) program texts whose stored line
// the library could not read back. Returns 1 when they fit.
int ProgramTextsFit(HWND dialog, const CurrentProgram& program);

// ---- operations
int CheckProgram(HWND dialog);
void SaveProgram(HWND dialog);
void DeleteProgram(HWND dialog);
void MoveProgramToEnd(HWND dialog);
void ImportProgramFiles(HWND dialog);
void ShowHelp(HWND owner);

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
