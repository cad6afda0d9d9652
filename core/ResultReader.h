// Reads a result file: one displacement vector per node, or one stress or
// strain tensor per element, matched to the model by position.
#pragma once

#include <cstdint>

#include "ProblemList.h"
#include "RecordBatch.h"
#include "TextReader.h"

namespace cor2tavik {

// Puts `block` (displacement, stress or strain) to `sink` with one row per
// node or element of the model (`expected` of them). A count line that
// cannot be used leaves the block out, and a problem says why; records are
// read up to the model's count, and missing ones are rows of zeros.
void ReadResult(TextReader& in, std::uint64_t fileSize, Block block, std::int32_t expected, ProblemList& problems,
                RowSink& sink);

}  // namespace cor2tavik
