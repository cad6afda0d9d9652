#include "dialogkit/DialogBase.h"

#include "dialogkit/ResourceModule.h"

namespace dialogkit {

bool DialogBase::OnInitDialog() { return true; }
void DialogBase::OnOK() { EndDialog(IDOK); }
void DialogBase::OnCancel() { EndDialog(IDCANCEL); }
void DialogBase::OnDropFiles(const std::vector<std::string>&) {}

void DialogBase::OnCommand(int id) {
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    } else if (auto it = commands_.find(id); it != commands_.end()) {
        it->second();
    }
}

}  // namespace dialogkit
