#include "dialogkit/ResourceModule.h"

#include <QPixmap>

namespace dialogkit {

namespace {
const ResourceModule kEmptyModule;
const ResourceModule* gModule = &kEmptyModule;
}  // namespace

const ResourceModule* UseResources(const ResourceModule& module) {
    const ResourceModule* previous = gModule;
    gModule = &module;
    return previous;
}

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& t : gModule->dialogs)
        if (t.id == id) return &t;
    return nullptr;
}

QString LoadString(int id) {
    auto it = gModule->strings.find(id);
    return it == gModule->strings.end() ? QString() : QString::fromStdString(it->second);
}

QIcon LoadIcon(int id) {
    QIcon icon;
    for (const IconResource& resource : gModule->icons) {
        if (resource.id != id) continue;
        for (const char* const* xpm : resource.images) icon.addPixmap(QPixmap(xpm));
    }
    return icon;
}

}  // namespace dialogkit
