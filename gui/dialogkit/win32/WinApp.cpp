#include "dialogkit/WinApp.h"

#include "dialogkit/ResourceModule.h"
#include "dialogkit/win32/WinApi.h"

namespace dialogkit {

int RunApp(WinApp& app, const ResourceModule& resources, int /*argc*/, char** /*argv*/) {
    // Loads version 6 of the common controls, which the manifest asks for.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    UseResources(resources);
    if (!app.InitInstance()) return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace dialogkit
