#include "dialogkit/ResourceModule.h"

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

const ResourceModule& CurrentResources() { return *gModule; }

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& t : gModule->dialogs)
        if (t.id == id) return &t;
    return nullptr;
}

}  // namespace dialogkit
