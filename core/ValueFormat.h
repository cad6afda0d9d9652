// The 13-character real-number field of the neutral file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace cor2tavik {

inline constexpr std::size_t kValueFieldWidth = 13;

// Writes the field for `value` at `out` (exactly kValueFieldWidth bytes, no
// terminator) and returns out + kValueFieldWidth.
//
// Values >= 0 (and -0.0) are d.ddddddE+xxx, values < 0 are -d.dddddE+xxx,
// always with three exponent digits. The mantissa is rounded half-up from the
// value's 17-significant-digit form, which is itself the exact decimal
// expansion cut to 18 digits and rounded half-up: the two steps are not one
// correctly rounded conversion. Infinities are written 1.#INF00E+000 and
// -1.#INF0E+000: the post-processor reads that spelling back as an infinity.
char* FormatValue(double value, char* out);

// A value on its way to the writer: a double, or a field already decided
// from the real's text (FieldCell). The decided field rides in the double's
// place as a signalling NaN, which no scanned real is: the top 16 bits mark
// it, bit 34 is the sign, bits 24 to 33 the exponent plus 512, bits 0 to 23
// the 7 digits (6 when negative).
inline constexpr std::uint64_t kFieldCellTag = 0x7FF4;

inline double FieldCell(bool negative, std::uint32_t digits, int exponent) {
    return std::bit_cast<double>(kFieldCellTag << 48 | std::uint64_t{negative} << 34 |
                                 std::uint64_t(exponent + 512) << 24 | digits);
}

// A value as a reader hands it to the writer. Most often the field itself,
// taken from a real's text (`scale` even, not 0: `bits` are its first eight
// bytes as they stand in memory, `scale` >> 1 the four after its 'E'), or
// the text as M * 10^k (`scale` odd: it packs k, the sign and the digit
// count, see NumberScan.h), so that the field is decided on the writer's
// thread; else (`scale` 0) `bits` hold a double or a FieldCell. All zero is
// the value 0.
struct Cell {
    std::uint64_t bits;
    std::uint32_t scale;

    static Cell Of(double cell) { return {std::bit_cast<std::uint64_t>(cell), 0}; }
    // A text's digits are kept only for a value that cannot overflow.
    bool IsInfinite() const { return scale == 0 && (bits & ~(std::uint64_t{1} << 63)) == 0x7FF0000000000000u; }
};

namespace detail {
// FormatCell's field of a Cell with no scale: a FieldCell's or FormatValue's.
char* FormatBits(std::uint64_t bits, char* out);
// The same field computed by integer arithmetic alone, without the long
// double shortcut. FormatValue falls back to it near rounding boundaries;
// exposed so tests can check the two agree.
char* FormatValueExact(double value, char* out);
}  // namespace detail

// Writes a decided Cell's field (`scale` even): the copied one, the
// FieldCell's, or FormatValue's. Its bits never pass through a
// floating-point register, which on 32-bit x86 could quieten the NaN.
// Inline, as the copied field is most of them: a call costs as much as the
// copy, more on Windows x64, where it saves and restores the xmm registers
// the rest of the work needs.
inline char* FormatCell(const Cell& decided, char* out) {
    if (decided.scale == 0) return detail::FormatBits(decided.bits, out);
    const std::uint32_t exponentText = decided.scale >> 1;
    std::memcpy(out, &decided.bits, 8);
    out[8] = 'E';
    std::memcpy(out + 9, &exponentText, 4);
    return out + kValueFieldWidth;
}

}  // namespace cor2tavik
