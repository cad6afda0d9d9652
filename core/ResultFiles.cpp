#include "ResultFiles.h"

#include <cerrno>

#include "ResultReader.h"

namespace cor2tavik {

namespace {

struct ResultFile {
    Block block;
    const char* name;
};

constexpr ResultFile kFiles[] = {
    {Block::displacement, "Displacement.dat"},
    {Block::stress, "Stress.dat"},
    {Block::strain, "Strain.dat"},
};

}  // namespace

ResultFiles::ResultFiles(std::string_view directory) {
    // One separator always goes between: a directory that ends in one gives
    // a doubled separator, which is harmless to open. Messages name the file
    // as a user would write it, with one.
    const bool endsInSeparator =
        !directory.empty() && kPathSeparators.find(directory.back()) != std::string_view::npos;
    for (int i = 0; i < 3; ++i) {
        paths_[i] = std::string(directory) + kPathSeparators[0] + kFiles[i].name;
        names_[i] = endsInSeparator ? std::string(directory) + kFiles[i].name : paths_[i];
    }
}

std::uint64_t ResultFiles::Size() const {
    std::uint64_t size = 0;
    for (const std::string& path : paths_) size += platform::RegularFileSize(path);
    return size;
}

std::optional<Problem> ResultFiles::Read(int i, const ConversionModel& model, RowSink& sink, Progress& progress,
                                         ConversionReport& report, bool readAhead) const {
    const std::string& path = paths_[i];
    ProblemList problems(names_[i]);
    int fd = -1;
    std::uint64_t size = 0;
    if (int error = platform::OpenForReading(path, fd, size)) {
        // A missing result file is normal: its block is simply left out.
        if (error != ENOENT) problems.Add({.reason = Reason::blockCannotOpen, .systemError = error});
    } else {
        TextReader reader(FileDescriptor(fd), TextReader::kDefaultChunkSize, readAhead);
        progress.Reading(&reader, size == UINT64_MAX ? 0 : size);
        const Block block = kFiles[i].block;
        ReadResult(reader, size, block, block == Block::displacement ? model.nodeCount : model.elementCount,
                   problems, sink);
        progress.Reading(nullptr, 0);
        if (reader.error() != 0) return problems.In({.reason = Reason::readError, .systemError = reader.error()});
    }
    problems.MoveInto(report);
    return std::nullopt;
}

}  // namespace cor2tavik
