#include "ConverterApp.h"
#include "Resources.h"

namespace {
CConverterApp theApp;
}

int main(int argc, char** argv) { return dialogkit::RunApp(theApp, Cor2TavikResources(), argc, argv); }
