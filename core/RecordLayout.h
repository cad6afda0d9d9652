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
    static constexpr int kMaxBytes = 192;  // of a record, from its line's start

    // From a record just scanned: its line's start, the end of its label
    // (right-aligned, at most 8 bytes), where its `width` fields begin (after
    // the ':' if it has one) and where they end. Kept when they are of one
    // width and the first is of one of the shapes; else none (width 0). The
    // next record must still pass every check; this only guesses where its
    // bytes stand.
    void Learn(const char* line, const char* labelEnd, const char* fields, const char* end, int width);

    int width = 0;       // fields; 0 when nothing is learned
    bool colon = false;  // after the label
    int label = 0;       // bytes of the label
    int fields = 0;      // where the fields begin
    int stride = 0;      // bytes a field
    int sign = 0;        // where a field's sign place is in it
    int restDigits = 0;  // 10 for the 17-digit shape, 0 for 7
    int bytes = 0;       // of all, from the line's start
    int loads = 0;       // sixteen bytes at a time
    // For each byte: the byte it may be, or the other it may be instead,
    // after or-ing `folded` into it (0x20 for an exponent's 'E' or 'e'; 0x80
    // where only a digit will do, which no byte then equals); 0xFF where a
    // digit may be. `ignored` marks the bytes past the record.
    alignas(16) unsigned char one[kMaxBytes];
    alignas(16) unsigned char other[kMaxBytes];
    alignas(16) unsigned char folded[kMaxBytes];
    alignas(16) unsigned char digit[kMaxBytes];
    std::uint16_t ignored[kMaxBytes / 16];
};

}  // namespace cor2tavik
