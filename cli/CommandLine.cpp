#include "CommandLine.h"

#ifdef _WIN32
#include "cor2tavik/Utf16.h"
#endif

namespace cor2tavik {

#ifdef _WIN32

// The C runtime's own split of the UTF-16 command line (wmain): the
// system's CommandLineToArgvW would load shell32, and with it much of the
// window system, at every start (under Wine some 30 ms of a conversion).
std::vector<std::string> CommandLineArguments(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    // A lone surrogate cannot be UTF-8; it becomes U+FFFD and the name is
    // then not found, which says enough.
    for (int i = 0; i < argc; ++i) arguments.push_back(Narrow(argv[i]));
    return arguments;
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

#endif

}  // namespace cor2tavik
