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
        problems.Add(problems.Make(kCountLine, Reason::recordCountNoEquals));
        return false;
    }
    in.Skip(equals + 1);
    const ScanStatus scanned = in.ScanLineInteger(count);
    const CountCheck check = CheckCount(scanned, count, fileSize);
    in.SkipLine();
    if (check == CountCheck::ok) return true;
    problems.Add(problems.Make(kCountLine, kReasons.Of(check), {}, count, static_cast<long long>(fileSize)));
    return false;
}

constexpr const char* kVectorNames[] = {"x", "y", "z"};
constexpr const char* kTensorNames[] = {"component 1", "component 2", "component 3",
                                        "component 4", "component 5", "component 6"};

}  // namespace

void ReadResult(TextReader& in, std::uint64_t fileSize, Block block, std::int32_t expected, ProblemList& problems,
                RowSink& sink) {
    // A title line, then the count line.
    for (int i = 0; i < 2; ++i) {
        if (in.AtEnd()) {
            problems.Add(problems.Make(in.line(), Reason::endsBeforeRecordCount));
            return;
        }
        if (i == 0) in.SkipLine();
    }
    std::int32_t declared = 0;
    if (!ReadRecordCount(in, fileSize, problems, declared)) return;
    if (declared != expected)
        problems.Add(problems.Make(kCountLine, Reason::recordCountDiffers,
                                   block == Block::displacement ? "nodes" : "elements", declared, expected));
    const int width = ValueWidth(block);
    const RecordShape shape = {"record", "label", true, width, width == 3 ? kVectorNames : kTensorNames,
                               Reason::resultRecordsEnd};
    const std::int32_t records = std::min(declared, expected);
    // A line nobody reads before the records.
    const bool reading = !in.AtEnd();
    if (reading) in.SkipLine();
    if (!reading && records > 0) problems.Add(problems.Make(in.line(), Reason::resultRecordsEnd, {}, 0, declared));
    sink.Begin(block);
    ForEachBatch(sink, expected, [&](RecordBatch& batch) {
        if (!reading || batch.first >= records) return false;
        const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(batch.rows, records - batch.first));
        return ReadRecords(in, shape, batch.first, count, declared, nullptr, batch.values, problems);
    });
    sink.End();
}

}  // namespace cor2tavik
