// The columns of plain element lines: the element's number in 8 bytes, its
// type code and node count, then its node numbers in 8 bytes each, every
// field right-aligned after at least one blank. Learned from one line, they
// let the next be checked sixteen bytes at a time (LayoutElement,
// NumberScan.h) and its numbers be taken at known places; a node number's 8
// bytes are then already the text the neutral file writes for it.
#pragma once

#include <cstdint>

namespace cor2tavik {

struct ElementLayout {
    static constexpr int kMaxBytes = 128;  // of a line, its line end not counted
    static constexpr int kMaxNodes = 10;

    // From a line just scanned, [line, end) without its line end, with
    // `nodes` node numbers (4, 8 or 10: LayoutElement takes them in pairs):
    // kept when its fields are digits in columns as above (the type code and
    // node count at most 8 bytes each); else none (nodes 0). The next line
    // must still pass every check.
    void Learn(const char* line, const char* end, int nodes);

    int nodes = 0;  // node numbers a line; 0 when nothing is learned
    int bytes = 0;  // of a line
    int loads = 0;  // sixteen bytes at a time
    int typeEnd = 0, countEnd = 0;
    // The type code's and node count's bytes in the 8 that end with each.
    std::uint64_t typeKeep = 0, countKeep = 0;
    int nodeAt[kMaxNodes] = {};
    // Bit i for byte i of a line, in two words: the first byte of each field
    // but the first, which must be a blank; the last, which must be a digit;
    // the bytes of the node numbers but their last (no leading zero there);
    // all of the line.
    std::uint64_t starts[2] = {}, lasts[2] = {}, nodeBytes[2] = {}, line[2] = {};
};

}  // namespace cor2tavik
