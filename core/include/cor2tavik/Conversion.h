// Public interface of the conversion core: a model file's path in, a neutral
// file out, and a report of what happened on the way.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cor2tavik {

// The longest path, and the longest file name composed from it, that a job
// accepts (the buffers of the original tool held 511 bytes and a NUL).
inline constexpr std::size_t kMaxPathLength = 511;

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

struct ModelPath {
    std::string stem;       // the path without its last extension
    std::string directory;  // up to and including the last separator, or "."
};

// Splits a model file's path into the output stem and the result directory.
// The rule works on bytes and keeps its historical quirks: the scan for the
// extension's dot does not stop at a separator, and the directory keeps its
// trailing separator.
ModelPath SplitModelPath(std::string_view path, char separator = kPathSeparator);

// Something wrong with an input file that did not stop the conversion.
struct Problem {
    std::string file;
    long line = 0;  // 1-based; 0 when no line applies
    std::string message;
};

// Why a job wrote nothing.
struct Failure {
    std::string file;
    long line = 0;
    std::string message;
};

struct ConversionReport {
    // Input problems in the order they were found. Only the first
    // kMaxKeptProblems are kept; problemCount counts them all.
    static constexpr std::size_t kMaxKeptProblems = 1000;
    std::vector<Problem> problems;
    std::size_t problemCount = 0;

    std::optional<Failure> failure;  // set when no neutral file was written; problems are then empty
    std::string outputPath;          // the neutral file's name, once composed

    bool written() const { return !failure.has_value(); }
    bool clean() const { return written() && problemCount == 0; }
};

// Wall-clock time taken by each phase of a job, in seconds. The result
// files are read while the model is read and written, so the phases may
// overlap and add up to more than the job's time.
struct PhaseTimes {
    double modelRead = 0;   // from the start until the model's tables are complete
    double resultRead = 0;  // reading the result files
    double write = 0;       // from the end of the model read until the file is in place
};

struct ConversionOptions {
    // The time stamped on the version line; the local wall clock when empty.
    std::optional<std::tm> timestamp;
    // Filled with the phase times when not null.
    PhaseTimes* phaseTimes = nullptr;
};

// Runs one conversion job: reads stem + ".dat3" and the result files in
// `directory`, and writes stem + ".std". Returns 0 when the neutral file was
// written (input problems may still be listed in the report), -1 when nothing
// was written; report.failure then says why. An existing neutral file is only
// ever replaced by a complete new one.
int RunConversion(std::string_view stem, std::string_view directory, ConversionReport& report,
                  const ConversionOptions& options = {});

// SplitModelPath and RunConversion in one call, refusing paths longer than
// kMaxPathLength: what both programs do with the path the user gives.
int ConvertModelFile(std::string_view path, ConversionReport& report,
                     const ConversionOptions& options = {});

}  // namespace cor2tavik
