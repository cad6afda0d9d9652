#include "dialogkit/WinApp.h"

#include "dialogkit/ResourceModule.h"
#include "dialogkit/win32/WinApi.h"

namespace dialogkit {

int RunApp(WinApp& app, const ResourceModule& resources, int /*argc*/, char** /*argv*/) {
    // Loads version 6 of the common controls, which the manifest asks for.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    UseResources(resources);
    app.InitInstance();
    app.m_pMainWnd = nullptr;
    return 0;
}

}  // namespace dialogkit
