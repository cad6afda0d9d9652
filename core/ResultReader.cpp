#include "ResultReader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "Records.h"

namespace cor2tavik {

namespace {

// Line 2 of every result file holds the record count.
constexpr long kCountLine = 2;

// The record count follows the first '=' among the line's first 80
// characters. Returns false (with a problem) when the line gives no usable
// count.
bool ParseRecordCount(const std::string& line, std::uint64_t fileSize, ProblemList& problems, std::int32_t& count) {
    static constexpr CountReasons kReasons = {Reason::recordCountMissing, Reason::recordCountTooWide,
                                              Reason::recordCountNegative, Reason::recordCountBeyondFile};
    const char* begin = line.data();
    const char* equals = static_cast<const char*>(std::memchr(begin, '=', std::min<std::size_t>(line.size(), 80)));
    if (equals == nullptr) {
        problems.Add({.line = kCountLine, .reason = Reason::recordCountNoEquals});
        return false;
    }
    const CountCheck check = ScanCount(equals + 1, begin + line.size(), fileSize, count);
    if (check == CountCheck::ok) return true;
    problems.Add({.line = kCountLine, .reason = kReasons.Of(check), .numbers = {count, static_cast<long long>(fileSize)}});
    return false;
}

constexpr Field kVectorFields[] = {Field::componentX, Field::componentY, Field::componentZ};
constexpr Field kTensorFields[] = {Field::component1, Field::component2, Field::component3,
                                   Field::component4, Field::component5, Field::component6};

}  // namespace

void ReadResult(TextReader& in, std::uint64_t fileSize, Block block, std::int32_t expected, ProblemList& problems,
                RowSink& sink) {
    std::string line;
    if (!in.ReadLine(line) || !in.ReadLine(line)) {
        problems.Add({.line = in.line(), .reason = Reason::endsBeforeRecordCount});
        return;
    }
    std::int32_t declared = 0;
    if (!ParseRecordCount(line, fileSize, problems, declared)) return;
    if (declared != expected)
        problems.Add({.line = kCountLine,
                      .reason = declared < expected ? Reason::recordCountFewer : Reason::recordCountMore,
                      .subject = block == Block::displacement ? Subject::nodes : Subject::elements,
                      .numbers = {declared, expected}});
    const int width = ValueWidth(block);
    const RecordShape shape = {Subject::resultRecord, Field::label, true, width,
                               width == 3 ? kVectorFields : kTensorFields, Reason::resultRecordsEnd};
    const std::int32_t records = std::min(declared, expected);
    bool reading = in.ReadLine(line);
    if (!reading && records > 0)
        problems.Add({.line = in.line(), .reason = Reason::resultRecordsEnd, .numbers = {0, declared}});
    sink.Begin(block);
    ForEachBatch(sink, expected, [&](RecordBatch& batch) {
        if (!reading || batch.first >= records) return false;
        const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(batch.rows, records - batch.first));
        return ReadRecords(in, shape, batch.first, count, declared, nullptr, batch.values, problems);
    });
    sink.End();
}

}  // namespace cor2tavik
