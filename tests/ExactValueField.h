// The 13-character value field computed the slow, obviously right way: from
// glibc's exact decimal expansion of the double, with string rounding only.
// The reference for the value-field tests and fuzz target.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace cor2tavik::test {

// Rounds the decimal string `digits` half-up to `keep` digits; returns true
// if the carry ran out of the top digit.
inline bool RoundHalfUp(std::string& digits, std::size_t keep) {
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    for (std::size_t i = keep; up && i-- > 0;) {
        if (digits[i] != '9') return ++digits[i], false;
        digits[i] = '0';
    }
    if (up) digits.insert(digits.begin(), '1'), digits.resize(keep);
    return up;
}

// Every double's expansion ends within 767 significant digits, so 781
// printed digits are the exact expansion. The field is its leading 18
// digits rounded to 17, then to 7 (6 when negative).
inline std::string ExactReference(double d) {
    if (std::isnan(d)) return std::signbit(d) ? "-1.#QNANE+000" : "1.#QNAN0E+000";
    if (std::isinf(d)) return d > 0 ? "1.#INF00E+000" : "-1.#INF0E+000";
    if (d == 0) return "0.000000E+000";
    char buf[1024];
    std::snprintf(buf, sizeof buf, "%.780e", std::fabs(d));
    std::string lead = buf[0] + std::string(buf + 2, 17);
    int exp10 = std::atoi(std::strchr(buf, 'e') + 1);
    if (RoundHalfUp(lead, 17)) ++exp10;
    if (RoundHalfUp(lead, d < 0 ? 6 : 7)) ++exp10;
    std::snprintf(buf, sizeof buf, "%s%c.%sE%c%03d", d < 0 ? "-" : "", lead[0], lead.c_str() + 1,
                  exp10 < 0 ? '-' : '+', std::abs(exp10));
    return buf;
}

}  // namespace cor2tavik::test
