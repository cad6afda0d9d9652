// The console program's side of the terminal: which language to speak, and
// writing UTF-8 text so that it shows as such.
#pragma once

#include <cstdio>
#include <string_view>

#include "cor2tavik/Messages.h"

namespace cor2tavik {

// Japanese when the user's language is Japanese, English otherwise. POSIX:
// the LC_MESSAGES locale as setlocale resolves LC_ALL, LC_MESSAGES and LANG,
// when it is a Japanese locale in UTF-8 (the only encoding written).
// Windows: the user's UI language.
Language UserLanguage();

// Writes `utf8` to stdout or stderr. On a Windows console it goes as UTF-16,
// whatever the console's code page, which stays as it is; anywhere else the
// bytes go as they are.
void Write(std::FILE* stream, std::string_view utf8);

// Whether stderr is a terminal (on Windows, a console), where a line may be
// rewritten in place.
bool StderrIsTerminal();

}  // namespace cor2tavik
