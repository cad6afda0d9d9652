// A dialog built from a DialogTemplate, with the handlers and the access by
// control id that Windows dialog code is written against. The program's
// dialogs derive from it and see only what both backends offer:
//   DoModal, EndDialog, GetDlgItemText / SetDlgItemText (UTF-8), GetWindowText,
//   GotoDlgCtrl, GetSystemMenu, DragAcceptFiles, SetIcon, IsIconic,
//   GetClientSize, RunJob, LoadIcon, SystemIconSize, PaintDC, and the
//   handlers OnInitDialog, OnOK, OnCancel, OnSysCommand, OnDropFiles,
//   OnPaint, OnQueryDragIcon and OnClicked.
#pragma once

#ifdef _WIN32
#include "dialogkit/win32/Dialog.h"
#else
#include "dialogkit/qt/Dialog.h"
#endif
