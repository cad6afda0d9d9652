// The 13-character value field computed the slow, obviously right way: from
// glibc's exact decimal expansion of the double, with string rounding only.
// The reference for the value-field tests and fuzz target.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace cor2tavik::test {

// Reference built from glibc's decimal conversion and string rounding only.

// Rounds the decimal string `digits` (no leading zero) half-up to `keep`
// digits; returns true if the carry ran out of the top digit.
inline bool RoundHalfUp(std::string& digits, std::size_t keep) {
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

// `lead` is the expansion's leading 18 significant digits, `exp10` the
// decimal exponent of the first one.
inline std::string FieldFromLeadingDigits(bool negative, std::string lead, int exp10) {
    if (RoundHalfUp(lead, 17)) ++exp10;
    if (RoundHalfUp(lead, negative ? 6 : 7)) ++exp10;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%c.%sE%c%03d", negative ? "-" : "", lead[0],
                  lead.c_str() + 1, exp10 < 0 ? '-' : '+', std::abs(exp10));
    return buf;
}

// Parses "d.ddd...e+XX" into its first 18 digits and exponent.
inline std::string FieldFromPrintf(bool negative, const char* text) {
    std::string digits;
    const char* p = text;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    return FieldFromLeadingDigits(negative, digits.substr(0, 18), std::atoi(p + 1));
}

inline bool SpecialField(double d, std::string& field) {
    if (std::isnan(d)) {
        field = std::signbit(d) ? "-1.#QNANE+000" : "1.#QNAN0E+000";
        return true;
    }
    if (d == 0) {
        field = "0.000000E+000";
        return true;
    }
    if (std::isinf(d)) {
        field = d > 0 ? "1.#INF00E+000" : "-1.#INF0E+000";
        return true;
    }
    return false;
}

// Every double's expansion ends within 767 significant digits, so 781
// printed digits are the exact expansion.
inline std::string ExactReference(double d) {
    std::string field;
    if (SpecialField(d, field)) return field;
    char buf[1024];
    std::snprintf(buf, sizeof buf, "%.780e", std::fabs(d));
    return FieldFromPrintf(d < 0, buf);
}

}  // namespace cor2tavik::test
