#include "RecordLayout.h"

namespace cor2tavik {

void RecordLayout::Learn(const char* fields, const char* end, int n) {
    width = 0;
    const auto total = end - fields;
    if (n <= 0 || total <= 0 || total > kMaxBytes || total % n != 0) return;
    const auto s = static_cast<int>(total / n);
    // A token of the 17-digit shape, with its sign place, is 23 bytes, its
    // point 21 before its end; of the 7-digit shape 13 and 11.
    int tokenBytes;
    if (s >= 23 && fields[s - 21] == '.') {
        tokenBytes = 23;
        restDigits = 10;
    } else if (s >= 13 && fields[s - 11] == '.') {
        tokenBytes = 13;
        restDigits = 0;
    } else {
        return;
    }
    stride = s;
    sign = s - tokenBytes;
    bytes = static_cast<int>(total);
    loads = (bytes + 15) / 16;
    const int marker = restDigits + 9;  // the exponent's 'E', from the sign place
    for (int x = 0; x < loads * 16; ++x) {
        unsigned char must = 0, may = 0, fold = 0, isDigit = 0;
        if (x % 16 == 0) ignored[x / 16] = 0;
        if (x >= bytes) {
            ignored[x / 16] |= static_cast<std::uint16_t>(1u << (x % 16));
        } else if (const int at = x % s - sign; at < 0) {
            must = may = ' ';
        } else if (at == 0) {
            must = ' ';
            may = '-';
        } else if (at == 2) {
            must = may = '.';
        } else if (at == marker) {
            must = may = 'e';
            fold = 0x20;
        } else if (at == marker + 1) {
            must = '+';
            may = '-';
        } else {
            isDigit = 0xFF;
        }
        one[x] = must;
        other[x] = may;
        folded[x] = fold;
        digit[x] = isDigit;
    }
    width = n;
}

}  // namespace cor2tavik
