#include "Records.h"

#include <cmath>
#include <string>

namespace cor2tavik {

bool ReadRecords(TextReader& in, const RecordShape& shape, std::int64_t first, std::int32_t count,
                 std::int32_t declared, std::int32_t* labels, double* values, ProblemList& problems) {
    for (std::int32_t j = 0; j < count; ++j) {
        const std::int64_t k = first + j;
        double* record = values + std::size_t(j) * shape.width;
        std::int32_t label = 0;
        const char* field = shape.label;
        bool colonMissing = false;
        ScanStatus status = in.ScanInteger(labels != nullptr ? labels[j] : label);
        if (status == ScanStatus::ok && shape.colon && !in.Match(':')) {
            status = ScanStatus::mismatch;
            colonMissing = true;
        }
        auto subject = [&] {
            std::string name = shape.record;
            return name.append(" ").append(Str(k + 1));
        };
        for (int c = 0; c < shape.width && status == ScanStatus::ok; ++c) {
            field = shape.names[c];
            status = in.ScanCell(record[c]);
            if (status == ScanStatus::ok && std::isinf(record[c]))
                problems.Add(problems.Make(in.line(), Reason::fieldBeyondRange, subject(), 0, 0, field));
        }
        if (status == ScanStatus::end) {
            problems.Add(problems.Make(in.line(), shape.end, {}, k, declared));
            return false;
        }
        if (status != ScanStatus::ok) {
            problems.Add(problems.Make(in.line(), colonMissing ? Reason::colonMissing : FieldReason(status),
                                       subject(), 0, 0, field));
            in.SkipLine();
            continue;
        }
        in.SkipSpace();
    }
    return true;
}

}  // namespace cor2tavik
