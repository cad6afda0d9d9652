// The 13-character real field against a reference built from glibc's exact
// decimal expansion and string rounding only. Input: 8 bytes of a double
// (missing bytes are zero), then optionally a byte choosing the rounding mode
// the field is formatted under; the field must not depend on it.
#include <cfenv>
#include <cmath>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "ValueFormat.h"

namespace cor2tavik::fuzz {
namespace {

// Rounds the decimal digits half-up to `keep` digits; true when the carry ran
// out of the top digit (the digits are then 1 followed by zeros).
bool RoundHalfUp(std::string& digits, std::size_t keep) {
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (!up) return false;
    for (std::size_t i = keep; i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    digits.resize(keep);
    return true;
}

std::string Reference(double d) {
    if (std::isnan(d)) return std::signbit(d) ? "-1.#QNANE+000" : "1.#QNAN0E+000";
    if (std::isinf(d)) return d > 0 ? "1.#INF00E+000" : "-1.#INF0E+000";
    if (d == 0) return "0.000000E+000";
    // A double's expansion ends within 767 significant digits: 781 printed
    // digits are exact, whatever the rounding mode.
    static char text[1024];
    std::snprintf(text, sizeof text, "%.780e", std::fabs(d));
    std::string digits;
    const char* p = text;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    int exponent = std::atoi(p + 1);
    digits.resize(18);
    const bool negative = d < 0;
    if (RoundHalfUp(digits, 17)) ++exponent;
    if (RoundHalfUp(digits, negative ? 6 : 7)) ++exponent;
    char field[32];
    std::snprintf(field, sizeof field, "%s%c.%sE%c%03d", negative ? "-" : "", digits[0], digits.c_str() + 1,
                  exponent < 0 ? '-' : '+', std::abs(exponent));
    return field;
}

constexpr int kModes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};

}  // namespace
}  // namespace cor2tavik::fuzz

// The power table is built on first use: build it in the default mode, so an
// input replays the same way alone as in a run.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    cor2tavik::FormatValue(1.0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    using namespace cor2tavik::fuzz;
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, size < 8 ? size : 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    const int mode = size > 8 ? kModes[data[8] % 4] : FE_TONEAREST;

    const std::string want = Reference(value);
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
