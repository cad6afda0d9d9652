// Reads the result files: one displacement vector per node, one stress or
// strain tensor per element, matched to the model by position.
#pragma once

#include <cstdint>
#include <optional>

#include "ConversionModel.h"
#include "ProblemList.h"
#include "TextReader.h"

namespace cor2tavik {

// Fills `table` with `expected` records of `kind` (the model's nodes or
// elements). A count line that cannot be used leaves the block out (a
// problem says why); records are read up to the model's count, missing ones
// stay zero. Returns a problem only when the table cannot be allocated.
std::optional<Problem> ReadResult(TextReader& in, std::uint64_t fileSize, ResultKind kind, std::int32_t expected,
                                  ResultTable& table, ProblemList& problems);

}  // namespace cor2tavik
