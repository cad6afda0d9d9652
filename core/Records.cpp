#include "Records.h"

#include <string>

namespace cor2tavik {

bool ReadRecords(TextReader& in, const RecordShape& shape, std::int64_t first, std::int32_t count,
                 std::int32_t declared, std::int32_t* labels, Cell* values, ProblemList& problems) {
    for (std::int32_t j = 0; j < count; ++j) {
        j += in.FastRecords(labels != nullptr ? labels + j : nullptr, shape.colon, values + std::size_t(j) * shape.width,
                            shape.width, count - j);
        if (j == count) break;
        const std::int64_t k = first + j;
        Cell* record = values + std::size_t(j) * shape.width;
        std::int32_t label = 0;
        std::int32_t& labelAt = labels != nullptr ? labels[j] : label;
        Field field = shape.label;
        bool colonMissing = false;
        ScanStatus status = in.ScanInteger(labelAt);
        if (status == ScanStatus::mismatch && shape.unstarted) {
            problems.Add({.line = in.line(), .reason = *shape.unstarted, .subject = shape.record, .index = k + 1,
                          .numbers = {k, declared}});
            return false;
        }
        if (status == ScanStatus::ok && shape.colon && !in.Match(':')) {
            status = ScanStatus::mismatch;
            colonMissing = true;
        }
        if (status == ScanStatus::ok) {
            int scanned = 0;
            status = in.ScanCells(record, shape.width, scanned);
            for (int c = 0; c < scanned; ++c)
                if (record[c].IsInfinite())
                    problems.Add({.line = in.line(), .reason = Reason::fieldBeyondRange, .subject = shape.record, .index = k + 1, .field = shape.fields[c]});
            if (status != ScanStatus::ok) field = shape.fields[scanned];
        }
        if (status == ScanStatus::end) {
            problems.Add({.line = in.line(), .reason = shape.end, .numbers = {k, declared}});
            return false;
        }
        if (status != ScanStatus::ok) {
            problems.Add({.line = in.line(),
                          .reason = colonMissing ? Reason::colonMissing : FieldReason(status),
                          .subject = shape.record,
                          .index = k + 1,
                          .field = field,
                          .text = colonMissing ? std::string() : in.QuoteAhead()});
            in.SkipLine();
            continue;
        }
        in.SkipSpace();
    }
    return true;
}

}  // namespace cor2tavik
