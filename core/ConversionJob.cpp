#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "ConversionModel.h"
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

int Fail(ConversionReport& report, Failure failure) {
    report.failure = std::move(failure);
    return -1;
}

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

    ProblemList modelProblems(modelPath);
    ConversionModel tables;
    TextReader modelReader(std::move(model.file));
    if (auto failure = ReadMesh(modelReader, model.size, tables, modelProblems)) {
        modelProblems.MoveInto(report);
        return Fail(report, std::move(*failure));
    }
    if (modelReader.error() != 0) return Fail(report, {modelPath, 0, Reason("read error", modelReader.error())});
    modelProblems.MoveInto(report);
    double modelSeconds = stopwatch.Lap();

    for (int i = 0; i < 3; ++i) {
        ProblemList problems(resultPaths[i]);
        InputFile input;
        if (int error = OpenInput(resultPaths[i], input)) {
            // A missing result file is normal: its block is simply left out.
            if (error != ENOENT) problems.Add(0, Reason("cannot open", error) + "; the block is left out");
            problems.MoveInto(report);
            continue;
        }
        TextReader reader(std::move(input.file));
        std::optional<Failure> failure =
            kResultFiles[i].kind == ResultKind::displacement
                ? ReadDisplacement(reader, input.size, tables, problems)
                : ReadElementResult(reader, input.size, kResultFiles[i].kind, tables, problems);
        problems.MoveInto(report);
        if (failure) return Fail(report, std::move(*failure));
        if (reader.error() != 0) return Fail(report, {resultPaths[i], 0, Reason("read error", reader.error())});
    }
    double resultSeconds = stopwatch.Lap();

    std::tm now;
    if (options.timestamp) {
        now = *options.timestamp;
    } else {
        std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
    }
    WriteModelBlocks(output, tables, now);
    WriteResultBlocks(output, tables);
    WriteEndCode(output);
    if (!output.Commit()) return Fail(report, {outputPath, 0, Reason("cannot write", output.error())});

    if (options.phaseTimes != nullptr) {
        options.phaseTimes->modelRead = modelSeconds;
        options.phaseTimes->resultRead = resultSeconds;
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
