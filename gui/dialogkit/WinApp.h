// The application object: main() hands the process to RunApp, which sets up
// the windowing system and calls InitInstance, where the program runs its dialog.
#pragma once

namespace dialogkit {

struct ResourceModule;

class WinApp {
public:
    virtual ~WinApp() = default;
    // Returns false when the program is done (the usual case for a dialog
    // program), true to go on into the event loop.
    virtual bool InitInstance() = 0;
};

// Sets up the windowing system, makes `resources` current and runs
// InitInstance, then the event loop if it asked for one. Returns the exit
// status.
int RunApp(WinApp& app, const ResourceModule& resources, int argc, char** argv);

}  // namespace dialogkit
