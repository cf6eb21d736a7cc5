/* Common dialogs subset: the open and save file dialogs, as in the real
 * <commdlg.h>. See windows.h for the behaviour contracts.
 *
 * The dialogs are "#32770" windows. The file name box is the combo box with id
 * cmb13 (1148); set its text and send WM_COMMAND IDOK to the dialog. A relative
 * name is taken in lpstrInitialDir (else the current folder); lpstrDefExt is
 * appended when the name has no extension. OFN_FILEMUSTEXIST keeps the dialog
 * open with a message box when the file is missing; OFN_OVERWRITEPROMPT asks
 * (default No) before an existing file is chosen. The full path, with '/'
 * separators, is copied to lpstrFile; when it does not fit nMaxFile the call
 * returns FALSE. Cancel, or no user, returns FALSE. */
#ifndef MORFEL_PLATFORM_COMMDLG_H
#define MORFEL_PLATFORM_COMMDLG_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
} OPENFILENAMEA, *LPOPENFILENAMEA;

#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_FILEMUSTEXIST 0x00001000

WINUSERAPI BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA ofn);
WINUSERAPI BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA ofn);

#ifdef __cplusplus
}
#endif

#endif
