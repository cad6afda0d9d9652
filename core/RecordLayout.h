// The columns of plain records. Solvers write a record's reals in fields of
// one width, each right-aligned after a place for its sign, in one of the
// two shapes FastCell knows ("d.dddddddddddddddE+dd", "d.ddddddE+dd").
// Learned from one record, the columns let the next be checked sixteen bytes
// at a time against what each byte must be (LayoutCells, NumberScan.h), and
// its reals be read at known places: no field waits for the end of the one
// before it, and no byte is looked at twice.
#pragma once

#include <cstdint>

namespace cor2tavik {

struct RecordLayout {
    static constexpr int kMaxBytes = 192;  // of a record's fields

    // From the `width` fields at [fields, end) of a record just scanned
    // (after its label): kept when they are of one width and the first is
    // of one of the shapes; else none (width 0). The next record must still
    // pass every check; this only guesses where its bytes stand.
    void Learn(const char* fields, const char* end, int width);

    int width = 0;       // fields; 0 when nothing is learned
    int stride = 0;      // bytes a field
    int sign = 0;        // where a field's sign place is
    int restDigits = 0;  // 10 for the 17-digit shape, 0 for 7
    int bytes = 0;       // of all fields
    int loads = 0;       // sixteen bytes at a time
    // For each byte: the byte it must be, or the other it may be instead;
    // what is or-ed into it first (0x20 for an exponent's 'E' or 'e'); 0xFF
    // where a digit must be. `ignored` marks the bytes past the fields.
    alignas(16) unsigned char one[kMaxBytes];
    alignas(16) unsigned char other[kMaxBytes];
    alignas(16) unsigned char folded[kMaxBytes];
    alignas(16) unsigned char digit[kMaxBytes];
    std::uint16_t ignored[kMaxBytes / 16];
};

}  // namespace cor2tavik
