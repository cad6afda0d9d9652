#include "ResultReader.h"

#include <algorithm>
#include <string_view>

#include "Records.h"

namespace cor2tavik {

namespace {

// Line 2 of every result file holds the record count.
constexpr long kCountLine = 2;

// The record count follows the first '=' among the line's first 80
// characters. Returns false (with a problem) when the line gives no usable
// count; otherwise the line is read to its end.
bool ReadRecordCount(TextReader& in, std::uint64_t fileSize, ProblemList& problems, std::int32_t& count) {
    static constexpr CountReasons kReasons = {Reason::recordCountMissing, Reason::recordCountTooWide,
                                              Reason::recordCountNegative, Reason::recordCountBeyondFile};
    const std::size_t equals = in.PeekLine(80).find('=');
    if (equals == std::string_view::npos) {
        problems.Add({.line = kCountLine, .reason = Reason::recordCountNoEquals});
        return false;
    }
    in.Skip(equals + 1);
    const ScanStatus scanned = in.ScanLineInteger(count);
    const CountCheck check = CheckCount(scanned, count, fileSize);
    in.SkipLine();
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
    // A title line, then the count line.
    for (int i = 0; i < 2; ++i) {
        if (in.AtEnd()) {
            problems.Add({.line = in.line(), .reason = Reason::endsBeforeRecordCount});
            return;
        }
        if (i == 0) in.SkipLine();
    }
    std::int32_t declared = 0;
    if (!ReadRecordCount(in, fileSize, problems, declared)) return;
    if (declared != expected)
        problems.Add({.line = kCountLine,
                      .reason = declared < expected ? Reason::recordCountFewer : Reason::recordCountMore,
                      .subject = block == Block::displacement ? Subject::nodes : Subject::elements,
                      .numbers = {declared, expected}});
    const int width = ValueWidth(block);
    const RecordShape shape = {Subject::resultRecord, Field::label, true, width,
                               width == 3 ? kVectorFields : kTensorFields, Reason::resultRecordsEnd};
    const std::int32_t records = std::min(declared, expected);
    // A line nobody reads before the records.
    const bool reading = !in.AtEnd();
    if (reading) in.SkipLine();
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
