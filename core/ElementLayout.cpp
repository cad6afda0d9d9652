#include "ElementLayout.h"

namespace cor2tavik {

namespace {

void Mark(std::uint64_t (&bits)[2], int i) { bits[i / 64] |= std::uint64_t{1} << (i % 64); }

// The top `n` (1 to 8) of a word's eight bytes.
std::uint64_t TopBytes(int n) { return ~std::uint64_t{0} << (8 * (8 - n)); }

}  // namespace

void ElementLayout::Learn(const char* text, const char* end, int count) {
    nodes = 0;
    const auto length = end - text;
    if (length > kMaxBytes) return;
    // The end of each field: of each run of digits; nothing but blanks
    // between them.
    int ends[3 + kMaxNodes];
    int fields = 0;
    for (int i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == ' ') continue;
        if (c < '0' || c > '9') return;
        if (i + 1 == length || text[i + 1] == ' ') {
            if (fields == 3 + count) return;
            ends[fields++] = i + 1;
        }
    }
    if (fields != 3 + count || ends[0] != 8 || ends[1] - ends[0] > 8 || ends[2] - ends[1] > 8) return;
    for (int k = 0; k < count; ++k)
        if (ends[3 + k] - ends[2 + k] != 8) return;

    *this = ElementLayout();
    bytes = static_cast<int>(length);
    loads = (bytes + 15) / 16;
    typeEnd = ends[1];
    countEnd = ends[2];
    typeKeep = TopBytes(ends[1] - ends[0]);
    countKeep = TopBytes(ends[2] - ends[1]);
    for (int i = 0; i < bytes; ++i) Mark(line, i);
    for (int f = 0; f < fields; ++f) {
        if (f > 0) Mark(starts, ends[f - 1]);
        Mark(lasts, ends[f] - 1);
    }
    for (int k = 0; k < count; ++k) {
        nodeAt[k] = ends[2 + k];
        for (int i = nodeAt[k]; i < nodeAt[k] + 7; ++i) Mark(nodeBytes, i);
    }
    nodes = count;
}

}  // namespace cor2tavik
