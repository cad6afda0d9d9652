// Resource ids of Cor2Tavik. Plain #defines so that Cor2Tavik.rc can share them.
#pragma once

#define IDM_ABOUTBOX 0x0010

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_CONVERTER_DIALOG 102
#define IDR_MAINFRAME 128

// The identification lines of the converter dialog.
#define IDS_TITLE_TEXT 102
#define IDS_TARGET_TEXT 103
#define IDS_VERSION_TEXT 104
#define IDS_UPDATE_TEXT 105
#define IDS_MAKER_TEXT 106

#define IDC_TITLE_TEXT 1000
#define IDC_VERSION_TEXT 1001
#define IDC_UPDATE_TEXT 1002
#define IDC_MAKER_TEXT 1003
#define IDC_TARGET_TEXT 1004
#define IDC_MODEL_PATH 1005
#define IDC_BROWSE 1006
