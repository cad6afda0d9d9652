#include "NeutralWriter.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>

#include "Parallel.h"
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
// digits: eight digits with the leading zeros blanked, then the last `Width`.
template <int Width>
char* PutInt(char* p, long long value) {
    static_assert(Width >= 1 && Width <= 8);
    constexpr long long kLimit = Width == 8 ? 100000000 : Width == 6 ? 1000000 : 0;
    if constexpr (kLimit != 0 && std::endian::native == std::endian::little) {
        if (value >= 0 && value < kLimit) {
            auto pair = [](std::uint32_t n) {
                std::uint16_t digits;
                std::memcpy(&digits, kDigitPairs + 2 * n, 2);
                return std::uint64_t{digits};
            };
            const auto v = static_cast<std::uint32_t>(value);
            const std::uint32_t high = v / 10000, low = v % 10000;
            // The first digit in the low byte.
            std::uint64_t word =
                pair(high / 100) | pair(high % 100) << 16 | pair(low / 100) << 32 | pair(low % 100) << 48;
            const std::uint64_t nonZero = word ^ 0x3030303030303030u;
            const int zeros = std::min(nonZero == 0 ? 8 : std::countr_zero(nonZero) / 8, 7);
            const std::uint64_t blanked = (std::uint64_t{1} << (8 * zeros)) - 1;
            word = (word & ~blanked) | (0x2020202020202020u & blanked);
            word >>= 8 * (8 - Width);
            std::memcpy(p, &word, Width);
            return p + Width;
        }
    }
    return PutInt(p, value, Width);
}

char* PutValues(char* p, const double* values, int count) {
    for (int i = 0; i < count; ++i) p = FormatValue(values[i], p);
    return p;
}

// Generous upper bounds of one record's bytes, for OutputFile::Reserve.
constexpr std::size_t kNodeRecordBytes = 128;
constexpr std::size_t kResultRecordBytes = 160;
constexpr std::size_t kElementRecordBytes = 64 + 20 * (kMaxWrittenElementNodes + 2);

// ---------------------------------------------------------------------------
// Records in runs, with a helper thread: the helper formats every other run
// into a buffer of its own while this thread formats the runs between them
// straight into the output, then copies the helper's run in after its own.
// The bytes are the same as from one thread.

constexpr std::int64_t kRunRecords = 2048;
constexpr std::int64_t kMinRuns = 8;
// A helper's run stops short when its buffer is this full (only elements
// with huge type codes get near); this thread formats the rest.
constexpr std::size_t kRunBytes = std::size_t{1} << 20;

struct HelperRun {
    std::unique_ptr<char[]> bytes{new char[kRunBytes]};
    std::size_t size = 0;
    std::int64_t records = 0;  // formatted from the run's start
};

// `record(i, p)` writes record i at p and returns its end.
template <typename Record>
void WriteRecords(OutputFile& out, std::int64_t count, std::size_t recordBytes, bool helper, const Record& record) {
    auto here = [&](std::int64_t begin, std::int64_t end) {
        for (std::int64_t i = begin; i < end; ++i) out.Advance(record(i, out.Reserve(recordBytes)));
    };
    const std::int64_t runs = (count + kRunRecords - 1) / kRunRecords;
    // A small block is done before a helper would be of use.
    if (!helper || runs < kMinRuns) return here(0, count);

    auto runEnd = [&](std::int64_t k) { return std::min(count, (k + 1) * kRunRecords); };
    Channel<HelperRun> empty, formatted;  // two runs go round between the threads
    empty.Push({});
    empty.Push({});
    // Declared after the channels: on any way out it is stopped and joined first.
    std::jthread thread = StartWorker(true, [&](std::stop_token stop) {
        for (std::int64_t k = 1; k < runs; k += 2) {
            std::optional<HelperRun> run = empty.Pop(stop);
            if (!run) return;
            char* p = run->bytes.get();
            const char* limit = p + kRunBytes;
            std::int64_t i = k * kRunRecords;
            for (const std::int64_t end = runEnd(k); i < end && static_cast<std::size_t>(limit - p) >= recordBytes; ++i)
                p = record(i, p);
            run->size = static_cast<std::size_t>(p - run->bytes.get());
            run->records = i - k * kRunRecords;
            formatted.Push(std::move(*run));
        }
    });
    if (!thread.joinable()) return here(0, count);

    for (std::int64_t k = 0; k < runs; ++k) {
        if (k % 2 == 0) {
            here(k * kRunRecords, runEnd(k));
            continue;
        }
        HelperRun run = std::move(*formatted.Pop());  // the helper formats every odd run
        out.Write(std::string_view(run.bytes.get(), run.size));
        here(k * kRunRecords + run.records, runEnd(k));
        empty.Push(std::move(run));
    }
}

// ---------------------------------------------------------------------------
// The records.

char* NodeRecord(const ConversionModel& model, std::int64_t i, char* p) {
    p = Put(p, "  ");
    p = PutInt<8>(p, model.nodeNumbers[i]);
    p = Put(p, "       0       0  000000       ");
    p = PutValues(p, &model.nodeCoordinates[3 * std::size_t(i)], 3);
    return Put(p, kLineEnd);
}

char* ElementRecord(const ConversionModel& model, std::int64_t i, char* p) {
    const std::int32_t typeCode = model.elementTypeCodes[i];
    p = Put(p, "  ");
    p = PutInt<8>(p, model.elementNumbers[i]);
    p = PutInt<6>(p, typeCode);
    p = Put(p, "        ");
    p = PutInt<8>(p, 0);
    long long nodes = static_cast<long long>(typeCode) - kElementTypeBase;
    if (nodes > kMaxWrittenElementNodes) nodes = 0;
    const std::int32_t* slot = &model.connectivity[std::size_t(i) * kElementSlots];
    for (int j = 0; j < nodes; ++j) {
        // Only the element's own slot is read; positions past it are 0.
        p = PutInt<8>(p, j < kElementSlots ? slot[j] : 0);
        // Lines break after the 6th and the 15th node number.
        if ((j == 5 || j == 14) && j + 1 < nodes) p = Put(p, "\r\n        ");
    }
    return Put(p, kLineEnd);
}

char* DisplacementRecord(const ConversionModel& model, std::int64_t i, char* p) {
    p = Put(p, "  ");
    p = PutInt<8>(p, model.nodeNumbers[i]);
    p = Put(p, "\r\n  ");
    p = PutValues(p, model.displacement.values.data() + 3 * std::size_t(i), 3);
    return Put(p, kLineEnd);
}

char* ElementResultRecord(const ConversionModel& model, const ResultTable& table, std::int64_t i, char* p) {
    p = Put(p, "  ");
    p = PutInt<8>(p, model.elementNumbers[i]);
    p = PutInt<6>(p, model.elementTypeCodes[i]);
    p = Put(p, "       1       1       0\r\n  ");
    p = PutValues(p, table.values.data() + 6 * std::size_t(i), 6);
    return Put(p, kLineEnd);
}

void WriteNodes(OutputFile& out, const ConversionModel& model, bool helper) {
    WriteRecords(out, model.nodeCount, kNodeRecordBytes, helper,
                 [&](std::int64_t i, char* p) { return NodeRecord(model, i, p); });
}

void WriteElements(OutputFile& out, const ConversionModel& model, bool helper) {
    WriteRecords(out, model.elementCount, kElementRecordBytes, helper,
                 [&](std::int64_t i, char* p) { return ElementRecord(model, i, p); });
}

void WriteResultPreamble(OutputFile& out, int code) {
    WriteCodeLine(out, code);
    out.Write("         1     1\r\n         1\r\n");
}

void WriteDisplacementBlock(OutputFile& out, const ConversionModel& model, bool helper) {
    WriteResultPreamble(out, 52);
    WriteRecords(out, model.nodeCount, kResultRecordBytes, helper,
                 [&](std::int64_t i, char* p) { return DisplacementRecord(model, i, p); });
    WriteCodeLine(out, -1);
}

void WriteElementResultBlock(OutputFile& out, const ConversionModel& model, int code, const ResultTable& table,
                             bool helper) {
    WriteResultPreamble(out, code);
    WriteRecords(out, model.elementCount, kResultRecordBytes, helper,
                 [&](std::int64_t i, char* p) { return ElementResultRecord(model, table, i, p); });
    WriteCodeLine(out, -1);
}

}  // namespace

void WriteCodeLine(OutputFile& out, int code) {
    char* p = out.Reserve(32);
    p = PutInt(p, code, 2);
    out.Advance(Put(p, kLineEnd));
}

void WriteModelBlocks(OutputFile& out, const ConversionModel& model, const std::tm& now, bool helper) {
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
    WriteNodes(out, model, helper);
    WriteCodeLine(out, -1);

    WriteCodeLine(out, 13);
    WriteElements(out, model, helper);
    WriteCodeLine(out, -1);
}

void WriteResultBlock(OutputFile& out, const ConversionModel& model, ResultKind kind, bool helper) {
    const ResultTable& table = model.result(kind);
    if (!table.present) return;
    switch (kind) {
    case ResultKind::displacement:
        WriteDisplacementBlock(out, model, helper);
        break;
    case ResultKind::stress:
        WriteElementResultBlock(out, model, 72, table, helper);
        break;
    case ResultKind::strain:
        WriteElementResultBlock(out, model, 73, table, helper);
        break;
    }
}

void WriteEndCode(OutputFile& out) { WriteCodeLine(out, 99); }

}  // namespace cor2tavik
