#include "ValueFormat.h"

#include "ExactValueField.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace cor2tavik {
namespace {

using test::ExactReference;
using test::FieldFromPrintf;
using test::SpecialField;

class RoundingModeScope {
public:
    explicit RoundingModeScope(int mode) : saved_(std::fegetround()) { std::fesetround(mode); }
    ~RoundingModeScope() { std::fesetround(saved_); }

private:
    int saved_;
};

// glibc's printf honours the rounding mode: towards zero, "%.17e" is the
// expansion cut to 18 digits. Checked against ExactReference below.
std::string TruncatingReference(double d) {
    std::string field;
    if (SpecialField(d, field)) return field;
    char buf[64];
    {
        RoundingModeScope scope(FE_TOWARDZERO);
        std::snprintf(buf, sizeof buf, "%.17e", std::fabs(d));
    }
    return FieldFromPrintf(d < 0, buf);
}

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

double RandomNonNan(std::mt19937_64& rng) {
    for (;;) {
        const double d = std::bit_cast<double>(rng());
        if (!std::isnan(d)) return d;
    }
}

// |x| in [1e-6, 1e6) with 17 random significant digits, either sign.
double RandomTypical(std::mt19937_64& rng) {
    char text[40];
    char* p = text;
    if (rng() & 1) *p++ = '-';
    *p++ = static_cast<char>('1' + rng() % 9);
    *p++ = '.';
    for (int i = 0; i < 16; ++i) *p++ = static_cast<char>('0' + rng() % 10);
    std::snprintf(p, text + sizeof text - p, "e%d", static_cast<int>(rng() % 12) - 6);
    return std::strtod(text, nullptr);
}

// Compares FormatValue with `reference` for every value, reporting the
// first few mismatches.
template <typename Reference>
void ExpectMatches(const std::vector<double>& values, Reference reference) {
    int failures = 0;
    for (double d : values) {
        const std::string want = reference(d);
        const std::string got = Format(d);
        if (got != want && ++failures <= 10)
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

// ---------------------------------------------------------------------------

TEST(ValueFormat, KnownValues) {
    const struct {
        double value;
        const char* field;
    } cases[] = {
        {1.0, "1.000000E+000"},
        {-1.0, "-1.00000E+000"},
        {123.456, "1.234560E+002"},
        {-0.1, "-1.00000E-001"},
        {1.0078125, "1.007813E+000"},    // exact tie, up
        {-1.015625, "-1.01563E+000"},    // exact tie, up
        {12345665.0, "1.234567E+007"},   // exact tie, up
        {12345675.0, "1.234568E+007"},
        {1234567.5, "1.234568E+006"},
        {-1234565.0, "-1.23457E+006"},
        {9.9999996, "1.000000E+001"},    // carry into the exponent
        {-9.999996, "-1.00000E+001"},
        {0.1, "1.000000E-001"},
        {1e-5, "1.000000E-005"},
        {1e100, "1.000000E+100"},
        {-2.5e-300, "-2.50000E-300"},
        {std::numeric_limits<double>::denorm_min(), "4.940656E-324"},
        {-std::numeric_limits<double>::denorm_min(), "-4.94066E-324"},
        {DBL_MAX, "1.797693E+308"},
        {-DBL_MAX, "-1.79769E+308"},
        {DBL_MIN, "2.225074E-308"},
        // 1.00000149999999998762...: the 18-digit cut ends in 8, so the
        // 17-digit form is 1.0000015000000000 and rounds up.
        {1.0000015, "1.000002E+000"},
        // One ulp below: 1.00000149999999976557... stays below the tie.
        {std::nextafter(1.0000015, 0.0), "1.000001E+000"},
        // 12345674.9999999981373...: cut ...981, 17 digits ...998, down.
        {std::nextafter(12345675.0, 0.0), "1.234567E+007"},
        {0.5, "5.000000E-001"},
        {-0.25, "-2.50000E-001"},
        {0.0, "0.000000E+000"},
        {-0.0, "0.000000E+000"},
        {INFINITY, "1.#INF00E+000"},
        {-INFINITY, "-1.#INF0E+000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Format(c.value), c.field) << std::hexfloat << c.value;
        EXPECT_EQ(FormatExact(c.value), c.field) << std::hexfloat << c.value;
        EXPECT_EQ(FormatValue(c.value), c.field) << std::hexfloat << c.value;
    }
}

TEST(ValueFormat, NanStillFillsTheField) {
    for (double nan : {std::numeric_limits<double>::quiet_NaN(),
                       -std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::signaling_NaN()}) {
        const std::string field = Format(nan);
        EXPECT_EQ(field.find('\0'), std::string::npos) << field;
        EXPECT_EQ(field.substr(field.size() - 5), "E+000");
    }
}

TEST(ValueFormat, ReferencesAgree) {
    std::mt19937_64 rng(7);
    std::vector<double> values;
    for (int i = 0; i < 3000; ++i) values.push_back(RandomNonNan(rng));
    for (int i = 0; i < 2000; ++i) values.push_back(RandomTypical(rng));
    const std::vector<double> ties = WithNeighbours(ExactTies(18, rng, 20));
    values.insert(values.end(), ties.begin(), ties.end());
    values.push_back(1.0000015);
    for (double d : values) ASSERT_EQ(TruncatingReference(d), ExactReference(d)) << std::hexfloat << d;
    // The fast reference is only valid if the rounding mode came back.
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
}

TEST(ValueFormat, RangeEdgesAndPowersOfTen) {
    std::vector<double> edges = {
        std::numeric_limits<double>::denorm_min(),
        2 * std::numeric_limits<double>::denorm_min(),
        3 * std::numeric_limits<double>::denorm_min(),
        std::nextafter(DBL_MIN, 0.0),  // largest denormal
        std::bit_cast<double>(std::uint64_t{0x0000000100000000}),
        std::bit_cast<double>(std::uint64_t{0x0008000000000000}),
        std::bit_cast<double>(std::uint64_t{0x000123456789abcd}),
        DBL_MIN,
        DBL_MAX,
    };
    for (int e = -323; e <= 308; ++e) {
        char text[16];
        std::snprintf(text, sizeof text, "1e%d", e);
        edges.push_back(std::strtod(text, nullptr));
    }
    for (int e = -1074; e <= 1023; ++e) edges.push_back(std::ldexp(1.0, e));
    ExpectMatches(WithNeighbours(edges), ExactReference);
}

TEST(ValueFormat, ValuesOnAndBesideRoundingTies) {
    std::mt19937_64 rng(11);
    // 8 digits: the 7th-digit tie of positives; 7 digits: the 6th-digit tie
    // of negatives; 18 digits: the tie of the 17-digit rounding.
    for (int digits : {7, 8, 18}) {
        SCOPED_TRACE(digits);
        ExpectMatches(WithNeighbours(ExactTies(digits, rng, 40)), ExactReference);
    }
    // Tied integers: n * 10^i with n of 7 or 8 digits ending in 5.
    std::vector<double> integers;
    for (int i = 0; i < 200; ++i) {
        const std::uint64_t n = i % 2 ? 1000000 + rng() % 900000 * 10 + 5
                                      : 10000000 + rng() % 9000000 * 10 + 5;
        for (double scale = 1; scale <= 1e9; scale *= 10) integers.push_back(n * scale);
    }
    ExpectMatches(WithNeighbours(integers), ExactReference);

    // Decimal strings at a tie of the last kept digit, or whose 18-digit cut
    // ties the 17-digit rounding into a carry of the last kept digit. The
    // nearest double and its neighbours fall on either side.
    std::vector<double> around;
    for (int i = 0; i < 3000; ++i) {
        const bool negative = i % 2;
        const bool cutTie = i % 4 >= 2;
        char text[48];
        char* p = text;
        *p++ = static_cast<char>('1' + rng() % 9);
        *p++ = '.';
        for (int k = 1; k < (negative ? 6 : 7); ++k) *p++ = static_cast<char>('0' + rng() % 10);
        const char* tail = !cutTie ? "5" : negative ? "499999999995" : "49999999995";
        std::snprintf(p, text + sizeof text - p, "%se%d", tail, static_cast<int>(rng() % 630) - 320);
        double d = std::strtod(text, nullptr);
        if (negative) d = -d;
        double lo = d, hi = d;
        around.push_back(d);
        for (int k = 0; k < 3; ++k) {
            lo = std::nextafter(lo, 0.0);
            hi = std::nextafter(hi, d * 2);
            around.push_back(lo);
            around.push_back(hi);
        }
    }
    ExpectMatches(around, ExactReference);
}

TEST(ValueFormat, RandomBitPatterns) {
    std::mt19937_64 rng(20240531);
    std::vector<double> values(3'000'000);
    for (double& d : values) d = RandomNonNan(rng);
    ExpectMatches(values, TruncatingReference);
}

TEST(ValueFormat, RandomTypicalValues) {
    std::mt19937_64 rng(99);
    std::vector<double> values(1'000'000);
    for (double& d : values) d = RandomTypical(rng);
    ExpectMatches(values, TruncatingReference);
}

TEST(ValueFormat, FastAndExactPathsAgree) {
    std::mt19937_64 rng(5);
    std::vector<double> values;
    for (int i = 0; i < 100000; ++i) values.push_back(RandomNonNan(rng));
    for (int i = 0; i < 200000; ++i) values.push_back(RandomTypical(rng));
    for (int digits : {7, 8, 18}) {
        const std::vector<double> ties = WithNeighbours(ExactTies(digits, rng, 200));
        values.insert(values.end(), ties.begin(), ties.end());
    }
    int failures = 0;
    for (double d : values) {
        const std::string fast = Format(d);
        const std::string exact = FormatExact(d);
        if (fast != exact && ++failures <= 10)
            ADD_FAILURE() << std::hexfloat << d << ": fast " << fast << ", exact " << exact;
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace cor2tavik
