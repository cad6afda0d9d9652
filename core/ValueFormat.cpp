#include "ValueFormat.h"

#include <bit>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// How the field's mantissa comes about. Let E = floor(log10 |d|) and
// v = |d| * 10^(17-E), a real number in [1e17, 1e18). The digits are
//   D18 = floor(v)                        (the expansion cut to 18 digits)
//   D17 = floor((D18 + 5) / 10)           (half-up to 17 digits)
//   D7  = floor((D17 + 5e9) / 1e10)       (half-up to 7 digits, d >= 0)
//   D6  = floor((D17 + 5e10) / 1e11)      (half-up to 6 digits, d < 0)
// Since floor(floor(x) / n) == floor(x / n) for integer n, the nested floors
// collapse to
//   D7 = floor(|d| * 10^(6-E) + 0.5 + 5e-11)
//   D6 = floor(|d| * 10^(5-E) + 0.5 + 5e-12)
// which the fast path evaluates in long double. D7 == 10^7 (D6 == 10^6) is a
// carry into the next decade.

namespace cor2tavik {
namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline char* WritePair(char* p, unsigned v) {
    std::memcpy(p, kDigitPairs + 2 * v, 2);
    return p + 2;
}

// `digits` has 7 digits (6 when negative), or is 0 for zero.
char* WriteField(char* out, bool negative, std::uint32_t digits, int exponent) {
    char* p = out;
    if (negative) {
        *p++ = '-';
        *p++ = static_cast<char>('0' + digits / 100000);
        *p++ = '.';
        const unsigned rest = digits % 100000;
        *p++ = static_cast<char>('0' + rest / 10000);
        p = WritePair(p, rest / 100 % 100);
        p = WritePair(p, rest % 100);
    } else {
        *p++ = static_cast<char>('0' + digits / 1000000);
        *p++ = '.';
        const unsigned rest = digits % 1000000;
        p = WritePair(p, rest / 10000);
        p = WritePair(p, rest / 100 % 100);
        p = WritePair(p, rest % 100);
    }
    *p++ = 'E';
    *p++ = exponent < 0 ? '-' : '+';
    const unsigned e = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    *p++ = static_cast<char>('0' + e / 100);
    return WritePair(p, e % 100);
}

char* WriteText(char* out, const char (&text)[kValueFieldWidth + 1]) {
    std::memcpy(out, text, kValueFieldWidth);
    return out + kValueFieldWidth;
}

// ---------------------------------------------------------------------------
// Exact path: D18 by integer arithmetic on the value's exact decimal form.

// Little-endian base-2^32 integer, large enough for m * 5^1074 with m < 2^53
// (about 2547 bits) and for m * 2^971 (1024 bits).
class BigInt {
public:
    explicit BigInt(std::uint64_t v) {
        w_[0] = static_cast<std::uint32_t>(v);
        w_[1] = static_cast<std::uint32_t>(v >> 32);
        n_ = w_[1] ? 2 : 1;
    }

    void ShiftLeft(int bits) {
        const int words = bits / 32;
        const int rem = bits % 32;
        if (rem) {
            std::uint32_t carry = 0;
            for (int i = 0; i < n_; ++i) {
                const std::uint32_t x = w_[i];
                w_[i] = (x << rem) | carry;
                carry = x >> (32 - rem);
            }
            if (carry) w_[n_++] = carry;
        }
        if (words) {
            for (int i = n_ - 1; i >= 0; --i) w_[i + words] = w_[i];
            for (int i = 0; i < words; ++i) w_[i] = 0;
            n_ += words;
        }
    }

    void Multiply(std::uint32_t f) {
        std::uint64_t carry = 0;
        for (int i = 0; i < n_; ++i) {
            const std::uint64_t t = std::uint64_t{w_[i]} * f + carry;
            w_[i] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        if (carry) w_[n_++] = static_cast<std::uint32_t>(carry);
    }

    template <std::uint32_t d>
    void Divide() {
        std::uint64_t rem = 0;
        for (int i = n_ - 1; i >= 0; --i) {
            const std::uint64_t cur = (rem << 32) | w_[i];
            w_[i] = static_cast<std::uint32_t>(cur / d);
            rem = cur % d;
        }
        while (n_ > 1 && w_[n_ - 1] == 0) --n_;
    }

    int Words() const { return n_; }

    // Only when Words() <= 2.
    std::uint64_t Low64() const {
        return (n_ > 1 ? std::uint64_t{w_[1]} << 32 : 0) | w_[0];
    }

private:
    static constexpr int kMaxWords = 84;
    std::uint32_t w_[kMaxWords] = {};
    int n_ = 1;
};

constexpr std::uint64_t kPow10[] = {
    1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull,
    100000000ull, 1000000000ull, 10000000000ull, 100000000000ull,
    1000000000000ull, 10000000000000ull, 100000000000000ull,
    1000000000000000ull, 10000000000000000ull, 100000000000000000ull,
    1000000000000000000ull};

struct Digits {
    std::uint32_t mantissa;  // 7 digits (6 when negative)
    int exponent;
};

// absBits: a finite non-zero double without its sign.
Digits ExactDigits(std::uint64_t absBits, bool negative) {
    const int biased = static_cast<int>(absBits >> 52);
    std::uint64_t m = absBits & ((std::uint64_t{1} << 52) - 1);
    int e2 = -1074;
    if (biased != 0) {
        m |= std::uint64_t{1} << 52;
        e2 = biased - 1075;
    }
    const int tz = std::countr_zero(m);
    m >>= tz;
    e2 += tz;

    // |d| = M * 10^s with M an integer.
    BigInt big(m);
    int s = 0;
    if (e2 >= 0) {
        big.ShiftLeft(e2);
    } else {
        s = e2;
        int n = -e2;
        constexpr std::uint32_t kPow5_13 = 1220703125u;
        for (; n >= 13; n -= 13) big.Multiply(kPow5_13);
        std::uint32_t f = 1;
        for (; n > 0; --n) f *= 5;
        big.Multiply(f);
    }

    // Cut M to its leading 18 digits; `dropped` counts the digits cut off.
    // Dividing by 1e9 while M >= 2^96 (> 1e27), or by 10 while M >= 2^64
    // (> 1e19), never leaves fewer than 18.
    int dropped = 0;
    while (big.Words() > 2) {
        if (big.Words() > 3) {
            big.Divide<1000000000u>();
            dropped += 9;
        } else {
            big.Divide<10u>();
            dropped += 1;
        }
    }
    std::uint64_t d18 = big.Low64();
    while (d18 >= kPow10[18]) {
        d18 /= 10;
        ++dropped;
    }
    int length = 18 + dropped;  // decimal digits of M
    if (dropped == 0) {
        length = 1;
        while (length < 18 && d18 >= kPow10[length]) ++length;
        d18 *= kPow10[18 - length];
    }
    int exponent = length - 1 + s;

    const std::uint64_t d17 = (d18 + 5) / 10;
    std::uint32_t mant;
    if (negative) {
        mant = static_cast<std::uint32_t>((d17 + 50000000000ull) / 100000000000ull);
        if (mant == 1000000) {
            mant = 100000;
            ++exponent;
        }
    } else {
        mant = static_cast<std::uint32_t>((d17 + 5000000000ull) / 10000000000ull);
        if (mant == 10000000) {
            mant = 1000000;
            ++exponent;
        }
    }
    return {mant, exponent};
}

// ---------------------------------------------------------------------------
// Fast path: the collapsed formula in x87 extended precision.

constexpr bool kFastPath = LDBL_MANT_DIG >= 64 && LDBL_MAX_10_EXP >= 340 &&
                           LDBL_MIN_10_EXP <= -330;

constexpr int kMinPow = -330;
constexpr int kMaxPow = 340;

// 10^k correctly rounded to long double, for kMinPow <= k <= kMaxPow.
class PowerTable {
public:
    PowerTable() {
        for (int k = kMinPow; k <= kMaxPow; ++k) {
            char text[8] = {'1', 'e'};
            char* p = text + 2;
            int a = k;
            if (a < 0) {
                *p++ = '-';
                a = -a;
            }
            *p++ = static_cast<char>('0' + a / 100);
            *p++ = static_cast<char>('0' + a / 10 % 10);
            *p++ = static_cast<char>('0' + a % 10);
            *p = '\0';
            table_[k - kMinPow] = std::strtold(text, nullptr);
        }
    }
    long double operator[](int k) const { return table_[k - kMinPow]; }

private:
    long double table_[kMaxPow - kMinPow + 1];
};

const PowerTable& Powers() {
    static const PowerTable table;
    return table;
}

// Error bound of r = |d| * 10^k + t below (64-bit significand, u = 2^-64).
// The table entry and the product each add a relative error of at most u
// (2u under a directed rounding mode), so y < 1e7 is off by < 1e7 * 4u
// = 2.2e-12; t is off by < 2^-64 and the sum's rounding below 2^24 by at most
// 2^-40 = 9.1e-13. Total < 3.2e-12, and a tenth of that for the six-digit
// form (y < 1e6, r < 2^20). A fraction that far from an integer floors
// correctly; the margins leave 6x headroom yet keep exact ties at the last
// kept digit (fraction 5e-11, resp. 5e-12, above an integer) on this path.
constexpr long double kMargin7 = 2e-11L;
constexpr long double kMargin6 = 2e-12L;
constexpr long double kOffset7 = 0.50000000005L;  // 0.5 + 5e-11
constexpr long double kOffset6 = 0.500000000005L; // 0.5 + 5e-12

char* FormatFinite(std::uint64_t absBits, bool negative, bool allowFast, char* out) {
    if (absBits == 0) return WriteText(out, "0.000000E+000");

    if constexpr (kFastPath) {
        if (allowFast) {
            const PowerTable& powers = Powers();
            const int biased = static_cast<int>(absBits >> 52);
            const int e2 = biased != 0
                               ? biased - 1023
                               : -1011 - std::countl_zero(absBits);  // -1074 + 63 - clz
            // floor(e2 * log10 2), exact for every e2 of a double; E is e0 or e0 + 1.
            const int e0 = static_cast<int>((std::int64_t{e2} * 1292913986) >> 32);
            const long double a = std::bit_cast<double>(absBits);
            // Against the rounded power, E may come out one too high or low
            // when |d| is within a rounding error of 10^(e0+1). Then y sits
            // next to a decade boundary and both choices give 1.0...0E(e0+1),
            // the lower one through the carry below.
            int exponent = e0 + (a >= powers[e0 + 1] ? 1 : 0);
            const long double y = a * powers[(negative ? 5 : 6) - exponent];
            const long double r = y + (negative ? kOffset6 : kOffset7);
            // The double conversion may round r up past an integer; the
            // fraction test below then sends it to the exact path.
            const std::int64_t n = static_cast<std::int64_t>(static_cast<double>(r));
            const long double frac = r - static_cast<long double>(n);
            const long double margin = negative ? kMargin6 : kMargin7;
            if (frac >= margin && frac <= 1 - margin) {
                std::uint32_t mant = static_cast<std::uint32_t>(n);
                const std::uint32_t carry = negative ? 1000000 : 10000000;
                if (mant >= carry) {
                    mant = carry / 10;
                    ++exponent;
                }
                return WriteField(out, negative, mant, exponent);
            }
        }
    }

    const Digits d = ExactDigits(absBits, negative);
    return WriteField(out, negative, d.mantissa, d.exponent);
}

char* Format(double value, bool allowFast, char* out) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const std::uint64_t absBits = bits & ~(std::uint64_t{1} << 63);
    if ((absBits >> 52) == 0x7ff) {
        if (absBits == (std::uint64_t{0x7ff} << 52))
            return WriteText(out, negative ? "-1.#INF0E+000" : "1.#INF00E+000");
        return WriteText(out, negative ? "-1.#QNANE+000" : "1.#QNAN0E+000");
    }
    // -0.0 is written as zero, without a sign.
    return FormatFinite(absBits, negative && absBits != 0, allowFast, out);
}

}  // namespace

char* FormatValue(double value, char* out) { return Format(value, true, out); }

std::string FormatValue(double value) {
    std::string s(kValueFieldWidth, '\0');
    FormatValue(value, s.data());
    return s;
}

namespace detail {
char* FormatValueExact(double value, char* out) { return Format(value, false, out); }
}  // namespace detail

}  // namespace cor2tavik
