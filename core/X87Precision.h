// The precision the x87 unit rounds to, set for a scope. The real scanner's
// extended-precision path and the value format's power table need all 64
// bits; a host program, or Windows when it starts a thread, may have left the
// unit at 53 or 24. On processors without an x87 unit there is nothing to set.
#pragma once

#include <cstdint>

namespace cor2tavik {

#if defined(__x86_64__) || defined(__i386__)
class X87Precision {
public:
    // `bits`: 24, 53 or 64.
    explicit X87Precision(int bits) {
        __asm__ volatile("fnstcw %0" : "=m"(saved_));
        const std::uint16_t field = bits == 64 ? 0x300 : bits == 53 ? 0x200 : 0;
        const std::uint16_t control = static_cast<std::uint16_t>((saved_ & ~0x300) | field);
        __asm__ volatile("fldcw %0" : : "m"(control));
    }
    ~X87Precision() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }
    X87Precision(const X87Precision&) = delete;
    X87Precision& operator=(const X87Precision&) = delete;

private:
    std::uint16_t saved_;
};
#else
class X87Precision {
public:
    explicit X87Precision(int) {}
};
#endif

// Full precision while this lives, then as it was. (A worker starts with the
// job's setting on POSIX; on Windows at 53 bits, where the scanner's path
// still rounds once and the value format's power table sets the precision
// itself.)
class FullPrecision : public X87Precision {
public:
    FullPrecision() : X87Precision(64) {}
};

}  // namespace cor2tavik
