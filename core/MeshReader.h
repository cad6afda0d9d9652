// Reads the analysis-model file: node coordinates and element connectivity.
#pragma once

#include <cstdint>
#include <optional>

#include "ConversionModel.h"
#include "ModelCounts.h"
#include "ProblemList.h"
#include "TextReader.h"

namespace cor2tavik {

// Fills the node and element tables. A count that cannot be read, or that
// the file (of `fileSize` bytes) could not hold, refuses the file: the
// returned failure says where. Anything else wrong is added to `problems`
// and reading goes on. Each count goes to `counts`, when given, once its
// table is allocated.
std::optional<Failure> ReadMesh(TextReader& in, std::uint64_t fileSize, ConversionModel& model,
                                ProblemList& problems, ModelCounts* counts = nullptr);

}  // namespace cor2tavik
