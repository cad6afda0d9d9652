// The fast number scanners against the general ones: the same tokens and
// the same bits, or a refusal that leaves the token to the general path.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <random>
#include <type_traits>
#include <string>

#include <gtest/gtest.h>

#include "NumberScan.h"
#include "ValueFormat.h"
#include "X87Precision.h"

namespace cor2tavik {
namespace {

// Whether the fast path decided `token` (followed by a blank and the room it
// may look at); when it did, it must agree with the general path to the bit.
template <typename T>
bool ExpectSame(const std::string& token) {
    const std::string text = token + " " + std::string(kFastScanReach, ' ');
    const char* p = text.data();
    const char* const limit = p + text.size();
    T fast = 0, general = 0;
    const char* end = nullptr;
    int length = 0;
    ScanStatus status{};
    if constexpr (std::is_same_v<T, double>) {
        if ((end = FastReal(p, fast)) == nullptr) return false;
        length = RealTokenLength(p, limit);
        status = ParseReal(p, p + length, general);
    } else {
        if ((end = FastInteger(p, fast)) == nullptr) return false;
        length = IntegerTokenLength(p, limit);
        const char* q = p;
        status = ScanInteger(q, p + length, general);
    }
    EXPECT_EQ(status, ScanStatus::ok) << token;
    EXPECT_EQ(end - p, length) << token;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(double(fast)), std::bit_cast<std::uint64_t>(double(general)))
        << token << ": " << std::hexfloat << fast << " vs " << general;
    return true;
}

TEST(FastScan, RealAgreesWithTheGeneralPath) {
  // At 53 bits the extended path rounds once; at 64 it meets the halfway
  // guard.
  for (int bits : {53, 64}) {
    const X87Precision caller(bits);
    SCOPED_TRACE(bits);
    // Halfway between two doubles: 2^53 + 1 and 2^53 + 3. The fast path
    // must leave them to the general one or round them to even.
    for (const char* token : {"9007199254740993", "9.007199254740993e15", "-9007199254740993e0",
                              "9007199254740995", "4503599627370496.5", "1.5", "-0.0", "0e999",
                              "+.5E-3", "7.", "12e", "3.25e+", "1e-27", "1e27", "1e28", "123456789012345678e-30"})
        ExpectSame<double>(token);
    // More than 19 digits, or exponents beyond exact powers, go the general way.
    for (const char* token : {"12345678901234567890", "0.00000000000000000001", "1e-28", "5e300", "1e00001"})
        EXPECT_FALSE(ExpectSame<double>(token)) << token;

    std::mt19937_64 rng(12345);
    // Exactly halfway between two doubles, and a last digit either side:
    // odd N in [2^53, 2^54), and X.5, Y.25 and Y.75 a binade or two lower.
    for (int i = 0; i < 20000 && !HasFailure(); ++i) {
        const std::uint64_t n = ((std::uint64_t{1} << 53) + rng() % (std::uint64_t{1} << 53)) | 1;
        const std::uint64_t x = (std::uint64_t{1} << 52) + rng() % (std::uint64_t{1} << 52);
        const std::uint64_t y = (std::uint64_t{1} << 51) + rng() % (std::uint64_t{1} << 51);
        const std::string ns = std::to_string(n), xs = std::to_string(x), ys = std::to_string(y);
        for (const std::string& token : {ns, ns + "0e-1", "-" + ns + "00E-2", xs + ".5", ys + ".25", "-" + ys + ".75",
                                         ns + ".01", ns + "99e-2", xs + ".499", xs + ".501", ys + ".2501"})
            ExpectSame<double>(token);
    }
  }
}

TEST(FastScan, IntegerAgreesWithTheGeneralPath) {
    for (const char* token : {"0", "7", "-0", "+12", "1234567", "-12345678", "123456789", "2147483647",
                              "-2147483648", "0000000001", "12:", "5.5", "1234567e", "12345678.", "123456789x"})
        EXPECT_TRUE(ExpectSame<std::int32_t>(token)) << token;
    // Out of range, more than ten digits, or no digits: the general path decides.
    for (const char* token : {"2147483648", "-2147483649", "9999999999", "99999999999", "00000000001", "-", "+",
                              "+-1", "x1"})
        EXPECT_FALSE(ExpectSame<std::int32_t>(token)) << token;
}

// The field written for a token through FastCell and DecideCell, against the
// exact path's field of the double the general path reads; counts the tokens
// whose field came from their text.
void ExpectSameField(const std::string& token, int& fromText, int& copied) {
    const std::string text = token + " " + std::string(kFastScanReach, ' ');
    Cell scanned;
    double value = 0;
    const char* end = FastCell(text.data(), scanned);
    if (end == nullptr) return;
    const Cell cell = DecideCell(scanned);
    const int length = RealTokenLength(text.data(), text.data() + text.size());
    ASSERT_EQ(ParseReal(text.data(), text.data() + length, value), ScanStatus::ok) << token;
    EXPECT_EQ(end - text.data(), length) << token;
    char field[kValueFieldWidth], exact[kValueFieldWidth];
    FormatCell(cell, field);
    detail::FormatValueExact(value, exact);
    EXPECT_EQ(std::string(field, kValueFieldWidth), std::string(exact, kValueFieldWidth)) << token;
    fromText += (cell.bits >> 48) == kFieldCellTag || cell.scale != 0;
    copied += cell.scale != 0;
}

std::string Digits(std::mt19937_64& rng, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>('0' + rng() % 10);
    return s;
}

TEST(FastScan, FieldFromTheTextIsTheFieldOfTheValue) {
    std::mt19937_64 rng(27);
    int fromText = 0, copied = 0;
    // 1 to 20 digits, the point anywhere or nowhere, exponents over the
    // whole range and past its ends (denormals, overflow), either sign.
    for (int digits = 1; digits <= 20; ++digits) {
        for (int i = 0; i < 400; ++i) {
            const std::string m = Digits(rng, digits);
            const std::size_t point = i % 3 == 0 ? rng() % (m.size() + 1) : m.size();
            std::string token = m;
            if (point < m.size()) token.insert(point, 1, '.');
            if (i % 4) token.append("E").append(std::to_string(static_cast<int>(rng() % 660) - 330));
            for (char sign : {' ', '-', '+'}) ExpectSameField(sign == ' ' ? token : sign + token, fromText, copied);
        }
    }
    // Past the 7 kept digits (6 when negative): the tie, one unit either
    // side, and either side of the margin the text path keeps from it.
    for (int i = 0; i < 2000; ++i) {
        const bool negative = i % 2;
        // Some end in a run of 9s, which going up carries through.
        std::string kept = Digits(rng, negative ? 6 : 7);
        kept.replace(kept.size() - i % 8 % kept.size(), std::string::npos, i % 8 % kept.size(), '9');
        // Half in the layout solvers write, "E+dd", which has a path of its own.
        const int power = static_cast<int>(rng() % 600) - 300;
        char written[8];
        std::snprintf(written, sizeof written, "E%+03d", power % 100);
        const std::string exponent = i % 4 < 2 ? written : std::to_string(power).insert(0, 1, 'e');
        for (int tail = 1; kept.size() + tail <= 19; ++tail) {
            std::uint64_t unit = 1;
            for (int t = 0; t < tail; ++t) unit *= 10;
            const std::uint64_t margin = unit >> (negative ? 31 : 28);
            for (std::uint64_t delta : {std::uint64_t{0}, std::uint64_t{1}, margin / 2, margin / 2 + 1, margin,
                                        rng() % (margin + 1), rng() % (margin + 1), rng() % (unit / 2 + 1)}) {
                for (std::uint64_t rest : {unit / 2 + delta, unit / 2 - delta}) {
                    if (rest >= unit) continue;
                    std::string digits = std::to_string(rest);
                    digits.insert(0, tail - digits.size(), '0');
                    std::string token = negative ? "-" : "";
                    token += kept.substr(0, 1) + "." + kept.substr(1) + digits + exponent;
                    ExpectSameField(token, fromText, copied);
                }
            }
        }
    }
    // The ends of the exponent range, and a carry into the next decade.
    for (const char* token : {"9.9999995E+307", "1.0000000E-307", "9.999999E-308", "1.7976931348623157e308",
                              "2.2250738585072014e-308", "4.9e-324", "-9.9999950E+05", "9.99999949999E-3",
                              "-999999.5", "9999999.5", "0.000e-400", "-0", "1e-307", "-1e308", "999999999999999999e289",
                              "1.2345675000000000E-00", "-1.2345650000000000E-00", "9.999999E-00", "-9.999996E+00",
                              "-9.999995E+00", "0.9999999500000000E+00", "+9.9999995000000000E+99"})
        ExpectSameField(token, fromText, copied);
    EXPECT_GT(fromText, 10000);
    // The shapes solvers write are copied, bar a leading zero or a near-tie.
    EXPECT_GT(copied, 3000);
}

}  // namespace
}  // namespace cor2tavik
