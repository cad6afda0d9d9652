// Reads the result files: one displacement vector per node, one stress or
// strain tensor per element, matched to the model by position.
#pragma once

#include <cstdint>
#include <optional>

#include "ConversionModel.h"
#include "ProblemList.h"
#include "TextReader.h"

namespace cor2tavik {

// Fills model.displacement, one record per node of the model. A count line
// that cannot be used leaves the block out (a problem says why); records are
// read up to the model's node count, missing ones stay zero.
std::optional<Failure> ReadDisplacement(TextReader& in, std::uint64_t fileSize, ConversionModel& model,
                                        ProblemList& problems);

// The same for stress or strain, one record per element.
std::optional<Failure> ReadElementResult(TextReader& in, std::uint64_t fileSize, ResultKind kind,
                                         ConversionModel& model, ProblemList& problems);

// Either of the above with the model's count given: `expected` records (its
// nodes or elements) go into `table`.
std::optional<Failure> ReadResult(TextReader& in, std::uint64_t fileSize, ResultKind kind, std::int32_t expected,
                                  ResultTable& table, ProblemList& problems);

}  // namespace cor2tavik
