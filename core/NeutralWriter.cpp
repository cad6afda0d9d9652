#include "NeutralWriter.h"

#include <charconv>
#include <cstring>

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

char* PutValues(char* p, const double* values, int count) {
    for (int i = 0; i < count; ++i) p = FormatValue(values[i], p);
    return p;
}

// Generous upper bounds of one record's bytes, for OutputFile::Reserve.
constexpr std::size_t kNodeRecordBytes = 128;
constexpr std::size_t kResultRecordBytes = 160;
constexpr std::size_t kElementRecordBytes = 64 + 20 * (kMaxWrittenElementNodes + 2);

void WriteNodes(OutputFile& out, const ConversionModel& model) {
    for (std::int32_t i = 0; i < model.nodeCount; ++i) {
        char* p = out.Reserve(kNodeRecordBytes);
        p = Put(p, "  ");
        p = PutInt(p, model.nodeNumbers[i], 8);
        p = Put(p, "       0       0  000000       ");
        p = PutValues(p, &model.nodeCoordinates[3 * std::size_t(i)], 3);
        out.Advance(Put(p, kLineEnd));
    }
}

void WriteElements(OutputFile& out, const ConversionModel& model) {
    for (std::int32_t i = 0; i < model.elementCount; ++i) {
        const std::int32_t typeCode = model.elementTypeCodes[i];
        char* p = out.Reserve(kElementRecordBytes);
        p = Put(p, "  ");
        p = PutInt(p, model.elementNumbers[i], 8);
        p = PutInt(p, typeCode, 6);
        p = Put(p, "        ");
        p = PutInt(p, 0, 8);
        long long nodes = static_cast<long long>(typeCode) - kElementTypeBase;
        if (nodes > kMaxWrittenElementNodes) nodes = 0;
        const std::int32_t* slot = &model.connectivity[std::size_t(i) * kElementSlots];
        for (int j = 0; j < nodes; ++j) {
            // Only the element's own slot is read; positions past it are 0.
            p = PutInt(p, j < kElementSlots ? slot[j] : 0, 8);
            // Lines break after the 6th and the 15th node number.
            if ((j == 5 || j == 14) && j + 1 < nodes) p = Put(p, "\r\n        ");
        }
        out.Advance(Put(p, kLineEnd));
    }
}

void WriteResultPreamble(OutputFile& out, int code) {
    WriteCodeLine(out, code);
    out.Write("         1     1\r\n         1\r\n");
}

void WriteDisplacementBlock(OutputFile& out, const ConversionModel& model) {
    WriteResultPreamble(out, 52);
    const double* values = model.displacement.values.data();
    for (std::int32_t i = 0; i < model.nodeCount; ++i) {
        char* p = out.Reserve(kResultRecordBytes);
        p = Put(p, "  ");
        p = PutInt(p, model.nodeNumbers[i], 8);
        p = Put(p, "\r\n  ");
        p = PutValues(p, values + 3 * std::size_t(i), 3);
        out.Advance(Put(p, kLineEnd));
    }
    WriteCodeLine(out, -1);
}

void WriteElementResultBlock(OutputFile& out, const ConversionModel& model, int code, const ResultTable& table) {
    WriteResultPreamble(out, code);
    for (std::int32_t i = 0; i < model.elementCount; ++i) {
        char* p = out.Reserve(kResultRecordBytes);
        p = Put(p, "  ");
        p = PutInt(p, model.elementNumbers[i], 8);
        p = PutInt(p, model.elementTypeCodes[i], 6);
        p = Put(p, "       1       1       0\r\n  ");
        p = PutValues(p, table.values.data() + 6 * std::size_t(i), 6);
        out.Advance(Put(p, kLineEnd));
    }
    WriteCodeLine(out, -1);
}

}  // namespace

void WriteCodeLine(OutputFile& out, int code) {
    char* p = out.Reserve(32);
    p = PutInt(p, code, 2);
    out.Advance(Put(p, kLineEnd));
}

void WriteModelBlocks(OutputFile& out, const ConversionModel& model, const std::tm& now) {
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

    WriteCodeLine(out, 12);
    WriteNodes(out, model);
    WriteCodeLine(out, -1);

    WriteCodeLine(out, 13);
    WriteElements(out, model);
    WriteCodeLine(out, -1);
}

void WriteResultBlocks(OutputFile& out, const ConversionModel& model) {
    if (model.displacement.present) WriteDisplacementBlock(out, model);
    if (model.stress.present) WriteElementResultBlock(out, model, 72, model.stress);
    if (model.strain.present) WriteElementResultBlock(out, model, 73, model.strain);
}

void WriteEndCode(OutputFile& out) { WriteCodeLine(out, 99); }

}  // namespace cor2tavik
