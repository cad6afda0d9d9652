// Eight bytes of text in one 64-bit word, the first byte the low one (on
// little-endian machines), for scanning and writing several bytes at a time.
// A 32-bit target has no 64-bit count or multiply instruction: there the
// word is worked on as two halves, which keeps the library calls and the
// long multiplications out of the per-value paths.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace cor2tavik {

constexpr bool kWideWords = sizeof(void*) >= 8;
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

inline std::uint64_t Load8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// `c` in every byte.
constexpr std::uint64_t Bytes(unsigned char c) { return 0x0101010101010101u * c; }

// The index of the first nonzero byte; `word` is not 0.
inline int FirstNonZeroByte(std::uint64_t word) {
    if constexpr (!kWideWords) {
        const auto low = static_cast<std::uint32_t>(word);
        return low != 0 ? std::countr_zero(low) / 8 : 4 + std::countr_zero(static_cast<std::uint32_t>(word >> 32)) / 8;
    }
    return std::countr_zero(word) / 8;
}

// "00" to "99" back to back: two digits at a time for the writers.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The eight decimal digits of n < 10^8 as text, leading zeros included, the
// leading digit in the low byte. Pairs from the table measured faster than
// splitting every byte at once by multiply and shift: a little on 64-bit
// machines, by a third on 32-bit x86.
inline std::uint64_t DigitText(std::uint32_t n) {
    auto four = [](std::uint32_t v) {
        std::uint16_t high, low;
        std::memcpy(&high, kDigitPairs + 2 * (v / 100), 2);
        std::memcpy(&low, kDigitPairs + 2 * (v % 100), 2);
        return std::uint32_t{high} | std::uint32_t{low} << 16;
    };
    return four(n / 10000) | std::uint64_t{four(n % 10000)} << 32;
}

// The first `c` in [p, end), or end. The Windows C runtime's memchr, as Wine
// has it, takes one byte at a time, a fifth of a 32-bit conversion's reading
// time when it looked for a Ctrl-Z in every byte read: there sixteen at a
// time with SSE2 (both Windows builds have it), four of those a branch
// while nothing is found (a chunk's search for a Ctrl-Z usually finds none),
// then eight (a byte equal to `c` is a zero byte of the exclusive or, and
// the lowest zero byte's flag is exact). glibc's is faster still.
inline const char* FindByte(const char* p, const char* end, unsigned char c) {
#ifdef _WIN32
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
    const auto at = [&](int k) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k)), wanted);
    };
    for (; end - p >= 64; p += 64)
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(at(0), at(1)), _mm_or_si128(at(2), at(3)))) != 0) break;
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)); found != 0)
            return p + std::countr_zero(static_cast<unsigned>(found));
    }
#endif
    for (; end - p >= 8; p += 8) {
        const std::uint64_t x = Load8(p) ^ Bytes(c);
        const std::uint64_t zero = (x - Bytes(1)) & ~x & Bytes(0x80);
        if (zero != 0) return p + FirstNonZeroByte(zero);
    }
    for (; p != end; ++p)
        if (static_cast<unsigned char>(*p) == c) return p;
    return end;
#else
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
#endif
}

// Zeros [p, p + n). Wine's C runtime sets memory a few bytes at a time:
// clearing the batches took 8% of the 32-bit build's CPU time that way.
// There sixteen bytes a store.
inline void ZeroBytes(void* p, std::size_t n) {
#if defined(_WIN32) && defined(__SSE2__)
    char* q = static_cast<char*>(p);
    for (; n >= 16; n -= 16, q += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_setzero_si128());
        asm("" : : "r"(q) : "memory");  // not to be turned back into a memset call
    }
    for (; n != 0; --n) *q++ = 0;
#else
    std::memset(p, 0, n);
#endif
}

}  // namespace cor2tavik
