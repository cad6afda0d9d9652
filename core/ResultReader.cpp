#include "ResultReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace cor2tavik {

namespace {

// The record count follows the first '=' among the line's first 80
// characters. Returns false (with a problem) when the line gives no usable
// count.
bool ParseRecordCount(const std::string& line, long lineNumber, std::uint64_t fileSize, ProblemList& problems,
                      std::int32_t& count) {
    const char* begin = line.data();
    const char* equals = static_cast<const char*>(std::memchr(begin, '=', std::min<std::size_t>(line.size(), 80)));
    if (equals == nullptr) {
        problems.Add(lineNumber, "record count line has no '=' in its first 80 characters; the block is left out");
        return false;
    }
    const char* p = equals + 1;
    ScanStatus status = ScanInteger(p, begin + line.size(), count);
    if (status != ScanStatus::ok) {
        problems.Add(lineNumber, std::string("record count ") +
                                     (status == ScanStatus::overflow ? "does not fit 32 bits"
                                                                     : "is missing after '='") +
                                     "; the block is left out");
        return false;
    }
    if (count < 0) {
        problems.Add(lineNumber, "negative record count " + Str(count) + "; the block is left out");
        return false;
    }
    if (static_cast<std::uint64_t>(count) > fileSize) {
        problems.Add(lineNumber, Str(count) + " records cannot fit in a file of " +
                                     Str(static_cast<long long>(fileSize)) + " bytes; the block is left out");
        return false;
    }
    return true;
}

const char* ComponentName(int width, int c) {
    static constexpr const char* kVector[] = {"x", "y", "z"};
    static constexpr const char* kTensor[] = {"component 1", "component 2", "component 3",
                                              "component 4", "component 5", "component 6"};
    return width == 3 ? kVector[c] : kTensor[c];
}

// Scans `label: v1 v2 ...` records into `values`. Stops at the end of input.
void ReadRecords(TextReader& in, std::int32_t records, std::int32_t declared, int width, double* values,
                 ProblemList& problems) {
    for (std::int32_t k = 0; k < records; ++k) {
        double* record = values + std::size_t(k) * width;
        std::int32_t label = 0;
        std::string problem;
        ScanStatus status = in.ScanInteger(label);
        if (status != ScanStatus::ok) {
            problem = "label" + std::string(FieldProblem(status));
        } else if (!in.Match(':')) {
            status = ScanStatus::mismatch;
            problem = "':' after the label is missing";
        }
        for (int c = 0; c < width && status == ScanStatus::ok; ++c) {
            status = in.ScanReal(record[c]);
            if (status == ScanStatus::ok && std::isinf(record[c]))
                problems.Add(in.line(), "record " + Str(k + 1) + ": " + ComponentName(width, c) +
                                            " is beyond the range of a double");
            else if (status != ScanStatus::ok)
                problem = ComponentName(width, c) + std::string(FieldProblem(status));
        }
        if (status == ScanStatus::end) {
            problems.Add(in.line(), "the file ends after " + Str(k) + " of " + Str(declared) +
                                        " records; the rest are 0");
            return;
        }
        if (status != ScanStatus::ok) {
            problems.Add(in.line(), "record " + Str(k + 1) + ": " + problem);
            in.SkipLine();
            continue;
        }
        in.SkipSpace();
    }
}

// Line 2 of every result file holds the record count.
constexpr long kCountLine = 2;

}  // namespace

std::optional<Failure> ReadResult(TextReader& in, std::uint64_t fileSize, ResultKind kind, std::int32_t expected,
                                  ResultTable& table, ProblemList& problems) {
    const char* recordOf = kind == ResultKind::displacement ? "nodes" : "elements";
    std::string line;
    if (!in.ReadLine(line) || !in.ReadLine(line)) {
        problems.Add(in.line(), "the file ends before its record count line; the block is left out");
        return std::nullopt;
    }
    std::int32_t declared = 0;
    if (!ParseRecordCount(line, kCountLine, fileSize, problems, declared)) return std::nullopt;
    if (declared != expected)
        problems.Add(kCountLine, "the file holds " + Str(declared) + " records, the model has " + Str(expected) +
                                        " " + recordOf + (declared < expected ? "; the missing ones are 0"
                                                                              : "; the extra ones are ignored"));
    const int width = ResultWidth(kind);
    if (!table.values.Allocate(std::size_t(expected) * width))
        return problems.Fail(in.line(), "out of memory for " + Str(expected) + " result records");
    table.present = true;
    const std::int32_t records = std::min(declared, expected);
    if (!in.ReadLine(line)) {
        if (records > 0)
            problems.Add(in.line(), "the file ends after 0 of " + Str(declared) + " records; the rest are 0");
        return std::nullopt;
    }
    ReadRecords(in, records, declared, width, table.values.data(), problems);
    return std::nullopt;
}

std::optional<Failure> ReadDisplacement(TextReader& in, std::uint64_t fileSize, ConversionModel& model,
                                        ProblemList& problems) {
    return ReadResult(in, fileSize, ResultKind::displacement, model.nodeCount, model.displacement, problems);
}

std::optional<Failure> ReadElementResult(TextReader& in, std::uint64_t fileSize, ResultKind kind,
                                         ConversionModel& model, ProblemList& problems) {
    return ReadResult(in, fileSize, kind, model.elementCount, model.result(kind), problems);
}

}  // namespace cor2tavik
