// Where the integer fields of a line are, learned from one line so that the
// next in the same columns is read with all its fields at once, none
// waiting for the place of the one before. Solvers write their element
// lines in fixed columns ("%8d%6d%6d%8d..."). Anything else in a field, or
// a field elsewhere, and the line is not read here: the scans that find
// each field's place read it.
#pragma once

#include <cstdint>

namespace cor2tavik {

class LineColumns {
public:
    static constexpr int kMaxFields = 13;

    // Fields first to first + n - 1 of the line at q, as the columns have
    // them (NumberScan.h, ColumnIntegers); false when any is not there, or
    // there are fewer fields.
    bool Integers(const char* q, int first, int n, std::int32_t* values);
    // Where field k ends, from the line's start.
    int End(int k) const { return ends_[k]; }

    // Learns the columns of the line at q, which has `room` bytes in memory
    // from q: fields of blanks and then digits, eight bytes at most, the
    // first exactly eight. Learning takes a line a byte at a time: after
    // three columns in a row that read no line but their own, the next few
    // hundred lines are not learned.
    void Learn(const char* q, int room);

private:
    bool Learning();

    std::uint8_t ends_[kMaxFields] = {};
    std::uint8_t widths_[kMaxFields] = {};
    int count_ = 0;
    bool learned_ = false;
    int reads_ = 0;    // lines read since the last learning
    int short_ = 0;    // learnings in a row that read one line or none
    int resting_ = 0;  // learnings still to skip
};

}  // namespace cor2tavik
