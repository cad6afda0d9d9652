// Eight bytes of text in one 64-bit word, the first byte the low one (on
// little-endian machines), for scanning and writing several bytes at a time.
// A 32-bit target has no 64-bit count or multiply instruction: there the
// word is worked on as two halves, which keeps the library calls and the
// long multiplications out of the per-value paths.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace cor2tavik {

constexpr bool kWideWords = sizeof(void*) >= 8;

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

// The eight decimal digits of n < 10^8, one a byte as values 0 to 9 (not
// yet text), the leading digit in the low byte: n splits into two halves of
// four digits, each half into two pairs, each pair into two digits, every
// split a multiply and shift on all lanes at once (x / 100 is x * 10486 >> 20
// below 10^4, x / 10 is x * 103 >> 10 below 100). A lane's quotient goes to
// its low end, the remainder above it: the written order on little-endian
// machines.
inline std::uint64_t DigitBytes(std::uint32_t n) {
    if constexpr (!kWideWords) {
        auto four = [](std::uint32_t v) {
            const std::uint32_t hundreds = v * 10486 >> 20;
            const std::uint32_t pairs = (v << 16) - hundreds * (100 * 65536 - 1);
            const std::uint32_t tens = (pairs * 103 >> 10) & 0x000F000F;
            return (pairs << 8) - tens * (10 * 256 - 1);
        };
        return four(n / 10000) | std::uint64_t{four(n % 10000)} << 32;
    }
    const std::uint64_t halves = n / 10000 | std::uint64_t{n % 10000} << 32;
    const std::uint64_t hundreds = (halves * 10486 >> 20) & 0x0000007F0000007F;
    const std::uint64_t pairs = (halves << 16) - hundreds * (100 * 65536 - 1);
    const std::uint64_t tens = (pairs * 103 >> 10) & 0x000F000F000F000F;
    return (pairs << 8) - tens * (10 * 256 - 1);
}

// The first `c` in [p, end), or end. The Windows C runtime's memchr, as Wine
// has it, takes one byte at a time, a fifth of a 32-bit conversion's reading
// time when it looked for a Ctrl-Z in every byte read: there eight at a time
// (a byte equal to `c` is a zero byte of the exclusive or, and the lowest
// zero byte's flag is exact). glibc's is faster still.
inline const char* FindByte(const char* p, const char* end, unsigned char c) {
#ifdef _WIN32
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

}  // namespace cor2tavik
