#include "Console.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>

#include "cor2tavik/Utf16.h"
#else
#include <unistd.h>

#include <clocale>
#include <cstring>
#endif

namespace cor2tavik {

#ifdef _WIN32

Language UserLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::japanese : Language::english;
}

namespace {

// The console behind the stream, or nothing when it is redirected. _isatty
// would also take the NUL device for a console.
HANDLE ConsoleOf(std::FILE* stream) {
    const HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

void Write(std::FILE* stream, std::string_view utf8) {
    if (const HANDLE console = ConsoleOf(stream)) {
        std::fflush(stream);
        std::wstring wide = Widen(utf8);
        // The console takes "\n" for a new line as the C runtime's text mode would write it.
        for (std::size_t at = 0; at < wide.size();) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 16384));
            if (!WriteConsoleW(console, wide.data() + at, chunk, &written, nullptr) || written == 0) break;
            at += written;
        }
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    // The C runtime buffers even stderr in full when it is a pipe or a
    // file: a message is out before the program goes on to end.
    std::fflush(stream);
}

bool StderrIsTerminal() { return ConsoleOf(stderr) != nullptr; }

#else

Language UserLanguage() {
    const char* resolved = std::setlocale(LC_MESSAGES, "");
    const std::string_view name = resolved != nullptr ? resolved : "C";
    const bool japanese = name.starts_with("ja") && (name.size() == 2 || std::strchr("_.@", name[2]) != nullptr) &&
                          (name.find(".UTF-8") != std::string_view::npos || name.find(".utf8") != std::string_view::npos);
    // The rest of the program keeps the C locale: the system's own error
    // texts stay English in English messages.
    std::setlocale(LC_MESSAGES, "C");
    return japanese ? Language::japanese : Language::english;
}

void Write(std::FILE* stream, std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stream); }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

#endif

}  // namespace cor2tavik
