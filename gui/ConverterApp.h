// The application: runs the converter dialog once and ends.
#pragma once

#include "dialogkit/WinApp.h"

class CConverterApp : public dialogkit::WinApp {
public:
    bool InitInstance() override;
};
