// The result files beside the model, each read into its block once the
// model's blocks are out: Displacement.dat, Stress.dat, Strain.dat.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "ConversionModel.h"
#include "Progress.h"
#include "RecordBatch.h"
#include "cor2tavik/Conversion.h"

namespace cor2tavik {

class ResultFiles {
public:
    // The files in `directory`.
    explicit ResultFiles(std::string_view directory);

    const std::array<std::string, 3>& paths() const { return paths_; }

    // The bytes the files hold now, for the job's progress.
    std::uint64_t Size() const;

    // Reads file i (0 to 2, in order) into its block when it exists; a
    // missing file is left out. Problems go to `report`; a file that cannot
    // be read to its end fails the job. `readAhead` as for TextReader.
    std::optional<Problem> Read(int i, const ConversionModel& model, RowSink& sink, Progress& progress,
                                ConversionReport& report, bool readAhead) const;

private:
    std::array<std::string, 3> paths_;  // as opened
    std::array<std::string, 3> names_;  // as messages show them
};

}  // namespace cor2tavik
