// The value field against the exact reference, on the values where a
// shortcut would go wrong: ties, their neighbours and the range's ends.
#include "ValueFormat.h"

#include <gtest/gtest.h>

#include "ExactValueField.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace cor2tavik {
namespace {

using test::ExactReference;

#if defined(__x86_64__) || defined(__i386__)
// Every test of this program runs with the x87 unit at 53 bits, as Windows
// starts a thread: the core must set the precision its fast paths need.
const bool kCallerAt53Bits = [] {
    std::uint16_t control;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    control = static_cast<std::uint16_t>((control & ~0x300) | 0x200);
    __asm__ volatile("fldcw %0" : : "m"(control));
    return true;
}();
#endif

std::string Format(double d) {
    char buf[kValueFieldWidth + 4];
    std::memset(buf, 0x7f, sizeof buf);
    char* end = FormatValue(d, buf);
    EXPECT_EQ(end, buf + kValueFieldWidth);
    for (std::size_t i = kValueFieldWidth; i < sizeof buf; ++i)
        EXPECT_EQ(buf[i], 0x7f) << "wrote past the field for " << d;
    return std::string(buf, kValueFieldWidth);
}

std::string FormatExact(double d) {
    char buf[kValueFieldWidth];
    detail::FormatValueExact(d, buf);
    return std::string(buf, kValueFieldWidth);
}

// Compares both paths with the exact reference, reporting the first few
// mismatches.
void ExpectMatches(const std::vector<double>& values) {
    int failures = 0;
    for (double d : values) {
        const std::string want = ExactReference(d);
        const std::string got = Format(d);
        if ((got != want || FormatExact(d) != want) && ++failures <= 10)
            ADD_FAILURE() << std::hexfloat << d << std::defaultfloat << " (" << d
                          << "): got " << got << ", want " << want;
    }
    EXPECT_EQ(failures, 0);
}

// Doubles K * 2^-j with K odd and j >= 1 end their expansion in a 5 at the
// digits(K * 5^j)-th significant digit; with `digits` significant digits
// they sit exactly on a rounding tie there.
std::vector<double> ExactTies(int digits, std::mt19937_64& rng, int perExponent) {
    std::vector<double> out;
    for (int j = 1;; ++j) {
        const long double pow5 = std::pow(5.0L, j);
        const long double lo = std::ceil(std::pow(10.0L, digits - 1) / pow5);
        const long double hi = std::floor((std::pow(10.0L, digits) - 1) / pow5);
        if (hi < 1) break;
        const auto klo = static_cast<std::uint64_t>(std::max(lo, 1.0L));
        const auto khi = std::min(static_cast<std::uint64_t>(hi), (std::uint64_t{1} << 53) - 1);
        if (klo > khi) continue;
        for (int n = 0; n < perExponent; ++n) {
            std::uint64_t k = klo + rng() % (khi - klo + 1);
            if (k % 2 == 0) k = k < khi ? k + 1 : k - 1;
            if (k < klo || k > khi) continue;
            out.push_back(std::ldexp(static_cast<double>(k), -j));
        }
    }
    return out;
}

std::vector<double> WithNeighbours(const std::vector<double>& values) {
    std::vector<double> out;
    for (double d : values) {
        for (double x : {d, std::nextafter(d, -INFINITY), std::nextafter(d, INFINITY)}) {
            out.push_back(x);
            out.push_back(-x);
        }
    }
    return out;
}

// Both paths on values whose field is known: ties, carries, range ends.
TEST(ValueFormat, KnownValues) {
    const std::pair<double, const char*> cases[] = {
        {-0.1, "-1.00000E-001"},          {12345665.0, "1.234567E+007"},  // exact tie, up
        {12345675.0, "1.234568E+007"},    {1234567.5, "1.234568E+006"},  {-1234565.0, "-1.23457E+006"},
        {9.9999996, "1.000000E+001"},     {-9.999996, "-1.00000E+001"},  // carry into the exponent
        {DBL_MAX, "1.797693E+308"},       {-DBL_MAX, "-1.79769E+308"},   {DBL_MIN, "2.225074E-308"},
        {-std::numeric_limits<double>::denorm_min(), "-4.94066E-324"},
        // 1.00000149999999998762...: the 18-digit cut ends in 8, so the
        // 17-digit form is 1.0000015000000000 and rounds up; one ulp below
        // stays below the tie.
        {1.0000015, "1.000002E+000"},     {std::nextafter(1.0000015, 0.0), "1.000001E+000"},
        {std::nextafter(12345675.0, 0.0), "1.234567E+007"},  // cut ...981, 17 digits ...998
        {-0.0, "0.000000E+000"},          {-INFINITY, "-1.#INF0E+000"},  {1e100, "1.000000E+100"},
        {1.0, "1.000000E+000"},           {-1e-5, "-1.00000E-005"},
    };
    for (const auto& [value, field] : cases) {
        EXPECT_EQ(Format(value), field) << std::hexfloat << value;
        EXPECT_EQ(FormatExact(value), field) << std::hexfloat << value;
    }
    // NaN still fills the field.
    const std::string nan = Format(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(nan.find('\0'), std::string::npos);
    EXPECT_EQ(nan.substr(8), "E+000");
}

TEST(ValueFormat, RangeEdgesAndPowersOfTen) {
    const double tiny = std::numeric_limits<double>::denorm_min();
    std::vector<double> edges = {tiny, 2 * tiny, 3 * tiny, std::nextafter(DBL_MIN, 0.0), DBL_MIN, DBL_MAX,
                                 std::bit_cast<double>(std::uint64_t{0x0000000100000000}),
                                 std::bit_cast<double>(std::uint64_t{0x000123456789abcd})};
    for (int e = -323; e <= 308; ++e) {
        char text[16];
        std::snprintf(text, sizeof text, "1e%d", e);
        edges.push_back(std::strtod(text, nullptr));
    }
    for (int e = -1074; e <= 1023; ++e) edges.push_back(std::ldexp(1.0, e));
    ExpectMatches(WithNeighbours(edges));
}

TEST(ValueFormat, ValuesOnAndBesideRoundingTies) {
    std::mt19937_64 rng(11);
    // 8 digits: the 7th-digit tie of positives; 7 digits: the 6th-digit tie
    // of negatives; 18 digits: the tie of the 17-digit rounding.
    for (int digits : {7, 8, 18}) {
        SCOPED_TRACE(digits);
        ExpectMatches(WithNeighbours(ExactTies(digits, rng, 40)));
    }
    // Tied integers: n * 10^i with n of 7 or 8 digits ending in 5.
    std::vector<double> integers;
    for (int i = 0; i < 200; ++i) {
        const std::uint64_t n = i % 2 ? 1000000 + rng() % 900000 * 10 + 5
                                      : 10000000 + rng() % 9000000 * 10 + 5;
        for (double scale = 1; scale <= 1e9; scale *= 10) integers.push_back(n * scale);
    }
    ExpectMatches(WithNeighbours(integers));
}

}  // namespace
}  // namespace cor2tavik
