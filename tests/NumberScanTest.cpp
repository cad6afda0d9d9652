// The fast number scanners against the general ones: the same tokens and
// the same bits, or a refusal that leaves the token to the general path.
#include <bit>
#include <random>
#include <type_traits>
#include <string>

#include <gtest/gtest.h>

#include "NumberScan.h"

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

TEST(FastScan, IntegerAgreesWithTheGeneralPath) {
    for (const char* token : {"0", "7", "-0", "+12", "1234567", "-12345678", "123456789", "2147483647",
                              "-2147483648", "0000000001", "12:", "5.5", "1234567e", "12345678.", "123456789x"})
        EXPECT_TRUE(ExpectSame<std::int32_t>(token)) << token;
    // Out of range, more than ten digits, or no digits: the general path decides.
    for (const char* token : {"2147483648", "-2147483649", "9999999999", "99999999999", "00000000001", "-", "+",
                              "+-1", "x1"})
        EXPECT_FALSE(ExpectSame<std::int32_t>(token)) << token;
}

}  // namespace
}  // namespace cor2tavik
