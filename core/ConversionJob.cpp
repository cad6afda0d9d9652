#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "ConversionModel.h"
#include "Cores.h"
#include "MeshReader.h"
#include "NeutralWriter.h"
#include "OutputFile.h"
#include "ResultReader.h"
#include "cor2tavik/Conversion.h"

namespace cor2tavik {

namespace {

struct InputFile {
    FileDescriptor file;
    std::uint64_t size = 0;  // an upper bound on its record count
};

// Opens an input file. A directory is refused here, not at its first read.
int OpenInput(const std::string& path, InputFile& input) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    input.file = FileDescriptor(fd);
    struct stat status;
    if (::fstat(fd, &status) != 0) return errno;
    if (S_ISDIR(status.st_mode)) return EISDIR;
    // Only a regular file's size bounds its counts.
    input.size = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : UINT64_MAX;
    return 0;
}

std::string Reason(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

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

// A job that writes nothing reports only why: the input problems found on
// the way would otherwise be printed before the one line that matters.
int Fail(ConversionReport& report, Failure failure) {
    report.problems.clear();
    report.problemCount = 0;
    report.failure = std::move(failure);
    return -1;
}

// The result files, read in their own thread while the model is read and
// written: what each gave, and how far the reading got. A file's table may
// be written once the file is settled; its problems are reported in file
// order at the end.
class ResultReading {
public:
    explicit ResultReading(const std::string (&paths)[3])
        : problems{ProblemList(paths[0]), ProblemList(paths[1]), ProblemList(paths[2])} {}

    // File `i` is read, left out or failed; with `last`, no more will be.
    void Settle(int i, bool last) {
        std::lock_guard lock(mutex_);
        settled_ = i + 1;
        stopped_ = last;
        changed_.notify_all();
    }
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    // Waits until file `i` is settled; false when it failed or was never read.
    bool WaitFor(int i) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return settled_ > i || stopped_; });
        return settled_ > i && failedFile != i;
    }

    ProblemList problems[3];
    std::optional<Failure> failure;
    int failedFile = -1;  // the file that gave `failure`; the later ones were not read
    double seconds = 0;   // spent reading, not waiting for the model's counts
    std::exception_ptr exception;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int settled_ = 0;
    bool stopped_ = false;
};

// Reads each result file that exists into its table, once the model's count
// for it is known. Stops at the first failure, or when the model is refused.
void ReadResultFiles(const std::string (&paths)[3], ModelCounts& counts, ConversionModel& tables,
                     ResultReading& reading) {
    for (int i = 0; i < 3; ++i) {
        const ResultKind kind = kResultFiles[i].kind;
        std::int32_t expected = 0;
        if (!(kind == ResultKind::displacement ? counts.WaitNodes(expected) : counts.WaitElements(expected))) {
            reading.Stop();
            return;
        }
        // Opening a pipe may wait for a writer: that waits, as it always
        // did, until the model is read (and never comes if it is refused).
        struct stat status;
        if (::stat(paths[i].c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode) &&
            !counts.WaitModelRead()) {
            reading.Stop();
            return;
        }
        Stopwatch stopwatch;  // the time spent reading, not waiting
        ProblemList& problems = reading.problems[i];
        InputFile input;
        if (int error = OpenInput(paths[i], input)) {
            // A missing result file is normal: its block is simply left out.
            if (error != ENOENT) problems.Add(0, Reason("cannot open", error) + "; the block is left out");
            reading.seconds += stopwatch.Lap();
            reading.Settle(i, false);
            continue;
        }
        TextReader reader(std::move(input.file));
        std::optional<Failure> failure = ReadResult(reader, input.size, kind, expected, tables.result(kind), problems);
        if (!failure && reader.error() != 0) failure = Failure{paths[i], 0, Reason("read error", reader.error())};
        if (failure) {
            reading.failure = std::move(failure);
            reading.failedFile = i;
            reading.Settle(i, true);
            return;
        }
        reading.seconds += stopwatch.Lap();
        reading.Settle(i, false);
    }
}

// A thread that is joined when it goes, on every way out of the job.
class JoiningThread {
public:
    template <typename F>
    explicit JoiningThread(F&& f) : thread_(std::forward<F>(f)) {}
    ~JoiningThread() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

}  // namespace

int RunConversion(std::string_view stem, std::string_view directory, ConversionReport& report,
                  const ConversionOptions& options) {
    report = ConversionReport{};
    Stopwatch stopwatch;
    const std::string modelPath = std::string(stem) + ".dat3";
    const std::string outputPath = std::string(stem) + ".std";
    report.outputPath = outputPath;

    // One separator always goes between the directory and the name, so a
    // directory that ends in one gives a doubled separator, which is harmless.
    std::string resultPaths[3];
    for (int i = 0; i < 3; ++i) resultPaths[i] = std::string(directory) + kPathSeparator + kResultFiles[i].name;

    for (const std::string* path : std::initializer_list<const std::string*>{&outputPath, &modelPath, &resultPaths[0], &resultPaths[1], &resultPaths[2]}) {
        if (path->size() > kMaxPathLength)
            return Fail(report, {*path, 0, "file name is longer than " + Str(kMaxPathLength) + " bytes"});
    }

    // The model is opened before the output, so a mistyped path costs nothing.
    InputFile model;
    if (int error = OpenInput(modelPath, model)) return Fail(report, {modelPath, 0, Reason("cannot open", error)});

    OutputFile output;
    if (!output.Open(outputPath)) return Fail(report, {outputPath, 0, Reason("cannot create", output.error())});

    // The result files are read in a second thread while the model is read
    // here; the model's counts pass between them as they turn up. On one
    // core, or without a second thread, they are read after the model.
    ConversionModel tables;
    ModelCounts counts;
    ResultReading results(resultPaths);
    auto readResults = [&] {
        // An exception (out of memory) is kept for this thread to rethrow
        // after the join, as if there were only the one thread.
        try {
            ReadResultFiles(resultPaths, counts, tables, results);
        } catch (...) {
            results.exception = std::current_exception();
            results.Stop();
        }
    };
    std::optional<JoiningThread> resultThread;
    if (HasSecondCore()) {
        try {
            resultThread.emplace(readResults);
        } catch (const std::system_error&) {
        }
    }
    // However the job ends, the result reader must not wait for a count
    // that will never come.
    struct AbandonOnExit {
        ModelCounts& counts;
        ~AbandonOnExit() { counts.Abandon(); }
    } abandonOnExit{counts};

    ProblemList modelProblems(modelPath);
    TextReader modelReader(std::move(model.file));
    std::optional<Failure> modelFailure = ReadMesh(modelReader, model.size, tables, modelProblems, &counts);
    if (modelFailure) {
        modelProblems.MoveInto(report);
        return Fail(report, std::move(*modelFailure));
    }
    if (modelReader.error() != 0) return Fail(report, {modelPath, 0, Reason("read error", modelReader.error())});
    counts.SetModelRead();
    modelProblems.MoveInto(report);
    const double modelSeconds = stopwatch.Lap();

    std::tm now;
    if (options.timestamp) {
        now = *options.timestamp;
    } else {
        std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
    }
    // The model blocks need only the model; each result block waits for its
    // file, the next one being read meanwhile.
    WriteModelBlocks(output, tables, now);
    if (!resultThread) readResults();
    for (int i = 0; i < 3; ++i) {
        if (!results.WaitFor(i)) break;
        WriteResultBlock(output, tables, kResultFiles[i].kind);
    }
    if (resultThread) resultThread->Join();
    if (results.exception) std::rethrow_exception(results.exception);
    for (int i = 0; i < 3; ++i) {
        results.problems[i].MoveInto(report);
        if (results.failedFile == i) return Fail(report, std::move(*results.failure));
    }
    WriteEndCode(output);
    if (!output.Commit()) return Fail(report, {outputPath, 0, Reason("cannot write", output.error())});

    if (options.phaseTimes != nullptr) {
        options.phaseTimes->modelRead = modelSeconds;
        options.phaseTimes->resultRead = results.seconds;
        options.phaseTimes->write = stopwatch.Lap();
    }
    return 0;
}

int ConvertModelFile(std::string_view path, ConversionReport& report, const ConversionOptions& options) {
    if (path.size() > kMaxPathLength) {
        report = ConversionReport{};
        report.failure = Failure{std::string(path), 0, "path is longer than " + Str(kMaxPathLength) + " bytes"};
        return -1;
    }
    ModelPath split = SplitModelPath(path);
    return RunConversion(split.stem, split.directory, report, options);
}

}  // namespace cor2tavik
