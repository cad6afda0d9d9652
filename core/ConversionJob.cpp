// One conversion job, step by step: check the names, open the model and the
// output, read the model (the result files meanwhile, on the result reader's
// thread when there is one), write the model blocks, the result blocks as
// each file is settled, and commit.
#include <cerrno>
#include <chrono>
#include <exception>
#include <thread>

#include "ConversionModel.h"
#include "MeshReader.h"
#include "NeutralWriter.h"
#include "OutputFile.h"
#include "Parallel.h"
#include "ResultReader.h"
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

struct ResultFile {
    ResultKind kind;
    const char* name;
};

constexpr ResultFile kResultFiles[] = {
    {ResultKind::displacement, "Displacement.dat"},
    {ResultKind::stress, "Stress.dat"},
    {ResultKind::strain, "Strain.dat"},
};

// What the model reader sends the result reader, in order: the node count,
// the element count, and (any value) that the whole model was read.
enum ModelNews { kNodeCount, kElementCount, kModelRead };

class Job {
public:
    Job(std::string_view stem, std::string_view directory, const ConversionOptions& options)
        : options_(options),
          plan_(PlanThreads(options.threads)),
          modelPath_(std::string(stem) + ".dat3"),
          outputPath_(std::string(stem) + ".std"),
          resultProblems_{ProblemList(ResultPath(directory, 0)), ProblemList(ResultPath(directory, 1)),
                          ProblemList(ResultPath(directory, 2))} {}

    // Every way out stops the result reader's waits and joins it before
    // anything it uses goes.
    ~Job() { StopResultReader(); }

    ConversionReport Run(std::optional<std::string_view> givenPath) {
        const platform::FullPrecision precision;
        report_.outputPath = outputPath_;
        if (auto failure = CheckLengths(givenPath)) return Fail(std::move(*failure));
        if (auto failure = OpenModel()) return Fail(std::move(*failure));
        if (auto failure = OpenOutput()) return Fail(std::move(*failure));
        StartResultReader();
        if (auto failure = ReadModel()) return Fail(std::move(*failure));
        WriteModelBlocks(output_, tables_, Now(), plan_.formatHelper);
        if (auto failure = WriteResultBlocks()) return Fail(std::move(*failure));
        if (auto failure = Commit()) return Fail(std::move(*failure));
        return std::move(report_);
    }

private:
    static std::string ResultPath(std::string_view directory, int i) {
        // One separator always goes between: a directory that ends in one
        // gives a doubled separator, which is harmless.
        return std::string(directory) + kPathSeparators[0] + kResultFiles[i].name;
    }

    // A job that writes nothing reports only why: the input problems found on
    // the way would otherwise be printed before the one line that matters.
    ConversionReport Fail(Problem failure) {
        StopResultReader();
        report_.problems.clear();
        report_.problemCount = 0;
        report_.failure = std::move(failure);
        return std::move(report_);
    }

    // The one place the length limit is checked: the path the user gave,
    // then every name composed from it.
    std::optional<Problem> CheckLengths(std::optional<std::string_view> givenPath) const {
        if (givenPath && platform::PathLength(*givenPath) > kMaxPathLength)
            return MakeProblem(std::string(*givenPath), 0, Reason::pathTooLong);
        for (const std::string* path : {&outputPath_, &modelPath_, &resultProblems_[0].file(),
                                        &resultProblems_[1].file(), &resultProblems_[2].file()}) {
            if (platform::PathLength(*path) > kMaxPathLength) return MakeProblem(*path, 0, Reason::nameTooLong);
        }
        return std::nullopt;
    }

    // The model is opened before the output, so a mistyped path costs nothing.
    std::optional<Problem> OpenModel() {
        int fd = -1;
        if (int error = platform::OpenForReading(modelPath_, fd, modelSize_))
            return MakeProblem(modelPath_, 0, Reason::cannotOpen, error);
        model_ = FileDescriptor(fd);
        return std::nullopt;
    }

    std::optional<Problem> OpenOutput() {
        if (int error = output_.Open(outputPath_, plan_.outputWriter))
            return MakeProblem(outputPath_, 0, Reason::cannotCreate, error);
        return std::nullopt;
    }

    std::optional<Problem> ReadModel() {
        ProblemList problems(modelPath_);
        TextReader reader(std::move(model_));
        if (auto failure = ReadMesh(reader, modelSize_, tables_, problems, &modelNews_)) return failure;
        if (reader.error() != 0) return MakeProblem(modelPath_, 0, Reason::readError, reader.error());
        modelNews_.Push(0);  // kModelRead
        problems.MoveInto(report_);
        modelSeconds_ = stopwatch_.Lap();
        return std::nullopt;
    }

    std::tm Now() const { return options_.timestamp ? *options_.timestamp : platform::LocalTime(std::time(nullptr)); }

    // Each result block waits for its file, the next one being read meanwhile.
    std::optional<Problem> WriteResultBlocks() {
        if (!resultReader_.joinable()) ReadResults({});
        while (std::optional<int> settled = settled_.Pop())
            WriteResultBlock(output_, tables_, kResultFiles[*settled].kind, plan_.formatHelper);
        StopResultReader();
        if (resultException_) std::rethrow_exception(resultException_);
        for (int i = 0; i < 3; ++i) {
            resultProblems_[i].MoveInto(report_);
            if (failedFile_ == i) return std::move(resultFailure_);
        }
        return std::nullopt;
    }

    std::optional<Problem> Commit() {
        WriteEndCode(output_);
        if (int error = output_.Commit()) return MakeProblem(outputPath_, 0, Reason::cannotWrite, error);
        if (options_.phaseTimes != nullptr) {
            options_.phaseTimes->modelRead = modelSeconds_;
            options_.phaseTimes->resultRead = resultSeconds_;
            options_.phaseTimes->write = stopwatch_.Lap();
        }
        return std::nullopt;
    }

    // ---- The result files, read while the model is read and written.

    // Without a thread for it, the files are read after the model blocks.
    void StartResultReader() {
        resultReader_ = StartWorker(plan_.resultReader, [this](std::stop_token stop) { ReadResults(stop); });
    }
    void StopResultReader() {
        if (!resultReader_.joinable()) return;
        resultReader_.request_stop();
        resultReader_.join();
    }

    void ReadResults(std::stop_token stop) {
        // An exception (out of memory) is kept for the job's thread to rethrow
        // after the join, as if there were only the one thread.
        try {
            ReadResultFiles(stop);
        } catch (...) {
            resultException_ = std::current_exception();
        }
        settled_.Close();
    }

    // Reads each result file that exists into its table, once the model's
    // count for it is known, and announces it settled. Stops at the first
    // failure, or when the model is refused.
    void ReadResultFiles(std::stop_token stop) {
        std::int32_t news[3] = {};
        int received = 0;
        auto await = [&](int item) {
            for (; received <= item; ++received) {
                std::optional<std::int32_t> value = modelNews_.Pop(stop);
                if (!value) return false;
                news[received] = *value;
            }
            return true;
        };
        for (int i = 0; i < 3; ++i) {
            const ResultKind kind = kResultFiles[i].kind;
            const std::string& path = resultProblems_[i].file();
            if (!await(kind == ResultKind::displacement ? kNodeCount : kElementCount)) return;
            // Opening a pipe may wait for a writer: not before the model is
            // read, and never when it is refused.
            if (platform::KindOf(path) == platform::FileKind::other && !await(kModelRead)) return;
            Stopwatch stopwatch;  // the time spent reading, not waiting
            int fd = -1;
            std::uint64_t size = 0;
            if (int error = platform::OpenForReading(path, fd, size)) {
                // A missing result file is normal: its block is simply left out.
                if (error != ENOENT) {
                    Problem problem = MakeProblem(path, 0, Reason::blockCannotOpen, error);
                    resultProblems_[i].Add(std::move(problem));
                }
            } else {
                TextReader reader{FileDescriptor(fd)};
                const std::int32_t expected = news[kind == ResultKind::displacement ? kNodeCount : kElementCount];
                auto failure = ReadResult(reader, size, kind, expected, tables_.result(kind), resultProblems_[i]);
                if (!failure && reader.error() != 0) failure = MakeProblem(path, 0, Reason::readError, reader.error());
                if (failure) {
                    // Read by the job only after the join.
                    resultFailure_ = std::move(failure);
                    failedFile_ = i;
                    return;
                }
            }
            resultSeconds_ += stopwatch.Lap();
            settled_.Push(i);
        }
    }

    const ConversionOptions& options_;
    const ThreadPlan plan_;
    const std::string modelPath_;
    const std::string outputPath_;
    Stopwatch stopwatch_;
    ConversionReport report_;

    FileDescriptor model_;
    std::uint64_t modelSize_ = 0;  // bounds the model's counts
    OutputFile output_;
    ConversionModel tables_;
    double modelSeconds_ = 0;

    // Shared with the result reader: each side writes only its own, and
    // reads the other's after a channel handed it over or after the join.
    Channel<std::int32_t> modelNews_;  // ModelNews, in order
    Channel<int> settled_;             // result files read or left out, in order
    ProblemList resultProblems_[3];
    std::optional<Problem> resultFailure_;
    int failedFile_ = -1;  // the file that gave resultFailure_; the later ones were not read
    double resultSeconds_ = 0;
    std::exception_ptr resultException_;
    std::jthread resultReader_;
};

}  // namespace

ConversionReport RunConversion(std::string_view stem, std::string_view directory, const ConversionOptions& options) {
    return Job(stem, directory, options).Run(std::nullopt);
}

ConversionReport ConvertModelFile(std::string_view path, const ConversionOptions& options) {
    const ModelPath split = SplitModelPath(path);
    return Job(split.stem, split.directory, options).Run(path);
}

}  // namespace cor2tavik
