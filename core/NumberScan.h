// The number syntax of the input files, on bytes already in memory.
//
// Integers are an optional sign and decimal digits that must fit 32 bits.
// Reals are an optional sign, digits with an optional fraction, and an
// optional exponent (e or E); there is no word for infinity or NaN and no hex
// form. A real beyond the double range reads as an infinity, one below it as
// zero or a denormal.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ElementLayout.h"
#include "RecordLayout.h"
#include "ValueFormat.h"

namespace cor2tavik {

enum class ScanStatus {
    ok,
    mismatch,  // no number starts here
    overflow,  // an integer that does not fit 32 bits
    end,       // input ended before a number started
};

inline bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// Length of the integer token at [p, end): sign and digits; 0 when there are
// no digits.
int IntegerTokenLength(const char* p, const char* end);

// Length of the real token at [p, end); 0 when it holds no digit. An exponent
// marker without digits after it is not part of the token.
int RealTokenLength(const char* p, const char* end);

// Parse a whole real token found by the function above. (A whole integer
// token is parsed by ScanInteger below, with nothing to skip.)
ScanStatus ParseReal(const char* p, const char* end, double& value);

// One-pass scans for the common case: a number at p whose value they can
// decide exactly, at most 19 significant digits for a real. They return the
// end of its token, or nullptr when ParseReal / ScanInteger must decide (the
// token is then still unread). Either way they read no further than
// kFastScanReach bytes from p, which must all be in memory.
inline constexpr std::ptrdiff_t kFastScanReach = 64;
const char* FastReal(const char* p, double& value);
const char* FastInteger(const char* p, std::int32_t& value);

// The same for a value on its way to the neutral file, in two halves. On
// the reading thread, FastCell: for the shapes solvers write most, the
// field itself when the text's bytes give it; else the text's digits as
// they are (a Cell, see ValueFormat.h), when the value is below 10^308 and
// so cannot overflow; else the cell DecideCell would give. On the writing
// thread, DecideCell: for a Cell of digits, a Cell with no scale, holding a
// FieldCell when the text's digits decide the field, else the double; any
// other Cell as it is. (Not a double: a 32-bit
// x86 program returns one in an x87 register, which would quieten the
// signalling NaN of a decided field.)
const char* FastCell(const char* p, Cell& cell);
Cell DecideDigits(const Cell& cell);  // DecideCell for a Cell of digits
// Inline: most cells are decided already, and a call costs more than that test.
inline Cell DecideCell(const Cell& cell) { return (cell.scale & 1) == 0 ? cell : DecideDigits(cell); }

// The fields of one line, one after another, each after its blanks (' '
// only): at most `n` by FastInteger or FastCell, while a field starts
// before `limit`, which must be at least kFastScanReach bytes before the
// end of what is in memory. Returns how many were scanned and moves p past
// the last; the blanks before a field they leave are skipped.
int FastLineIntegers(const char*& p, const char* limit, std::int32_t* values, int n);
int FastCells(const char*& p, const char* limit, Cell* cells, int n);

// The record whose line starts at p in the columns `layout` learned
// (RecordLayout.h): its label into `label` as FastLineIntegers would scan
// it, its fields into `cells` as FastCells would; the end of the last, or
// null, with nothing stored, when a byte is not what the columns want there.
// Reads RecordLayout::kMaxBytes bytes from p, which must all be in memory.
const char* LayoutCells(const RecordLayout& layout, const char* p, std::int32_t& label, Cell* cells);

// The element line at p in the columns `layout` learned (ElementLayout.h),
// when its type code is `typeCode` and its node count the layout's: its
// number and type code into `number` and `type`, its node numbers into
// `nodes` and their 8 bytes each into `texts`, as FastLineIntegers would scan
// them; the end of its last field. Else null, nothing stored. Reads
// ElementLayout::kMaxBytes bytes from p, which must all be in memory.
const char* LayoutElement(const ElementLayout& layout, const char* p, std::int32_t typeCode, std::int32_t& number,
                          std::int32_t& type, std::int32_t* nodes, std::uint64_t* texts);

// Skips a run of blanks (' ' only) in [p, end), eight at a time.
const char* SkipBlanks(const char* p, const char* end);

// Skips white space, then scans one integer from [p, end), advancing p past
// it. For numbers inside a line already read.
ScanStatus ScanInteger(const char*& p, const char* end, std::int32_t& value);

// A record count, as scanned: an integer that fits 32 bits, is not negative
// and is no larger than the file's size in bytes (a record takes more than
// one).
enum class CountCheck { ok, missing, tooWide, negative, beyondFile };
CountCheck CheckCount(ScanStatus scanned, std::int32_t count, std::uint64_t fileSize);

// Tokens too long to hold, taken a byte at a time with bounded memory: the
// readers' way through a token of any length, to the value the functions
// above give for the same token in memory.

// An exponent's value stops growing here: far beyond any double either way.
inline constexpr std::int64_t kExponentLimit = std::int64_t{1} << 40;

struct LongInteger {
    bool negative = false;
    std::uint64_t magnitude = 0;  // stops growing past 32 bits
    void Digit(char c) {
        if (magnitude <= 0xFFFFFFFFu) magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    }
    ScanStatus Value(std::int32_t& value) const;
};

// The digits of a real's mantissa and its point. Only the first
// kKeptDigits significant digits are kept: past them a digit can only tell
// a rounding that some non-zero digit followed (a double's halfway points
// have at most 767 significant digits). Leading zeros only move the point.
class LongReal {
public:
    static constexpr int kKeptDigits = 800;

    explicit LongReal(bool negative) : negative_(negative) {}
    void Digit(char c) {
        if (kept_ == 0 && c == '0') {
            if (point_) --position_;
            return;
        }
        if (!point_) ++position_;
        if (kept_ < kKeptDigits)
            digits_[kept_++] = c;
        else if (c != '0')
            dropped_ = true;
    }
    void Point() { point_ = true; }
    // The value with a decimal exponent (limited to kExponentLimit).
    ScanStatus Value(std::int64_t exponent, double& value) const;

private:
    bool negative_;
    bool point_ = false;
    bool dropped_ = false;        // a non-zero digit past the kept ones
    int kept_ = 0;
    std::int64_t position_ = 0;   // the value is 0.digits times 10 to this
    char digits_[kKeptDigits];
};

}  // namespace cor2tavik
