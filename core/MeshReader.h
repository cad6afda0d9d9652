// Reads the analysis-model file: its nodes and elements, as the node and
// element blocks.
#pragma once

#include <cstdint>
#include <optional>

#include "ConversionModel.h"
#include "ProblemList.h"
#include "RecordBatch.h"
#include "TextReader.h"

namespace cor2tavik {

// Puts the node block and then the element block to `sink`, keeping the
// node numbers and the element heads in `model`. A count that cannot be
// read, or that the file (of `fileSize` bytes) could not hold, refuses the
// file: the returned problem says where, and what was put is to be dropped.
// Anything else wrong is added to `problems` and reading goes on.
std::optional<Problem> ReadMesh(TextReader& in, std::uint64_t fileSize, ConversionModel& model,
                                ProblemList& problems, RowSink& sink);

}  // namespace cor2tavik
