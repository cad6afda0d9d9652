// The loop both readers run over numbered records: a label, then values.
#pragma once

#include <cstdint>
#include <optional>

#include "ProblemList.h"
#include "TextReader.h"

namespace cor2tavik {

struct RecordShape {
    Subject record;        // what a problem with one is about
    Field label;
    bool colon;            // a ':' follows the label
    int width;             // values per record
    const Field* fields;   // the values' fields
    Reason end;                // why a file that ends early is reported
    // When set, a record where no label begins ends the records, reported
    // so; the next read starts at that byte. Otherwise it is a bad record.
    std::optional<Reason> unstarted = std::nullopt;
};

// Scans records [first, first + count) into `values`, as cells (see
// ValueFormat.h), and their labels into `labels`, when given, both indexed
// from `first`. A record that does not
// scan is reported and skipped to its line's end. Returns false at the
// input's end, or where the records end (see `unstarted`), reported against
// `declared`.
bool ReadRecords(TextReader& in, const RecordShape& shape, std::int64_t first, std::int32_t count,
                 std::int32_t declared, std::int32_t* labels, Cell* values, ProblemList& problems);

// The reason for each CountCheck but ok, for one kind of count line.
struct CountReasons {
    Reason missing, tooWide, negative, beyondFile;
    Reason Of(CountCheck check) const {
        return check == CountCheck::missing   ? missing
               : check == CountCheck::tooWide ? tooWide
               : check == CountCheck::negative ? negative
                                               : beyondFile;
    }
};

}  // namespace cor2tavik
