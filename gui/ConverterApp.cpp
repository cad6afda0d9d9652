#include "ConverterApp.h"

#include "ConverterDlg.h"

bool CConverterApp::InitInstance() {
    CConverterDlg dlg;
    dlg.DoModal();  // OK, Cancel or a failure: the program ends either way
    return false;
}
