// The About box, opened from the converter dialog's system menu.
#pragma once

#include "Resource.h"
#include "dialogkit/Dialog.h"

class CAboutDlg : public dialogkit::Dialog {
public:
    enum { IDD = IDD_ABOUTBOX };
    CAboutDlg() : Dialog(IDD) {}
};
