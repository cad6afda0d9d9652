// UTF-8 inside the programs, UTF-16 at the Windows API: the one conversion
// each way, for the core's file calls, Cor2TavikCmd's arguments and the
// dialogs. Defined on Windows only (the core's Windows platform file), where
// alone wchar_t is a UTF-16 unit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cor2tavik {

// Each sequence that is not UTF-8 becomes U+FFFD.
std::wstring Widen(std::string_view utf8);

// Nothing when `utf8` is not UTF-8: for a file name, which must not reach
// the system changed.
std::optional<std::wstring> WidenExactly(std::string_view utf8);

// A lone surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

}  // namespace cor2tavik
