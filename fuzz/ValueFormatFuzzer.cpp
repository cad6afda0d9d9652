// The 13-character real field against a reference built from glibc's exact
// decimal expansion and string rounding only. Input: 8 bytes of a double
// (missing bytes are zero), then optionally a byte choosing the rounding mode
// the field is formatted under; the field must not depend on it.
#include <cfenv>
#include <cmath>
#include <cstring>
#include <string>

#include "ExactValueField.h"
#include "FuzzSupport.h"
#include "ValueFormat.h"

// The power table is built on first use: build it in the default mode, so an
// input replays the same way alone as in a run.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char field[cor2tavik::kValueFieldWidth];
    cor2tavik::FormatValue(1.0, field);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    using namespace cor2tavik::fuzz;
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, size < 8 ? size : 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    constexpr int kModes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
    const int mode = size > 8 ? kModes[data[8] % 4] : FE_TONEAREST;

    const std::string want = test::ExactReference(value);
    FUZZ_CHECK(want.size() == kValueFieldWidth);
    char fast[kValueFieldWidth + 1], exact[kValueFieldWidth + 1];
    fast[kValueFieldWidth] = exact[kValueFieldWidth] = '\x7f';
    std::fesetround(mode);
    char* fastEnd = FormatValue(value, fast);
    char* exactEnd = detail::FormatValueExact(value, exact);
    std::fesetround(FE_TONEAREST);
    FUZZ_CHECK(fastEnd == fast + kValueFieldWidth && fast[kValueFieldWidth] == '\x7f');
    FUZZ_CHECK(exactEnd == exact + kValueFieldWidth && exact[kValueFieldWidth] == '\x7f');
    if (std::string_view(fast, kValueFieldWidth) != want || std::string_view(exact, kValueFieldWidth) != want) {
        std::fprintf(stderr, "%a (mode %d): fast %.13s, exact %.13s, want %s\n", value, mode, fast, exact,
                     want.c_str());
        std::abort();
    }
    return 0;
}
