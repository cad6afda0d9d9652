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
        problems.Add(problems.Make(kCountLine, Reason::recordCountNoEquals));
        return false;
    }
    const CountCheck check = ScanCount(equals + 1, begin + line.size(), fileSize, count);
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
    std::string line;
    if (!in.ReadLine(line) || !in.ReadLine(line)) {
        problems.Add(problems.Make(in.line(), Reason::endsBeforeRecordCount));
        return;
    }
    std::int32_t declared = 0;
    if (!ParseRecordCount(line, fileSize, problems, declared)) return;
    if (declared != expected)
        problems.Add(problems.Make(kCountLine, Reason::recordCountDiffers,
                                   block == Block::displacement ? "nodes" : "elements", declared, expected));
    const int width = ValueWidth(block);
    const RecordShape shape = {"record", "label", true, width, width == 3 ? kVectorNames : kTensorNames,
                               Reason::resultRecordsEnd};
    const std::int32_t records = std::min(declared, expected);
    bool reading = in.ReadLine(line);
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
