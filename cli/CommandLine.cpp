#include "CommandLine.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include "cor2tavik/Utf16.h"
#endif

namespace cor2tavik {

#ifdef _WIN32

std::vector<std::string> CommandLineArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    // A lone surrogate cannot be UTF-8; it becomes U+FFFD and the name is
    // then not found, which says enough.
    for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

#endif

}  // namespace cor2tavik
