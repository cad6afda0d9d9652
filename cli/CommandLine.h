// The program's arguments as UTF-8, whatever the system: on Windows they are
// read as UTF-16, so that a name in any script, or with a byte that a code
// page would take for a '\', reaches the core intact.
#pragma once

#include <string>
#include <vector>

namespace cor2tavik {

#ifdef _WIN32
std::vector<std::string> CommandLineArguments(int argc, wchar_t** argv);  // from wmain
#else
std::vector<std::string> CommandLineArguments(int argc, char** argv);
#endif

}  // namespace cor2tavik
