// Reads the analysis-model file: node coordinates and element connectivity.
#pragma once

#include <cstdint>
#include <optional>

#include "ConversionModel.h"
#include "Parallel.h"
#include "ProblemList.h"
#include "TextReader.h"

namespace cor2tavik {

// Fills the node and element tables. A count that cannot be read, or that
// the file (of `fileSize` bytes) could not hold, refuses the file: the
// returned problem says where. Anything else wrong is added to `problems`
// and reading goes on. The node count and then the element count are sent
// to `counts`, when given, once each table is allocated.
std::optional<Problem> ReadMesh(TextReader& in, std::uint64_t fileSize, ConversionModel& model,
                                ProblemList& problems, Channel<std::int32_t>* counts = nullptr);

}  // namespace cor2tavik
