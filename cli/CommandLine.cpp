#include "CommandLine.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

#include "cor2tavik/Utf16.h"
#else
#include <unistd.h>
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

namespace {
UINT savedOutputCodePage = 0;
void RestoreConsole() { SetConsoleOutputCP(savedOutputCodePage); }
}  // namespace

void UseUtf8Console() {
    // The code page belongs to the console, not to this process: it is put
    // back for the programs that run in it after this one.
    savedOutputCodePage = GetConsoleOutputCP();
    if (savedOutputCodePage != 0 && savedOutputCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreConsole);
}

// _isatty would also take the NUL device for a terminal.
bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

void UseUtf8Console() {}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

#endif

}  // namespace cor2tavik
