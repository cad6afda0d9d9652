// The program's arguments as UTF-8, whatever the system: on Windows they are
// read as UTF-16, so that a name in any script, or with a byte that a code
// page would take for a '\', reaches the core intact.
#pragma once

#include <string>
#include <vector>

namespace cor2tavik {

std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Lets the UTF-8 messages show as such in a Windows console; nothing
// elsewhere.
void UseUtf8Console();

// Whether stderr is a terminal (on Windows, a console), where a line may be
// rewritten in place.
bool StderrIsTerminal();

}  // namespace cor2tavik
