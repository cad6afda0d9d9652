#include "NumberScan.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "ByteWord.h"
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include "ValueFormat.h"

namespace cor2tavik {

int IntegerTokenLength(const char* p, const char* end) {
    const char* q = p;
    if (q != end && (*q == '+' || *q == '-')) ++q;
    const char* digits = q;
    while (q != end && IsDigit(*q)) ++q;
    return q == digits ? 0 : static_cast<int>(q - p);
}

int RealTokenLength(const char* p, const char* end) {
    const char* q = p;
    if (q != end && (*q == '+' || *q == '-')) ++q;
    int digits = 0;
    while (q != end && IsDigit(*q)) ++q, ++digits;
    if (q != end && *q == '.') {
        ++q;
        while (q != end && IsDigit(*q)) ++q, ++digits;
    }
    if (digits == 0) return 0;
    if (q != end && (*q == 'e' || *q == 'E')) {
        const char* e = q + 1;
        if (e != end && (*e == '+' || *e == '-')) ++e;
        if (e != end && IsDigit(*e)) {
            while (e != end && IsDigit(*e)) ++e;
            q = e;
        }
    }
    return static_cast<int>(q - p);
}

CountCheck CheckCount(ScanStatus scanned, std::int32_t count, std::uint64_t fileSize) {
    switch (scanned) {
    case ScanStatus::ok:
        break;
    case ScanStatus::overflow:
        return CountCheck::tooWide;
    default:
        return CountCheck::missing;
    }
    if (count < 0) return CountCheck::negative;
    if (static_cast<std::uint64_t>(count) > fileSize) return CountCheck::beyondFile;
    return CountCheck::ok;
}

namespace {

// Out of range for std::from_chars: decide between infinity and zero from the
// decimal exponent of the first significant digit.
double OutOfRange(const char* p, const char* end) {
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    long position = 0;  // digits before the point, after leading zeros
    bool significant = false;
    for (; p != end && IsDigit(*p); ++p) {
        if (*p != '0') significant = true;
        if (significant) ++position;
    }
    if (p != end && *p == '.') {
        for (++p; p != end && IsDigit(*p); ++p) {
            if (significant) continue;
            if (*p != '0') significant = true;
            else --position;
        }
    }
    long exponent = 0;
    if (p != end) {  // 'e' or 'E'
        ++p;
        bool negativeExponent = *p == '-';
        if (*p == '+' || *p == '-') ++p;
        for (; p != end; ++p) {
            if (exponent < 100000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negativeExponent) exponent = -exponent;
    }
    double magnitude = position + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

}  // namespace

ScanStatus ParseReal(const char* p, const char* end, double& value) {
    const char* start = *p == '+' ? p + 1 : p;
    auto [ptr, ec] = std::from_chars(start, end, value);
    if (ec == std::errc::result_out_of_range) {
        value = OutOfRange(p, end);
    } else if (ec != std::errc() || ptr != end) {
        return ScanStatus::mismatch;
    }
    return ScanStatus::ok;
}

// ---------------------------------------------------------------------------
// Eight bytes at a time (little-endian: the first byte is the low one).

namespace {

// A magnitude and sign as a 32-bit value; false when it does not fit.
bool Signed32(std::uint64_t magnitude, bool negative, std::int32_t& value) {
    if (magnitude > (negative ? 2147483648u : 2147483647u)) return false;
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

// How many of the eight bytes lead with digits, 8 when all are digits. A
// carry out of a byte that is no digit can only spoil the bytes after it.
int LeadingDigits(std::uint64_t v) {
    const std::uint64_t x = v ^ Bytes('0');  // digits become 0 to 9
    const std::uint64_t other = (x & Bytes(0xF0)) | ((x + Bytes(0x06)) & Bytes(0x10));
    return other == 0 ? 8 : FirstNonZeroByte(other);
}

// The value of eight decimal digits, first byte most significant.
std::uint32_t EightDigitValue(std::uint64_t v) {
    if constexpr (!kWideWords) {
        // Four digits a half: pairs in bytes 0 and 2, then the four.
        auto four = [](std::uint32_t w) {
            w -= 0x30303030u;
            w = w * 10 + (w >> 8);
            return (w & 0xFF) * 100 + ((w >> 16) & 0xFF);
        };
        return four(static_cast<std::uint32_t>(v)) * 10000 + four(static_cast<std::uint32_t>(v >> 32));
    }
    v -= Bytes('0');
    v = v * 10 + (v >> 8);  // pairs in bytes 0, 2, 4, 6
    v = (((v & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >> 32;
    return static_cast<std::uint32_t>(v);
}

// The value of the first `n` (1 to 7) bytes, all digits: they are moved to
// the top and zeros fill in as leading digits.
std::uint32_t LeadingDigitValue(std::uint64_t v, int n) {
    return EightDigitValue((v << (8 * (8 - n))) | (Bytes('0') >> (8 * n)));
}

}  // namespace

const char* SkipBlanks(const char* p, const char* end) {
    if constexpr (kLittleEndian) {
        while (end - p >= 8) {
            const std::uint64_t other = Load8(p) ^ Bytes(' ');
            if (other != 0) return p + FirstNonZeroByte(other);
            p += 8;
        }
    }
    while (p != end && *p == ' ') ++p;
    return p;
}

ScanStatus ScanInteger(const char*& start, const char* end, std::int32_t& value) {
    // On a local pointer: the bytes read might otherwise alias `start`.
    const char* p = SkipBlanks(start, end);
    while (p != end && IsSpace(*p)) ++p;
    start = p;
    if (p == end) return ScanStatus::end;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    const char* digits = p;
    std::uint64_t magnitude = 0;
    int n = 0;
    if (kLittleEndian && end - p >= 8 && (n = LeadingDigits(Load8(p))) < 8) {
        // Up to seven digits, which always fit.
        if (n == 0) return ScanStatus::mismatch;
        magnitude = LeadingDigitValue(Load8(p), n);
        p += n;
    } else {
        // Past ten digits the value is out of range whatever follows.
        for (; p != end && IsDigit(*p); ++p)
            if (magnitude <= 0xFFFFFFFFu) magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
        if (p == digits) return ScanStatus::mismatch;
    }
    start = p;
    return Signed32(magnitude, negative, value) ? ScanStatus::ok : ScanStatus::overflow;
}

ScanStatus LongInteger::Value(std::int32_t& value) const {
    return Signed32(magnitude, negative, value) ? ScanStatus::ok : ScanStatus::overflow;
}

// The kept digits, a 1 for the dropped ones and the exponent that puts the
// point back make a short token that rounds as the long one does.
ScanStatus LongReal::Value(std::int64_t exponent, double& value) const {
    if (kept_ == 0) {
        value = negative_ ? -0.0 : 0.0;
        return ScanStatus::ok;
    }
    char token[kKeptDigits + 32];
    char* p = token;
    if (negative_) *p++ = '-';
    p = std::copy(digits_, digits_ + kept_, p);
    if (dropped_) *p++ = '1';
    const std::int64_t digits = kept_ + (dropped_ ? 1 : 0);
    const std::int64_t scale = std::clamp<std::int64_t>(position_ + exponent - digits, -kExponentLimit, kExponentLimit);
    *p++ = 'e';
    p = std::to_chars(p, token + sizeof token, scale).ptr;
    return ParseReal(token, p, value);
}

// ---------------------------------------------------------------------------
// Fast paths.

namespace {

#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64
constexpr bool kExtendedReals = true;  // x87: the significand is the first 8 bytes
#else
#pragma message("long double has no x87 64-bit significand here: reals are read without the fast path (same values, slower)")
constexpr bool kExtendedReals = false;
#endif

// 10^k for k <= 27 is exact in a 64-bit significand (5^27 < 2^64).
constexpr int kMaxExactPower = 27;

struct ExactPowers {
    long double p[kMaxExactPower + 1];
    constexpr ExactPowers() : p() {
        long double v = 1;
        for (int k = 0; k <= kMaxExactPower; ++k, v *= 10) p[k] = v;
    }
};
constexpr ExactPowers kPowers;

}  // namespace

namespace {

// A real token as M * 10^k, M of at most 19 digits (leading zeros count).
struct Decimal {
    std::uint64_t m;
    int k;
    int digits;  // of M as written, leading zeros included
    bool negative;
    const char* end;  // of the token
};

constexpr std::uint64_t kPow10[] = {
    1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull,
    100000000ull, 1000000000ull, 10000000000ull, 100000000000ull,
    1000000000000ull, 10000000000000ull, 100000000000000ull,
    1000000000000000ull, 10000000000000000ull, 100000000000000000ull,
    1000000000000000000ull, 10000000000000000000ull};

bool EightDigits(std::uint64_t v) {
    return (v & Bytes(0xF0)) == Bytes(0x30) && ((v + Bytes(0x06)) & Bytes(0xF0)) == Bytes(0x30);
}

// Byte i of a little-endian word.
constexpr unsigned ByteAt(std::uint64_t v, int i) { return static_cast<unsigned>(v >> (8 * i)) & 0xFF; }

// A real of the two shapes solvers write most, "d.dddddddddddddddE+dd"
// (%.16E) and "d.ddddddE+dd" (%E), as its first seven digits and the ten
// after them (none for %E): the field's digits without a division.
struct ShapedReal {
    std::uint32_t seven;
    std::uint64_t rest;  // below 10^restDigits
    int restDigits;      // 0 or 10
    int k;               // of the last digit
    const char* end;
    Decimal AsDecimal(bool negative) const {
        return {std::uint64_t{seven} * kPow10[restDigits] + rest, k, 7 + restDigits, negative, end};
    }
};

#ifdef __SSE2__
// The sixteen bytes after "d." less '0': digits where they are 0 to 9.
inline __m128i FractionDigits(const char* q) {
    return _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 2)), _mm_set1_epi8('0'));
}

// 0xFF in each byte of `values` (bytes less '0') that is a digit's.
inline __m128i DigitBytes(__m128i values) { return _mm_cmpeq_epi8(_mm_min_epu8(values, _mm_set1_epi8(9)), values); }

// The values of two runs of eight digits (0 to 9 a byte, the first most
// significant) in the low two 32-bit lanes: pairs, fours, then the eights,
// in 16-bit lanes, which a 32-bit machine multiplies as fast as a 64-bit one.
inline __m128i TwoEightDigitValues(__m128i digits) {
    const __m128i tens = _mm_set_epi16(1, 10, 1, 10, 1, 10, 1, 10);
    const __m128i zero = _mm_setzero_si128();
    const __m128i pairs = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(digits, zero), tens),
                                          _mm_madd_epi16(_mm_unpackhi_epi8(digits, zero), tens));
    const __m128i fours = _mm_madd_epi16(pairs, _mm_set_epi16(1, 100, 1, 100, 1, 100, 1, 100));
    return _mm_madd_epi16(_mm_packs_epi32(fours, fours), _mm_set_epi16(1, 10000, 1, 10000, 1, 10000, 1, 10000));
}
#endif

// Those shapes after an optional sign, checked at fixed places a word at a
// time: no loop and no branch that depends on a digit count. Returns where
// the exponent's "E+dd" starts, with the digits past the first seven (0 or
// 10), or nullptr. (Without SSE2 the 17-digit shape goes the general way.)
[[gnu::always_inline]] inline const char* ShapeOf(const char* q, int& restDigits) {
    if constexpr (!kLittleEndian) return nullptr;
    const std::uint64_t head = Load8(q);
    if (ByteAt(head, 1) != '.' || ByteAt(head, 0) - '0' > 9) return nullptr;
    const char* exponent;
    if ((q[8] | 0x20) == 'e') {
        if (!EightDigits((head & ~std::uint64_t{0xFF00}) | 0x3000)) return nullptr;
        restDigits = 0;
        exponent = q + 8;
    } else {
#ifdef __SSE2__
        const __m128i fraction = FractionDigits(q);
        if (_mm_movemask_epi8(DigitBytes(fraction)) != 0xFFFF)
            return nullptr;
        restDigits = 10;
        exponent = q + 18;
#else
        return nullptr;
#endif
    }
    // "E+dd" and then no digit.
    const std::uint64_t tail = Load8(exponent);
    const unsigned sign = ByteAt(tail, 1);
    if ((ByteAt(tail, 0) | 0x20) != 'e' || (sign != '+' && sign != '-') || ByteAt(tail, 2) - '0' > 9 ||
        ByteAt(tail, 3) - '0' > 9 || ByteAt(tail, 4) - '0' <= 9)
        return nullptr;
    return exponent;
}

// The value of a text ShapeOf took.
[[gnu::always_inline]] inline ShapedReal ShapedValue(const char* q, int restDigits, const char* exponent) {
    ShapedReal r;
    const std::uint64_t head = Load8(q);
    const unsigned lead = ByteAt(head, 0) - '0';
    if (restDigits == 0) {
        // "d.dddddd" read as the eight digits "d0dddddd": d * 10^7 + the six,
        // less the nine d * 10^6 that leaves d * 10^6.
        r.seven = EightDigitValue((head & ~std::uint64_t{0xFF00}) | 0x3000) - 9000000u * lead;
        r.rest = 0;
    } else {
#ifdef __SSE2__
        // Sixteen digits after the point, as two eights.
        const __m128i eights = TwoEightDigitValues(FractionDigits(q));
        const auto first = static_cast<std::uint32_t>(_mm_cvtsi128_si32(eights));
        const auto second = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(eights, 4)));
        // The first seven digits are d and six of `first`; its last two lead the rest.
        r.seven = lead * 1000000u + first / 100;
        r.rest = std::uint64_t{first % 100} * 100000000u + second;
#endif
    }
    r.restDigits = restDigits;
    const int e = (exponent[2] - '0') * 10 + (exponent[3] - '0');
    r.k = (exponent[1] == '-' ? -e : e) - (6 + restDigits);
    r.end = exponent + 4;
    return r;
}

[[gnu::always_inline]] inline bool ShapedText(const char* q, ShapedReal& r) {
    int restDigits;
    const char* exponent = ShapeOf(q, restDigits);
    if (exponent == nullptr) return false;
    r = ShapedValue(q, restDigits, exponent);
    return true;
}

// False when the token has no digits, more than 19, or an exponent of more
// than four digits: the general path decides those.
[[gnu::always_inline]] inline bool GeneralDecimal(const char* q, bool negative, Decimal& d) {
    // Up to 19 digits, leading zeros included, fit 64 bits.
    int room = 19;
    std::uint64_t m = 0;
    for (; IsDigit(*q); ++q) {
        if (room-- == 0) return false;
        m = m * 10 + static_cast<unsigned>(*q - '0');
    }
    const int integerDigits = 19 - room;
    int fractionDigits = 0;
    if (*q == '.') {
        const char* fraction = ++q;
        for (; room >= 8 && EightDigits(Load8(q)); q += 8, room -= 8) m = m * 100000000 + EightDigitValue(Load8(q));
        // The last one to seven at once (the six of a %E real, say).
        if (const int n = IsDigit(*q) ? LeadingDigits(Load8(q)) : 8; n < 8) {
            if (n > room) return false;
            m = m * kPow10[n] + LeadingDigitValue(Load8(q), n);
            q += n;
            room -= n;
        }
        // Eight more digits where fewer than eight fit: more than 19.
        if (IsDigit(*q)) return false;
        fractionDigits = static_cast<int>(q - fraction);
    }
    if (integerDigits + fractionDigits == 0) return false;

    int exponent = 0;
    if ((*q | 0x20) == 'e') {
        const char* e = q + 1;
        const bool negativeExponent = *e == '-';
        e += negativeExponent | (*e == '+');
        if (IsDigit(*e)) {
            for (const char* digits = e; IsDigit(*e); ++e) {
                if (e - digits == 4) return false;
                exponent = exponent * 10 + (*e - '0');
            }
            exponent = negativeExponent ? -exponent : exponent;
            q = e;
        }
    }
    d = {m, exponent - fractionDigits, 19 - room, negative, q};
    return true;
}

[[gnu::always_inline]] inline bool ScanDecimal(const char* p, Decimal& d) {
    const bool negative = *p == '-';
    const char* q = p + (negative | (*p == '+'));
    if (ShapedReal r; ShapedText(q, r)) {
        d = r.AsDecimal(negative);
        return true;
    }
    return GeneralDecimal(q, negative, d);
}

// M * 10^k with M < 10^19 and |k| <= 27 is one correctly rounded operation
// on exact operands in extended precision. Rounding that result to double
// (to nearest, the default) gives the correctly rounded double unless it
// lies exactly halfway between two doubles: no halfway point can sit
// strictly between the exact value and its nearest extended neighbour, which
// would be nearer. Halfway cases are left to the general path. Signs are
// applied without branches: they follow no pattern in result files.
bool ExtendedValue(const Decimal& d, double& value) {
    if constexpr (!kExtendedReals) return false;
    const std::uint64_t sign = std::uint64_t{d.negative} << 63;
    if (d.m == 0) {
        value = std::bit_cast<double>(sign);
        return true;
    }
    if (d.k < -kMaxExactPower || d.k > kMaxExactPower) return false;
    // Converted as a signed integer, which loads exactly at any precision:
    // an unsigned one may take an addition (of 0 below 2^63, with some
    // compilers), which an x87 unit at 53 bits would round.
    if (d.m >> 63) return false;
    long double x = static_cast<long double>(static_cast<std::int64_t>(d.m));
    x = d.k < 0 ? x / kPowers.p[-d.k] : x * kPowers.p[d.k];
    std::uint64_t significand;
    std::memcpy(&significand, &x, sizeof significand);
    if ((significand & 0x7FF) == 0x400) return false;  // halfway between two doubles
    value = std::bit_cast<double>(std::bit_cast<std::uint64_t>(static_cast<double>(x)) | sign);
    return true;
}

// floor((2^64 - 1) / 10^i): m * this / 2^64 is m / 10^i or one less.
struct Reciprocals {
    std::uint64_t r[20];
    constexpr Reciprocals() : r() {
        for (int i = 0; i < 20; ++i) r[i] = ~std::uint64_t{0} / kPow10[i];
    }
};
constexpr Reciprocals kReciprocals;

std::uint64_t MultiplyHigh(std::uint64_t a, std::uint64_t b) {
#ifdef __SIZEOF_INT128__
    return static_cast<std::uint64_t>((static_cast<unsigned __int128>(a) * b) >> 64);
#else
    const std::uint64_t aLow = a & 0xFFFFFFFF, aHigh = a >> 32, bLow = b & 0xFFFFFFFF, bHigh = b >> 32;
    const std::uint64_t ll = aLow * bLow, lh = aLow * bHigh, hl = aHigh * bLow, hh = aHigh * bHigh;
    const std::uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFF) + (hl & 0xFFFFFFFF);
    return hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
#endif
}

// Decimal digits of m > 0.
int DigitCount(std::uint64_t m) {
    const int t = (std::bit_width(m) * 1233) >> 12;  // floor(log10 2^bits)
    return t + 1 - (m < kPow10[t]);
}

// The value field straight from the text's digits, where that is the field
// of the double the text rounds to. That double is the text's value t times
// (1 + e) with |e| <= 2^-53 whenever t is a normal double, so with
// y = t * 10^(6-E) < 10^7 it moves y by less than 1.2e-9 (1.2e-10 for the
// six digits of a negative). The field is floor(y + 0.5 + 5e-11) of the
// double (see ValueFormat.cpp); it is the text's y rounded half up unless
// the text's y lies within 1.2e-9 (+ 5e-11) of a tie: digits past the kept
// ones that are 5 followed by zeros, or almost. Those are left to the double.
// A carry into the next decade gives 1.000000 either way.
//
// `kept` holds the field's digits as the text has them, `rest` the digits
// dropped after them, in units of `unit` (1 when none were dropped).
bool RoundedField(bool negative, std::uint64_t kept, std::uint64_t rest, std::uint64_t unit, int exponent,
                  double& cell) {
    // Normal doubles only, where the relative error bound holds.
    if (exponent < -307 || exponent > 307) return false;
    // |2 rest - unit| against 2^-28 of a unit (2^-31 for six digits): more
    // than the 2.4e-9 (2.4e-10) the double may be off by.
    const std::uint64_t twice = 2 * rest;
    const std::uint64_t distance = twice > unit ? twice - unit : unit - twice;
    if (distance <= unit >> (negative ? 31 : 28)) return false;
    kept += twice > unit;
    const int keep = negative ? 6 : 7;
    if (kept == kPow10[keep]) {
        kept = kPow10[keep - 1];
        ++exponent;
    }
    cell = FieldCell(negative, static_cast<std::uint32_t>(kept), exponent);
    return true;
}

bool TextField(const Decimal& d, double& cell) {
    if (d.m == 0) {
        cell = std::bit_cast<double>(std::uint64_t{d.negative} << 63);
        return true;
    }
    // Known from the text unless it has leading zeros.
    const int n = d.m >= kPow10[d.digits - 1] ? d.digits : DigitCount(d.m);
    const int exponent = n - 1 + d.k;
    const int keep = d.negative ? 6 : 7;
    if (n <= keep) return RoundedField(d.negative, d.m * kPow10[keep - n], 0, 1, exponent, cell);
    const int drop = n - keep;
    const std::uint64_t unit = kPow10[drop];
    std::uint64_t digits = MultiplyHigh(d.m, kReciprocals.r[drop]);
    std::uint64_t rest = d.m - digits * unit;
    const bool under = rest >= unit;
    digits += under;
    rest -= under ? unit : 0;
    return RoundedField(d.negative, digits, rest, unit, exponent, cell);
}

}  // namespace

const char* FastReal(const char* p, double& value) {
    Decimal d;
    return ScanDecimal(p, d) && ExtendedValue(d, value) ? d.end : nullptr;
}

namespace {

// Cell::scale for a text's M * 10^k: bit 0 marks it, bit 1 is the sign, bits
// 2 to 6 the digits of M as written (at most 19), bit 7 a ShapedReal's
// split (`bits` then hold its first seven digits in bits 0 to 23 and the
// rest above), the rest k biased.
constexpr int kScaleBias = 1 << 15;
constexpr std::uint32_t kSplit = 1u << 7;

std::uint32_t ScaleOf(bool negative, int digits, int k) {
    return 1u | std::uint32_t{negative} << 1 | static_cast<std::uint32_t>(digits) << 2 |
           static_cast<std::uint32_t>(k + kScaleBias) << 8;
}

Decimal DecimalOf(const Cell& cell) {
    const int digits = static_cast<int>((cell.scale >> 2) & 31);
    const std::uint64_t m = (cell.scale & kSplit) == 0
                                ? cell.bits
                                : (cell.bits & 0xFFFFFF) * kPow10[digits - 7] + (cell.bits >> 24);
    return {m, static_cast<int>(cell.scale >> 8) - kScaleBias, digits, (cell.scale & 2) != 0, nullptr};
}

// The field of a split cell from its parts, as TextField would give it.
bool SplitField(const Cell& cell, double& value) {
    const auto seven = static_cast<std::uint32_t>(cell.bits & 0xFFFFFF);
    if (seven < 1000000) return false;  // leading zeros: TextField counts them
    const std::uint64_t rest = cell.bits >> 24;
    const int restDigits = static_cast<int>((cell.scale >> 2) & 31) - 7;
    const int exponent = 6 + restDigits + static_cast<int>(cell.scale >> 8) - kScaleBias;
    if ((cell.scale & 2) == 0) return RoundedField(false, seven, rest, kPow10[restDigits], exponent, value);
    return RoundedField(true, seven / 10, (seven % 10) * kPow10[restDigits] + rest, kPow10[restDigits + 1], exponent,
                        value);
}

}  // namespace

namespace {

// The number of '9' bytes at the top of a word that is not all 9s. A
// 32-bit machine takes it, and the sum below, a half at a time.
inline int TrailingNines(std::uint64_t word) {
    if constexpr (kWideWords) return std::countl_zero(word ^ Bytes('9')) >> 3;
    const auto high = static_cast<std::uint32_t>(word >> 32) ^ 0x39393939u;
    if (high != 0) return std::countl_zero(high) >> 3;
    return 4 + (std::countl_zero(static_cast<std::uint32_t>(word) ^ 0x39393939u) >> 3);
}

// What takes a digits' text one unit up at its top byte when `nines` 9s
// are there (0 to 7): they turn to 0s and the byte below them (a digit)
// goes up. A table rather than shifts by a count: a 32-bit machine adds it
// in two instructions.
struct UpSteps {
    std::uint64_t step[8];
    constexpr UpSteps() : step() {
        for (int n = 0; n < 8; ++n)
            step[n] = (std::uint64_t{1} << (56 - 8 * n)) - (Bytes(9) & ~(~std::uint64_t{0} >> (8 * n)));
    }
};
constexpr UpSteps kUpSteps;

// A shaped text's field as its own bytes, where the text's digits rounded
// half up at the kept ones give it (as RoundedField decides): "d.dddddd"
// ("-d.ddddd") is the field's first eight bytes as they stand, the
// exponent's two digits its own, and the first digit dropped says whether
// the last kept one goes up. Not for a leading zero, for dropped digits
// that begin 49999999 or 50000000 (near a tie: more than RoundedField's
// margin), for a tie in a %E text's last digit, nor where going up would
// carry into the point.
[[gnu::always_inline]] inline bool CopiedField(const char* q, bool negative, int restDigits, const char* exponent,
                                               Cell& cell) {
    if (*q == '0') return false;
    std::uint64_t word = Load8(q - negative);
    const char* dropped = q + 8 - negative;
    bool up = *dropped >= '5';
    if (restDigits != 0) {
        const std::uint64_t next = Load8(dropped);
        if (next == Bytes('9') - ('9' - '4') || next == Bytes('0') + ('5' - '0')) return false;
    } else {
        // A %E text drops a digit only when negative: the 7th.
        if (negative & (*dropped == '5')) return false;
        up &= negative;
    }
    // Up: the run of 9s at the end turns to 0s and the digit before it
    // goes up by one. No branch on `up`: it is a coin toss.
    const int nines = TrailingNines(word);
    if (up & (nines >= 6 - negative)) return false;
    word += kUpSteps.step[nines] & (0 - std::uint64_t{up});
    // "+0dd" after the field's 'E'; an exponent "-00" is written "+000".
    std::uint32_t text;
    std::memcpy(&text, exponent, 4);
    text = (text >> 8 & 0xFF) | 0x3000 | (text & 0xFFFF0000);
    if ((text >> 16) == 0x3030) text = (text & ~0xFFu) | '+';
    cell = {word, text << 1};
    return true;
}

// The cell of a text ShapeOf took, its exponent's "E+dd" at `exponent`.
[[gnu::always_inline]] inline void ShapedCell(const char* q, bool negative, int restDigits, const char* exponent,
                                              Cell& cell) {
    if (CopiedField(q, negative, restDigits, exponent, cell)) return;
    // A two-digit exponent: far from overflowing.
    const ShapedReal r = ShapedValue(q, restDigits, exponent);
    cell = {r.seven | r.rest << 24, ScaleOf(negative, 7 + r.restDigits, r.k) | kSplit};
}

[[gnu::always_inline]] inline const char* CellAt(const char* p, Cell& cell) {
    const bool negative = *p == '-';
    const char* q = p + (negative | (*p == '+'));
    int restDigits;
    if (const char* exponent = ShapeOf(q, restDigits)) {
        ShapedCell(q, negative, restDigits, exponent, cell);
        return exponent + 4;
    }
    // The first significant digit's power of ten is at most k + digits - 1:
    // below 10^308 the value cannot overflow (which the reader must report),
    // so the rest waits for the writer.
    Decimal d;
    if (!GeneralDecimal(q, negative, d)) return nullptr;
    if (d.k + d.digits - 1 <= 307) {
        cell = {d.m, ScaleOf(d.negative, d.digits, d.k)};
        return d.end;
    }
    double value;
    if (!TextField(d, value) && !ExtendedValue(d, value)) return nullptr;
    cell = Cell::Of(value);
    return d.end;
}

// The loop both runs share: `scan` is FastInteger or CellAt, on a local
// pointer rather than the reader's own.
template <typename T, typename Scan>
[[gnu::always_inline]] inline int FastRun(const char*& p, const char* limit, T* values, int n, Scan scan) {
    if constexpr (!kLittleEndian) return 0;
    const char* q = p;
    int i = 0;
    for (; i < n; ++i) {
        q = SkipBlanks(q, limit);
        if (q >= limit) break;
        const char* next = scan(q, values[i]);
        if (next == nullptr) break;
        q = next;
    }
    p = q;
    return i;
}

}  // namespace

const char* FastCell(const char* p, Cell& cell) { return CellAt(p, cell); }

int FastCells(const char*& p, const char* limit, Cell* cells, int n) { return FastRun(p, limit, cells, n, CellAt); }

namespace {

// The reals of a record whose every byte passed, at their places.
template <int kRestDigits>
void LayoutReals(const RecordLayout& layout, const char* p, Cell* cells) {
    const char* place = p + layout.fields + layout.sign;
    for (int i = 0; i < layout.width; ++i, place += layout.stride) {
        const char* q = place + 1;
        ShapedCell(q, *place == '-', kRestDigits, q + 8 + kRestDigits, cells[i]);
    }
}

#ifdef __SSE2__
inline __m128i Load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
#endif

}  // namespace

const char* LayoutCells(const RecordLayout& layout, const char* p, std::int32_t& label, Cell* cells) {
#ifdef __SSE2__
    if (!kLittleEndian || layout.width == 0) return nullptr;
    // Each byte a digit where one may be, else the byte (or its other) the
    // columns want: no branch until all are checked.
    unsigned bad = 0;
    for (int k = 0; k < layout.loads; ++k) {
        const int at = 16 * k;
        const __m128i bytes = Load16(p + at);
        const __m128i values = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
        const __m128i isDigit = DigitBytes(values);
        const __m128i folded = _mm_or_si128(bytes, Load16(layout.folded + at));
        const __m128i isText =
            _mm_or_si128(_mm_cmpeq_epi8(folded, Load16(layout.one + at)), _mm_cmpeq_epi8(folded, Load16(layout.other + at)));
        const __m128i good = _mm_or_si128(_mm_and_si128(isDigit, Load16(layout.digit + at)), isText);
        bad |= ~static_cast<unsigned>(_mm_movemask_epi8(good) | layout.ignored[k]) & 0xFFFFu;
        if (k == 0) {
            // In the label, no blank after a digit.
            const auto digits = static_cast<unsigned>(_mm_movemask_epi8(isDigit));
            const auto blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
            bad |= digits << 1 & blanks & ((1u << layout.label) - 1);
        }
    }
    if (bad != 0) return nullptr;
    // Blanks read as leading zeros (' ' | 0x10 is '0'), moved to the top.
    const std::uint64_t text = (Load8(p) | Bytes(0x10)) << (8 * (8 - layout.label));
    label = static_cast<std::int32_t>(EightDigitValue(text | Bytes('0') >> (8 * layout.label - 1) >> 1));
    if (layout.restDigits == 0)
        LayoutReals<0>(layout, p, cells);
    else
        LayoutReals<10>(layout, p, cells);
    return p + layout.bytes;
#else
    (void)layout, (void)p, (void)label, (void)cells;
    return nullptr;
#endif
}

const char* LayoutElement(const ElementLayout& layout, const char* p, std::int32_t typeCode, std::int32_t& number,
                          std::int32_t& type, std::int32_t* nodes, std::uint64_t* texts) {
#ifdef __SSE2__
    if (!kLittleEndian || layout.nodes == 0) return nullptr;
    // Which bytes are digits, blanks and '0's, a bit each: all eight loads,
    // the bits past the line masked off below.
    static_assert(ElementLayout::kMaxBytes == 128);
    std::uint64_t digits[2], blanks[2], zeros[2];
    for (int w = 0; w < 2; ++w) {
        digits[w] = blanks[w] = zeros[w] = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i bytes = Load16(p + 64 * w + 16 * k);
            const __m128i values = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
            const auto mask = [](__m128i m) { return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(m))}; };
            digits[w] |= mask(DigitBytes(values)) << (16 * k);
            blanks[w] |= mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))) << (16 * k);
            zeros[w] |= mask(_mm_cmpeq_epi8(values, _mm_setzero_si128())) << (16 * k);
        }
    }
    // Every field blanks then digits, a blank first (but in the first) and
    // a digit last; no node number with a leading zero.
    const std::uint64_t after[2] = {digits[0] << 1, digits[1] << 1 | digits[0] >> 63};  // a digit before
    std::uint64_t bad = 0;
    for (int w = 0; w < 2; ++w) {
        bad |= layout.line[w] & ~(digits[w] | blanks[w]);
        bad |= layout.starts[w] & ~blanks[w];
        bad |= layout.lasts[w] & ~digits[w];
        bad |= after[w] & blanks[w] & layout.line[w] & ~layout.starts[w];
        bad |= zeros[w] & ~after[w] & layout.nodeBytes[w];
    }
    if (bad != 0) return nullptr;
    // Blanks read as leading zeros (' ' | 0x10 is '0'); in the 8 bytes that
    // end with a field, the bytes before it as zeros too.
    const auto field = [p](int end, std::uint64_t keep) {
        const std::uint64_t word = Load8(p + end - 8) | Bytes(0x10);
        return static_cast<std::int32_t>(EightDigitValue((word & keep) | (Bytes('0') & ~keep)));
    };
    const std::int32_t scannedType = field(layout.typeEnd, layout.typeKeep);
    if (scannedType != typeCode || field(layout.countEnd, layout.countKeep) != layout.nodes) return nullptr;
    number = static_cast<std::int32_t>(EightDigitValue(Load8(p) | Bytes(0x10)));
    type = scannedType;
    // Two node numbers at a time (their fields are side by side): their
    // bytes as they stand, and their values, blanks read as zeros.
    for (int k = 0; k < layout.nodes; k += 2) {
        const __m128i bytes = Load16(p + layout.nodeAt[k]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(texts + k), bytes);
        const __m128i digits = _mm_sub_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x10)), _mm_set1_epi8('0'));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(nodes + k), TwoEightDigitValues(digits));
    }
    return p + layout.bytes;
#else
    (void)layout, (void)p, (void)typeCode, (void)number, (void)type, (void)nodes, (void)texts;
    return nullptr;
#endif
}

Cell DecideDigits(const Cell& cell) {
    double value;
    Cell decided{0, 0};
    if ((cell.scale & kSplit) != 0 && SplitField(cell, value)) {
        std::memcpy(&decided.bits, &value, sizeof value);
        return decided;
    }
    const Decimal d = DecimalOf(cell);
    if (TextField(d, value) || ExtendedValue(d, value)) {
        std::memcpy(&decided.bits, &value, sizeof value);
        return decided;
    }
    // Near a tie, beyond the extended shortcut: the exact path, on M * 10^k
    // written out again, which is the text's value.
    char token[48];
    char* q = token + (d.negative ? 1 : 0);
    token[0] = '-';
    q = std::to_chars(q, token + 24, d.m).ptr;  // at most 20 digits
    *q++ = 'e';
    q = std::to_chars(q, token + sizeof token, d.k).ptr;
    ParseReal(token, q, value);
    std::memcpy(&decided.bits, &value, sizeof value);
    return decided;
}

namespace {

[[gnu::always_inline]] inline const char* IntegerAt(const char* p, std::int32_t& value) {
    if constexpr (!kLittleEndian) return nullptr;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    const std::uint64_t first = Load8(p);
    int n = LeadingDigits(first);
    if (n == 0) return nullptr;
    std::uint64_t magnitude;
    if (n < 8) {
        magnitude = LeadingDigitValue(first, n);
    } else {
        // Eight digits and up to two more; beyond that, the general path.
        const std::uint64_t second = Load8(p + 8);
        const int more = LeadingDigits(second);
        if (more > 2) return nullptr;
        magnitude = EightDigitValue(first);
        if (more > 0) magnitude = magnitude * (more == 1 ? 10 : 100) + LeadingDigitValue(second, more);
        n += more;
    }
    if (!Signed32(magnitude, negative, value)) return nullptr;
    return p + n;
}

}  // namespace

const char* FastInteger(const char* p, std::int32_t& value) { return IntegerAt(p, value); }

int FastLineIntegers(const char*& p, const char* limit, std::int32_t* values, int n) {
#ifdef __SSE2__
    // Blanks and up to eight digits in sixteen bytes, their extent from the
    // masks of one load: the next field's place does not wait for a value.
    const char* q = p;
    int i = 0;
    for (; i < n && q < limit; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i digits = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
        const auto blank = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
        const auto digit =
            static_cast<std::uint32_t>(_mm_movemask_epi8(DigitBytes(digits)));
        const int start = std::countr_zero(~blank);  // at most 16
        const int length = std::countr_zero(~(digit >> start));
        if (length == 0 || length > 8 || start + length >= 16) {
            // A sign, more digits, or a field past these bytes: the general way.
            int more = FastRun(q, limit, values + i, n - i, IntegerAt);
            p = q;
            return i + more;
        }
        const std::uint64_t word = Load8(q + start);
        values[i] = static_cast<std::int32_t>(length == 8 ? EightDigitValue(word) : LeadingDigitValue(word, length));
        q += start + length;
    }
    p = q;
    return i;
#else
    return FastRun(p, limit, values, n, IntegerAt);
#endif
}

}  // namespace cor2tavik
