/* Common controls subset: the trackbar and InitCommonControlsEx, as in the
 * real <commctrl.h>. See windows.h for the behaviour contracts. */
#ifndef MORFEL_PLATFORM_COMMCTRL_H
#define MORFEL_PLATFORM_COMMCTRL_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX;
#define ICC_BAR_CLASSES 0x00000004

WINUSERAPI BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

#define TRACKBAR_CLASSA "msctls_trackbar32"
#define TRACKBAR_CLASS TRACKBAR_CLASSA
#define TBS_NOTICKS 0x0010

#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)

#define TB_THUMBPOSITION 4

#ifdef __cplusplus
}
#endif

#endif
