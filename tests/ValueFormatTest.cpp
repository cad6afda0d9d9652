// Both value-field paths against the exact reference, on the values where a
// shortcut would go wrong: ties, their neighbours and the range's ends.
// Known fields through the whole program: tests/cases/value-field-rounding.
#include "ValueFormat.h"

#include <gtest/gtest.h>

#include "ExactValueField.h"
#include "X87Precision.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace cor2tavik {
namespace {

// Each value and its neighbours, both signs, against the reference; the
// fast path must not write past its field.
void ExpectMatches(const std::vector<double>& values) {
    // As Windows starts a thread: the core must set the precision it needs.
    const X87Precision caller(53);
    int failures = 0;
    for (double v : values) {
        for (double d : {v, std::nextafter(v, -INFINITY), std::nextafter(v, INFINITY)}) {
            for (double x : {d, -d}) {
                char fast[kValueFieldWidth + 1], exact[kValueFieldWidth];
                fast[kValueFieldWidth] = 0x7f;
                const bool ends = FormatValue(x, fast) == fast + kValueFieldWidth && fast[kValueFieldWidth] == 0x7f;
                detail::FormatValueExact(x, exact);
                const std::string want = test::ExactReference(x), got(fast, kValueFieldWidth);
                if ((!ends || got != want || std::string(exact, kValueFieldWidth) != want) && ++failures <= 10)
                    ADD_FAILURE() << std::hexfloat << x << std::defaultfloat << " (" << x << "): got " << got
                                  << ", want " << want;
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(ValueFormat, RangeEdgesAndPowersOfTen) {
    const double tiny = std::numeric_limits<double>::denorm_min();
    std::vector<double> edges = {0.0, INFINITY, std::numeric_limits<double>::quiet_NaN(), tiny, 2 * tiny, 3 * tiny,
                                 DBL_MIN, DBL_MAX, std::bit_cast<double>(std::uint64_t{0x0000000100000000}),
                                 std::bit_cast<double>(std::uint64_t{0x000123456789abcd})};
    for (int e = -323; e <= 308; ++e) edges.push_back(std::strtod(("1e" + std::to_string(e)).c_str(), nullptr));
    for (int e = -1074; e <= 1023; ++e) edges.push_back(std::ldexp(1.0, e));
    ExpectMatches(edges);
}

// Doubles K * 2^-j with K odd and j >= 1 end their expansion in a 5 at the
// digits(K * 5^j)-th significant digit; with `digits` significant digits
// they sit exactly on a rounding tie there.
std::vector<double> ExactTies(int digits, std::mt19937_64& rng) {
    std::vector<double> out;
    for (int j = 1;; ++j) {
        const long double pow5 = std::pow(5.0L, j);
        const long double hi = std::floor((std::pow(10.0L, digits) - 1) / pow5);
        if (hi < 1) break;
        const auto klo = static_cast<std::uint64_t>(std::max(std::ceil(std::pow(10.0L, digits - 1) / pow5), 1.0L));
        const auto khi = std::min(static_cast<std::uint64_t>(hi), (std::uint64_t{1} << 53) - 1);
        for (int n = 0; klo <= khi && n < 40; ++n) {
            std::uint64_t k = klo + rng() % (khi - klo + 1);
            if (k % 2 == 0) k = k < khi ? k + 1 : k - 1;
            if (k >= klo && k <= khi) out.push_back(std::ldexp(static_cast<double>(k), -j));
        }
    }
    return out;
}

TEST(ValueFormat, ValuesOnAndBesideRoundingTies) {
    std::mt19937_64 rng(11);
    // 8 digits: the 7th-digit tie of positives; 7 digits: the 6th-digit tie
    // of negatives; 18 digits: the tie of the 17-digit rounding.
    for (int digits : {7, 8, 18}) {
        SCOPED_TRACE(digits);
        ExpectMatches(ExactTies(digits, rng));
    }
    // Tied integers: n * 10^i with n of 7 or 8 digits ending in 5.
    std::vector<double> integers;
    for (int i = 0; i < 200; ++i) {
        const std::uint64_t n = i % 2 ? 1000000 + rng() % 900000 * 10 + 5 : 10000000 + rng() % 9000000 * 10 + 5;
        for (double scale = 1; scale <= 1e9; scale *= 10) integers.push_back(n * scale);
    }
    ExpectMatches(integers);
}

}  // namespace
}  // namespace cor2tavik
