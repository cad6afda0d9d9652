#include "ValueFormat.h"

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ByteWord.h"
#include "X87Precision.h"

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
// which the fast path evaluates in 64-bit fixed point. D7 == 10^7 (D6 ==
// 10^6) is a carry into the next decade.

namespace cor2tavik {
namespace {

// "E+xxx" less its 'E', four bytes in the written order, for each exponent
// from -512 to 511 (every exponent a FieldCell can hold) at exponent + 512.
constexpr auto kExponentTexts = [] {
    std::array<std::uint32_t, 1024> texts{};
    for (int i = 0; i < 1024; ++i) {
        const int e = i < 512 ? 512 - i : i - 512;
        const std::uint32_t sign = i < 512 ? '-' : '+';
        texts[i] = sign | std::uint32_t('0' + e / 100) << 8 | std::uint32_t('0' + e / 10 % 10) << 16 |
                   std::uint32_t('0' + e % 10) << 24;
    }
    return texts;
}();

inline char* WritePair(char* p, unsigned v) {
    std::memcpy(p, kDigitPairs + 2 * v, 2);
    return p + 2;
}

// `digits` has 7 digits (6 when negative), or is 0 for zero; `exponent` is
// within -512 to 511.
//
// On little-endian machines the field is written by words, without a
// branch: the sign of result values is a coin toss. The digits' text is
// "0ddd dddd" ("00dd dddd" when negative). Its second half is bytes 4 to 7
// of either layout; in the first, the lead digit moves down a byte to make
// room for the point, and the negative layout is the positive one a byte
// further up, under its '-'. A 64-bit machine then writes bytes 0-7 and
// 5-12; a 32-bit one, which would take several instructions for a shift or
// mask of 64 bits, writes four-byte words.
[[gnu::always_inline]] inline char* WriteField(char* out, bool negative, std::uint32_t digits, int exponent) {
    if constexpr (kLittleEndian) {
        const std::uint32_t minus = negative;
        const unsigned up = 8 * minus;
        const std::uint64_t text = DigitText(digits);
        const auto lead = static_cast<std::uint32_t>(text);
        const std::uint32_t first = (lead & ~0xFFFFu << up) | (lead >> 8 & 0xFFu << up) | std::uint32_t{'.'} << 8 << up |
                                    (std::uint32_t{'-'} & (0 - minus));
        const std::uint32_t exponentText = kExponentTexts[static_cast<unsigned>(exponent + 512) & 1023];
        if constexpr (kWideWords) {
            const std::uint64_t head = first | (text & ~std::uint64_t{0xFFFFFFFF});
            const std::uint64_t tail = head >> 40 | std::uint64_t{'E'} << 24 | std::uint64_t{exponentText} << 32;
            std::memcpy(out, &head, 8);
            std::memcpy(out + 5, &tail, 8);
        } else {
            const auto rest = static_cast<std::uint32_t>(text >> 32);
            std::memcpy(out, &first, 4);
            std::memcpy(out + 4, &rest, 4);
            out[8] = 'E';
            std::memcpy(out + 9, &exponentText, 4);
        }
        return out + kValueFieldWidth;
    }
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
// Fast path: the collapsed formula in 64 x 64-bit integer arithmetic, with
// 10^k rounded to a 64-bit significand.

// The power table comes from long double: it needs 64 significant bits.
constexpr bool kFastPath = LDBL_MANT_DIG >= 64 && LDBL_MAX_10_EXP >= 340 && LDBL_MIN_10_EXP <= -330;
#if LDBL_MANT_DIG < 64
#pragma message("long double has fewer than 64 significant bits here: values are formatted without the fast path (same text, slower)")
#endif

// a * b as two 64-bit halves.
void Multiply(std::uint64_t a, std::uint64_t b, std::uint64_t& high, std::uint64_t& low) {
#ifdef __SIZEOF_INT128__
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    high = static_cast<std::uint64_t>(product >> 64);
    low = static_cast<std::uint64_t>(product);
#else
    const std::uint64_t aLow = a & 0xFFFFFFFF, aHigh = a >> 32, bLow = b & 0xFFFFFFFF, bHigh = b >> 32;
    const std::uint64_t ll = aLow * bLow, lh = aLow * bHigh, hl = aHigh * bLow, hh = aHigh * bHigh;
    const std::uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFF) + (hl & 0xFFFFFFFF);
    high = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
    low = (middle << 32) | (ll & 0xFFFFFFFF);
#endif
}

constexpr int kMinPow = -330;
constexpr int kMaxPow = 340;

// 10^k ~ significand * 2^exponent, significand in [2^63, 2^64).
struct Power {
    std::uint64_t significand;
    int exponent;
};

// 10^k for kMinPow <= k <= kMaxPow, from strtold's correctly rounded
// extended precision.
class PowerTable {
public:
    PowerTable() {
        const FullPrecision precision;
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
            int exponent = 0;
            const long double fraction = std::frexp(std::strtold(text, nullptr), &exponent);  // [0.5, 1)
            table_[k - kMinPow] = {static_cast<std::uint64_t>(std::ldexp(fraction, 64)), exponent - 64};
        }
    }
    const Power& operator[](int k) const { return table_[k - kMinPow]; }

private:
    Power table_[kMaxPow - kMinPow + 1];
};

const PowerTable& Powers() {
    static const PowerTable table;
    return table;
}

// Error bound of r = y + t below, y = |d| * 10^k, in units of 2^-64 for the
// fraction. The table's significand is off by a relative 2^-64 (2^-63 had
// strtold rounded in a directed mode), so y < 1e7 is off by < 1e7 * 2^-63
// = 1.1e-12; cutting y's fraction to 64 bits and t to the nearest unit add
// < 2^-63. Total < 1.2e-12, a tenth of that for the six-digit form (y <
// 1e6). A fraction that far from an integer floors correctly; the margins
// leave 15x headroom yet keep exact ties at the last kept digit (fraction
// 5e-11, resp. 5e-12, above an integer) on this path.
constexpr std::uint64_t kMargin7 = 368934881;             // 2e-11 * 2^64
constexpr std::uint64_t kMargin6 = 36893488;              // 2e-12 * 2^64
constexpr std::uint64_t kOffset7 = 9223372037777113012u;  // (0.5 + 5e-11) * 2^64
constexpr std::uint64_t kOffset6 = 9223372036947009528u;  // (0.5 + 5e-12) * 2^64

char* FormatFinite(std::uint64_t absBits, bool negative, bool allowFast, char* out) {
    if (absBits == 0) return WriteText(out, "0.000000E+000");

    if constexpr (kFastPath) {
        if (allowFast) {
            const PowerTable& powers = Powers();
            // |d| = m * 2^e with m in [2^52, 2^53).
            const int biased = static_cast<int>(absBits >> 52);
            std::uint64_t m = absBits & ((std::uint64_t{1} << 52) - 1);
            int e = biased - 1075;
            if (biased != 0) {
                m |= std::uint64_t{1} << 52;
            } else {
                const int shift = std::countl_zero(absBits) - 11;
                m <<= shift;
                e = -1074 - shift;
            }
            // floor(e2 * log10 2), exact for every e2 of a double; E is e0 or e0 + 1.
            const int e0 = static_cast<int>((std::int64_t{e + 52} * 1292913986) >> 32);
            const std::uint32_t carry = negative ? 1000000 : 10000000;
            int exponent = e0;
            for (;;) {
                const Power& power = powers[(negative ? 5 : 6) - exponent];
                // y = m * significand / 2^shift, 2^16 < y < 2^27: 88 < shift < 101.
                const int shift = -(e + power.exponent);
                if (shift <= 64 || shift >= 128) break;
                std::uint64_t high, low;
                Multiply(m, power.significand, high, low);
                const std::uint64_t whole = high >> (shift - 64);
                // Against the rounded power, y may land next to 10^7 (10^6)
                // on the wrong side when |d| is within a rounding error of
                // 10^(e0+1). Both choices then give 1.0...0E(e0+1), the lower
                // one through the carry below.
                if (whole >= carry && exponent == e0) {
                    ++exponent;
                    continue;
                }
                const std::uint64_t fraction = (high << (128 - shift)) | (low >> (shift - 64));
                const std::uint64_t r = fraction + (negative ? kOffset6 : kOffset7);
                std::uint64_t mant = whole + (r < fraction ? 1 : 0);
                const std::uint64_t margin = negative ? kMargin6 : kMargin7;
                if (r < margin || r > ~margin) break;
                if (mant >= carry) {
                    mant = carry / 10;
                    ++exponent;
                }
                return WriteField(out, negative, static_cast<std::uint32_t>(mant), exponent);
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

namespace detail {
char* FormatBits(std::uint64_t bits, char* out) {
    if ((bits >> 48) != kFieldCellTag) return Format(std::bit_cast<double>(bits), true, out);
    return WriteField(out, (bits >> 34) & 1, bits & 0xFFFFFF, static_cast<int>((bits >> 24) & 0x3FF) - 512);
}

char* FormatValueExact(double value, char* out) { return Format(value, false, out); }
}  // namespace detail

}  // namespace cor2tavik
