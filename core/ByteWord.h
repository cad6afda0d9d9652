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

}  // namespace cor2tavik
