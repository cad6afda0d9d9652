// The Windows API for the backend's sources, without the A/W macros whose
// names are also methods and functions of dialogkit.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shobjidl.h>

#undef AppendMenu
#undef GetWindowText
#undef GetDlgItemText
#undef LoadIcon
#undef LoadString
#undef MessageBox
#undef SetDlgItemText
