// LmFFTDlg: the "FFT display settings" dialog (template 9000), in which the
// user switches the spectrum display of the workstation on or off.
//
// The host process must have initialised the language table (LmLangInit) and
// must run a Qt application object on the calling (user-interface) thread;
// the dialog takes its caption and texts from the language table (650, 651,
// 652, OK 200, cancel 206) with the language font. Nothing is printed and
// nothing is thrown.
#ifndef KR70_FFTDLG_LMFFTDLG_H
#define KR70_FFTDLG_LMFFTDLG_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LMFFTDLG_OK 1      // the user confirmed; *flag was written
#define LMFFTDLG_CANCEL 2  // cancelled; *flag untouched
#define LMFFTDLG_FAILED (-1)  // no dialog could be shown (no application object,
                              // null flag); *flag untouched

// Shows the dialog modally with the check box ticked when *flag is non-zero.
// On OK writes 1 (ticked) or 0 into *flag. owner is not used: the dialog has
// no owner window. Returns LMFFTDLG_OK, LMFFTDLG_CANCEL or LMFFTDLG_FAILED.
int ShowFFTSetDlg(void* owner, int32_t* flag);

#ifdef __cplusplus
}
#endif

#endif
