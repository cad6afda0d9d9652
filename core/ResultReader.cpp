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

std::optional<Problem> ReadResult(TextReader& in, std::uint64_t fileSize, ResultKind kind, std::int32_t expected,
                                  ResultTable& table, ProblemList& problems) {
    std::string line;
    if (!in.ReadLine(line) || !in.ReadLine(line)) {
        problems.Add(problems.Make(in.line(), Reason::endsBeforeRecordCount));
        return std::nullopt;
    }
    std::int32_t declared = 0;
    if (!ParseRecordCount(line, fileSize, problems, declared)) return std::nullopt;
    if (declared != expected)
        problems.Add(problems.Make(kCountLine, Reason::recordCountDiffers,
                                   kind == ResultKind::displacement ? "nodes" : "elements", declared, expected));
    const int width = ResultWidth(kind);
    if (!table.values.Allocate(std::size_t(expected), width))
        return problems.Make(in.line(), Reason::outOfMemory, "result records", expected);
    table.present = true;
    const std::int32_t records = std::min(declared, expected);
    if (!in.ReadLine(line)) {
        if (records > 0) problems.Add(problems.Make(in.line(), Reason::resultRecordsEnd, {}, 0, declared));
        return std::nullopt;
    }
    const RecordShape shape = {"record", "label", true, width, width == 3 ? kVectorNames : kTensorNames,
                               Reason::resultRecordsEnd};
    ReadRecords(in, shape, records, declared, nullptr, table.values.data(), problems);
    return std::nullopt;
}

}  // namespace cor2tavik
