// The 13-character real-number field of the neutral file.
#pragma once

#include <cstddef>

namespace cor2tavik {

inline constexpr std::size_t kValueFieldWidth = 13;

// "00" to "99" back to back: two digits at a time for the writers.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the field for `value` at `out` (exactly kValueFieldWidth bytes, no
// terminator) and returns out + kValueFieldWidth.
//
// Values >= 0 (and -0.0) are d.ddddddE+xxx, values < 0 are -d.dddddE+xxx,
// always with three exponent digits. The mantissa is rounded half-up from the
// value's 17-significant-digit form, which is itself the exact decimal
// expansion cut to 18 digits and rounded half-up: the two steps are not one
// correctly rounded conversion. Infinities are written 1.#INF00E+000 and
// -1.#INF0E+000: the post-processor reads that spelling back as an infinity.
char* FormatValue(double value, char* out);

namespace detail {
// The same field computed by integer arithmetic alone, without the long
// double shortcut. FormatValue falls back to it near rounding boundaries;
// exposed so tests can check the two agree.
char* FormatValueExact(double value, char* out);
}  // namespace detail

}  // namespace cor2tavik
