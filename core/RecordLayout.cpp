#include "RecordLayout.h"

namespace cor2tavik {

void RecordLayout::Learn(const char* line, const char* labelEnd, const char* fieldsBegin, const char* end, int n) {
    width = 0;
    const auto labelBytes = labelEnd - line, colonBytes = fieldsBegin - labelEnd, total = end - fieldsBegin;
    // A label has a digit, a record its fields; a ':' is one byte.
    if (labelBytes > 8 || (fieldsBegin - line) + total > kMaxBytes || total % n != 0) return;
    const auto s = static_cast<int>(total / n);
    // A token of the 17-digit shape, with its sign place, is 23 bytes, its
    // point 21 before its end; of the 7-digit shape 13 and 11.
    int tokenBytes;
    if (s >= 23 && fieldsBegin[s - 21] == '.') {
        tokenBytes = 23;
        restDigits = 10;
    } else if (s >= 13 && fieldsBegin[s - 11] == '.') {
        tokenBytes = 13;
        restDigits = 0;
    } else {
        return;
    }
    colon = colonBytes == 1;
    label = static_cast<int>(labelBytes);
    fields = static_cast<int>(fieldsBegin - line);
    stride = s;
    sign = s - tokenBytes;
    bytes = fields + static_cast<int>(total);
    loads = (bytes + 15) / 16;
    const int marker = restDigits + 9;  // the exponent's 'E', from the sign place
    for (int x = 0; x < loads * 16; ++x) {
        // Blanks, then digits to the label's end: a blank after a digit is
        // LayoutCells' to find.
        unsigned char may = 0, instead = 0, fold = 0x80, isDigit = 0xFF;
        if (x % 16 == 0) ignored[x / 16] = 0;
        const auto text = [&](unsigned char c, unsigned char d) {
            may = c;
            instead = d;
            fold = 0;
            isDigit = 0;
        };
        if (x >= bytes) {
            ignored[x / 16] |= static_cast<std::uint16_t>(1u << (x % 16));
            text(0, 0);
        } else if (x < label - 1) {
            may = instead = ' ';
            fold = 0;
        } else if (x < label) {
            // the label's last digit
        } else if (x < fields) {
            text(':', ':');
        } else if (const int at = (x - fields) % s - sign; at < 0) {
            text(' ', ' ');
        } else if (at == 0) {
            text(' ', '-');
        } else if (at == 2) {
            text('.', '.');
        } else if (at == marker) {
            text('e', 'e');
            fold = 0x20;
        } else if (at == marker + 1) {
            text('+', '-');
        }
        one[x] = may;
        other[x] = instead;
        folded[x] = fold;
        digit[x] = isDigit;
    }
    width = n;
}

}  // namespace cor2tavik
