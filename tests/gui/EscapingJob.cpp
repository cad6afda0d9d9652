// Cor2Tavik whose job throws instead of converting: whatever escapes the
// job on the worker thread must end in the error box, the dialog staying
// open (driven by wine-dialog-check.sh).
#include <new>

#include "ConverterDlg.h"
#include "Resources.h"
#include "dialogkit/WinApp.h"

namespace {

class EscapingApp : public dialogkit::WinApp {
public:
    bool InitInstance() override {
        CConverterDlg dlg;
        dlg.m_convert = [](std::string_view, const dialogkit::JobProgress&) -> cor2tavik::ConversionReport {
            throw std::bad_alloc();
        };
        dlg.DoModal();
        return false;
    }
};

EscapingApp theApp;

}  // namespace

int main(int argc, char** argv) { return dialogkit::RunApp(theApp, Cor2TavikResources(), argc, argv); }
