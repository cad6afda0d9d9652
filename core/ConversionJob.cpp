// One conversion job, step by step: check the names, open the model and the
// output, then read the model and the result files while their blocks are
// written, and commit.
//
// Every way out of a job is a report. A step that fails returns its
// Problem; running out of memory anywhere (BlockWriter.h: only ever on
// this thread) unwinds to Run, which reports it against the file being
// read. Unwinding closes the output, which removes its temporary file.
#include <chrono>
#include <new>
#include <utility>

#include "BlockWriter.h"
#include "ConversionModel.h"
#include "MeshReader.h"
#include "OutputFile.h"
#include "Parallel.h"
#include "Progress.h"
#include "ProblemList.h"
#include "ResultFiles.h"
#include "X87Precision.h"
#include "cor2tavik/Conversion.h"

namespace cor2tavik {

namespace {

class Stopwatch {
public:
    double Lap() {
        auto now = std::chrono::steady_clock::now();
        double seconds = std::chrono::duration<double>(now - last_).count();
        last_ = now;
        return seconds;
    }

private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

class Job {
public:
    Job(std::string_view stem, std::string_view directory, std::string model, const ConversionOptions& options)
        : options_(options),
          workers_(WantWorkers(options.threads)),
          readAhead_(WantReadAhead(options.threads)),
          modelPath_(std::move(model)),
          outputPath_(std::string(stem) + ".std"),
          results_(directory) {}

    ConversionReport Run(std::optional<std::string_view> givenPath) {
        try {
            return Steps(givenPath);
        } catch (const std::bad_alloc&) {
            return Fail(std::move(*MemoryExhausted(*reading_).failure));
        }
    }

private:
    ConversionReport Steps(std::optional<std::string_view> givenPath) {
        const FullPrecision precision;
        report_.outputPath = outputPath_;
        if (auto failure = CheckLengths(givenPath)) return Fail(std::move(*failure));
        if (auto failure = OpenModel(givenPath)) return Fail(std::move(*failure));
        if (auto failure = OpenOutput()) return Fail(std::move(*failure));
        Progress progress(options_.progress, (modelSize_ == UINT64_MAX ? 0 : modelSize_) + results_.Size());
        BlockWriter writer(output_, model_, workers_, &progress);
        writer.Header(Now());
        if (auto failure = ReadModel(writer, progress)) return Fail(std::move(*failure));
        for (int i = 0; i < 3; ++i) {
            reading_ = &results_.paths()[i];
            if (auto failure = results_.Read(i, model_, writer, progress, report_, readAhead_)) return Fail(std::move(*failure));
        }
        times_.results = stopwatch_.Lap();
        writer.Finish();
        // Before the commit: once the file is in place, nothing may fail.
        progress.Done();
        if (auto failure = Commit()) return Fail(std::move(*failure));
        return std::move(report_);
    }

    // A job that writes nothing reports only why: the input problems found on
    // the way would otherwise be printed before the one line that matters.
    ConversionReport Fail(Problem failure) {
        report_.problems.clear();
        report_.problemCount = 0;
        report_.failure = std::move(failure);
        return std::move(report_);
    }

    // The one place the length limit is checked: the path the user gave,
    // then every name composed from it.
    std::optional<Problem> CheckLengths(std::optional<std::string_view> givenPath) const {
        if (givenPath && platform::PathLength(*givenPath) > kMaxPathLength)
            return Problem{.reason = Reason::pathTooLong,
                           .numbers = {static_cast<long long>(platform::PathLength(*givenPath))},
                           .file = std::string(*givenPath)};
        for (const std::string* path : {&outputPath_, &modelPath_, &results_.paths()[0], &results_.paths()[1],
                                        &results_.paths()[2]}) {
            const std::size_t length = platform::PathLength(*path);
            if (length > kMaxPathLength)
                return Problem{.reason = Reason::nameTooLong, .numbers = {static_cast<long long>(length)}, .file = *path};
        }
        return std::nullopt;
    }

    // The model is opened before the output, so a mistyped path costs nothing.
    // A model the user did not name as such is said to come from the rule.
    std::optional<Problem> OpenModel(std::optional<std::string_view> givenPath) {
        int fd = -1;
        if (int error = platform::OpenForReading(modelPath_, fd, modelSize_))
            return Problem{.reason = givenPath && *givenPath != modelPath_ ? Reason::cannotOpenModel : Reason::cannotOpen,
                           .systemError = error,
                           .file = modelPath_};
        modelFile_ = FileDescriptor(fd);
        return std::nullopt;
    }

    std::optional<Problem> OpenOutput() {
        if (int error = output_.Open(outputPath_))
            return Problem{.reason = Reason::cannotCreate, .systemError = error, .file = outputPath_};
        return std::nullopt;
    }

    std::optional<Problem> ReadModel(BlockWriter& writer, Progress& progress) {
        ProblemList problems(modelPath_);
        TextReader reader(std::move(modelFile_), TextReader::kDefaultChunkSize, readAhead_);
        progress.Reading(&reader, modelSize_ == UINT64_MAX ? 0 : modelSize_);
        auto failure = ReadMesh(reader, modelSize_, model_, problems, writer);
        progress.Reading(nullptr, 0);
        if (failure) return failure;
        if (reader.error() != 0)
            return Problem{.reason = Reason::readError, .systemError = reader.error(), .file = modelPath_};
        problems.MoveInto(report_);
        times_.model = stopwatch_.Lap();
        return std::nullopt;
    }

    std::tm Now() const { return options_.timestamp ? *options_.timestamp : platform::LocalTime(std::time(nullptr)); }

    std::optional<Problem> Commit() {
        if (int error = output_.Commit())
            return Problem{.reason = Reason::cannotWrite, .systemError = error, .file = outputPath_};
        times_.commit = stopwatch_.Lap();
        if (options_.phaseTimes != nullptr) *options_.phaseTimes = times_;
        return std::nullopt;
    }

    const ConversionOptions& options_;
    const bool workers_;
    const bool readAhead_;
    const std::string modelPath_;
    const std::string outputPath_;
    const ResultFiles results_;
    const std::string* reading_ = &modelPath_;  // the file a failure to allocate is reported against
    Stopwatch stopwatch_;
    PhaseTimes times_;
    ConversionReport report_;

    FileDescriptor modelFile_;
    std::uint64_t modelSize_ = 0;  // bounds the model's counts
    ConversionModel model_;
    OutputFile output_;
};

}  // namespace

// A job that cannot even be set up for memory is reported against the model.
ConversionReport RunConversion(std::string_view stem, std::string_view directory, const ConversionOptions& options) {
    try {
        return Job(stem, directory, std::string(stem) + ".dat3", options).Run(std::nullopt);
    } catch (const std::bad_alloc&) {
        return MemoryExhausted(std::string(stem) + ".dat3");
    }
}

ConversionReport ConvertModelFile(std::string_view path, const ConversionOptions& options) {
    try {
        ModelPath split = SplitModelPath(path);
        return Job(split.stem, split.directory, std::move(split.model), options).Run(path);
    } catch (const std::bad_alloc&) {
        return MemoryExhausted(path);
    }
}

ConversionReport MemoryExhausted(std::string_view file) {
    ConversionReport report;
    report.failure = Problem{.reason = Reason::memoryExhausted, .file = std::string(file)};
    return report;
}

}  // namespace cor2tavik
