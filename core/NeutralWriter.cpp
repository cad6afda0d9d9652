#include "NeutralWriter.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <string_view>

#include "ByteWord.h"
#include "NumberScan.h"
#include "ValueFormat.h"

namespace cor2tavik {

namespace {

constexpr char kLineEnd[] = "\r\n";

char* Put(char* p, const char* text, std::size_t length) {
    std::memcpy(p, text, length);
    return p + length;
}

template <std::size_t N>
char* Put(char* p, const char (&text)[N]) {
    return Put(p, text, N - 1);
}

// printf's "%<width>d": right-justified, blank-padded, a wider value whole.
char* PutInt(char* p, long long value, int width) {
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    int length = static_cast<int>(end - digits);
    for (int pad = width - length; pad > 0; --pad) *p++ = ' ';
    return Put(p, digits, static_cast<std::size_t>(length));
}

// The same for a width known here, faster for values of at most `Width`
// digits: eight digits whose leading zeros, all but the last digit, turn to
// blanks, then the last `Width` of them; no branch on the value's length.
// Inlined: the call would cost as much as the work.
template <int Width>
[[gnu::always_inline]] inline char* PutInt(char* p, long long value) {
    static_assert(Width >= 1 && Width <= 8);
    constexpr long long kLimit = Width == 8 ? 100000000 : Width == 6 ? 1000000 : 0;
    if constexpr (kLimit != 0 && std::endian::native == std::endian::little) {
        if (value >= 0 && value < kLimit) {
            const std::uint64_t text = DigitText(static_cast<std::uint32_t>(value));
            // The bits below the lowest set bit of the first digit not 0
            // (bits 0 to 3 of its byte) mark the leading zeros, which turn
            // to blanks ('0' is 0x30, ' ' 0x20); a marker in the last byte
            // keeps its digit when all are 0.
            const std::uint64_t marked = (text ^ Bytes('0')) | std::uint64_t{1} << 56;
            const std::uint64_t leading = (marked & (0 - marked)) - 1;
            std::uint64_t word = text & ~(Bytes(0x10) & leading);
            word >>= 8 * (8 - Width);
            std::memcpy(p, &word, Width);
            return p + Width;
        }
    }
    return PutInt(p, value, Width);
}

char* PutValues(char* p, const Cell* values, int count) {
    for (int i = 0; i < count; ++i) p = FormatCell(DecideCell(values[i]), p);
    return p;
}

// Generous upper bounds of one record's bytes, for OutputFile::Reserve.
constexpr std::size_t kNodeRecordBytes = 128;
constexpr std::size_t kResultRecordBytes = 160;
constexpr std::size_t kElementRecordBytes = 64 + 20 * (kMaxWrittenElementNodes + 2);

// `record(j, p)` writes the batch's row j at p and returns its end.
template <typename Record>
void WriteRecords(OutputFile& out, const RecordBatch& batch, std::size_t recordBytes, const Record& record) {
    for (std::int32_t j = 0; j < batch.rows; ++j) out.Advance(record(j, out.Reserve(recordBytes)));
}

void WriteNodes(OutputFile& out, const ConversionModel& model, const RecordBatch& batch) {
    const std::int32_t* numbers = &model.nodeNumbers[batch.first];
    WriteRecords(out, batch, kNodeRecordBytes, [&](std::int32_t j, char* p) {
        p = Put(p, "  ");
        p = PutInt<8>(p, numbers[j]);
        p = Put(p, "       0       0  000000       ");
        p = PutValues(p, &batch.values[3 * j], 3);
        return Put(p, kLineEnd);
    });
}

void WriteElements(OutputFile& out, const ConversionModel& model, const RecordBatch& batch) {
    const ElementHead* heads = &model.elements[batch.first];
    WriteRecords(out, batch, kElementRecordBytes, [&](std::int32_t j, char* p) {
        const std::int32_t typeCode = heads[j].typeCode;
        p = Put(p, "  ");
        p = PutInt<8>(p, heads[j].number);
        p = PutInt<6>(p, typeCode);
        p = Put(p, "        ");
        p = PutInt<8>(p, 0);
        long long nodes = static_cast<long long>(typeCode) - kElementTypeBase;
        if (nodes > kMaxWrittenElementNodes) nodes = 0;
        if (batch.hasText[j]) {
            // At most kElementSlots, as its line had them; "%8d" already.
            const std::uint64_t* text = &batch.nodeTexts[j * kElementSlots];
            for (int k = 0; k < nodes; ++k) {
                std::memcpy(p, &text[k], 8);
                p += 8;
                if (k == 5 && k + 1 < nodes) p = Put(p, "\r\n        ");
            }
            return Put(p, kLineEnd);
        }
        const std::int32_t* slot = &batch.slots[j * kElementSlots];
        for (int k = 0; k < nodes; ++k) {
            // Only the element's own slot is read; positions past it are 0.
            p = PutInt<8>(p, k < kElementSlots ? slot[k] : 0);
            // Lines break after the 6th and the 15th node number.
            if ((k == 5 || k == 14) && k + 1 < nodes) p = Put(p, "\r\n        ");
        }
        return Put(p, kLineEnd);
    });
}

void WriteDisplacements(OutputFile& out, const ConversionModel& model, const RecordBatch& batch) {
    const std::int32_t* numbers = &model.nodeNumbers[batch.first];
    WriteRecords(out, batch, kResultRecordBytes, [&](std::int32_t j, char* p) {
        p = Put(p, "  ");
        p = PutInt<8>(p, numbers[j]);
        p = Put(p, "\r\n  ");
        p = PutValues(p, &batch.values[3 * j], 3);
        return Put(p, kLineEnd);
    });
}

void WriteTensors(OutputFile& out, const ConversionModel& model, const RecordBatch& batch) {
    const ElementHead* heads = &model.elements[batch.first];
    WriteRecords(out, batch, kResultRecordBytes, [&](std::int32_t j, char* p) {
        p = Put(p, "  ");
        p = PutInt<8>(p, heads[j].number);
        p = PutInt<6>(p, heads[j].typeCode);
        p = Put(p, "       1       1       0\r\n  ");
        p = PutValues(p, &batch.values[6 * j], 6);
        return Put(p, kLineEnd);
    });
}

}  // namespace

void WriteCodeLine(OutputFile& out, int code) {
    char* p = out.Reserve(32);
    p = PutInt(p, code, 2);
    out.Advance(Put(p, kLineEnd));
}

void WriteHeader(OutputFile& out, const std::tm& now) {
    WriteCodeLine(out, 1);
    char* p = out.Reserve(128);
    p = Put(p, "VERSION  5. 0. 0DATE");
    p = PutInt(p, now.tm_year + 1900LL, 4);
    p = Put(p, "/");
    p = PutInt(p, now.tm_mon + 1, 2);
    p = Put(p, "/");
    p = PutInt(p, now.tm_mday, 2);
    p = Put(p, "TIME");
    p = PutInt(p, now.tm_hour, 2);
    p = Put(p, ":");
    p = PutInt(p, now.tm_min, 2);
    p = Put(p, ":");
    p = PutInt(p, now.tm_sec, 2);
    out.Advance(Put(p, kLineEnd));
    WriteCodeLine(out, 2);
    out.Write("Corvantis Data\r\n");
    WriteCodeLine(out, 3);
    out.Write("TAVIK/QR Ver 5.0\r\n");
}

void WriteBlockStart(OutputFile& out, Block block) {
    static constexpr int kCodes[] = {12, 13, 52, 72, 73};
    WriteCodeLine(out, kCodes[static_cast<int>(block)]);
    if (block != Block::nodes && block != Block::elements) out.Write("         1     1\r\n         1\r\n");
}

void WriteRows(OutputFile& out, const ConversionModel& model, Block block, const RecordBatch& batch) {
    switch (block) {
    case Block::nodes: return WriteNodes(out, model, batch);
    case Block::elements: return WriteElements(out, model, batch);
    case Block::displacement: return WriteDisplacements(out, model, batch);
    case Block::stress:
    case Block::strain: return WriteTensors(out, model, batch);
    }
}

void WriteBlockEnd(OutputFile& out) { WriteCodeLine(out, -1); }

void WriteEndCode(OutputFile& out) { WriteCodeLine(out, 99); }

}  // namespace cor2tavik
