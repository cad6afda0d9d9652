// Public interface of the conversion core: a model file's path in, a neutral
// file out, and a report of what happened on the way.
#pragma once

#include <array>
#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cor2tavik {

// The longest path, and the longest file name composed from it, that a job
// accepts: 511 bytes and a NUL fit the fixed buffers of the programs that
// hand these paths on.
inline constexpr std::size_t kMaxPathLength = 511;

// The characters that separate a path's parts ("/" on POSIX, "\/" on
// Windows). The first is the one put between a directory and a name.
extern const std::string_view kPathSeparators;

// A path's parts on either side of its last separator: the directory keeps
// that separator ("" when there is none), the name is what follows it.
std::string_view DirectoryPart(std::string_view path, std::string_view separators = kPathSeparators);
std::string_view NamePart(std::string_view path, std::string_view separators = kPathSeparators);

struct ModelPath {
    std::string stem;       // the path without its last extension
    std::string directory;  // up to and including the last separator, or "."
    std::string model;      // the model file read: stem + ".dat3", or the path
                            // itself when its extension is .dat3 in any case
};

// Splits a model file's path into the output stem, the result directory and
// the model file's name.
// The rule works on bytes: the scan for the extension's dot does not stop at
// a separator, and the directory keeps its trailing separator, so that a
// path names the same files whichever program is given it.
ModelPath SplitModelPath(std::string_view path, std::string_view separators = kPathSeparators);

// Why a job wrote nothing, or what was wrong with an input that did not
// stop it. What a message quotes besides is noted per reason; the texts are
// in Messages.cpp, one entry per reason.
enum class Reason {
    // The job's files; systemError says why.
    pathTooLong,     // numbers[0] the given path's length as the limit counts it
    nameTooLong,     // a file name composed from it is; numbers[0] likewise
    cannotOpen,
    cannotOpenModel,  // the model, whose name the rule composed from a path that differs from it
    cannotCreate,
    cannotWrite,
    readError,
    outOfMemory,     // numbers[0] of `subject` (nodes, elements, resultRecords)
    memoryExhausted, // memory ran out anywhere else; file is the one being read
    blockCannotOpen, // a result file that exists but cannot be opened

    // The model's count lines; subject is the line.
    endsBeforeNodeCount,
    endsBeforeElementCount,
    countLineShort,
    countMissing,
    countTooWide,
    countNegative,        // numbers[0] the count
    countBeyondFile,      // numbers[0] the count, numbers[1] the file's size

    // A result file's record count line.
    endsBeforeRecordCount,
    recordCountNoEquals,
    recordCountMissing,
    recordCountTooWide,
    recordCountNegative,     // numbers[0] the count
    recordCountBeyondFile,   // numbers[0] the count, numbers[1] the file's size
    recordCountFewer,        // numbers[0] in the file, numbers[1] in the model, subject nodes or elements
    recordCountMore,         // likewise

    // Records: numbers[0] read of numbers[1].
    nodeRecordsEnd,
    nodeRecordsStop,  // no node number where record numbers[0] + 1 begins
    elementLinesEnd,
    resultRecordsEnd,

    // A field of a record: subject and index name the record, field the
    // field; text quotes the field's text for fieldNotANumber and fieldTooWide.
    fieldNotANumber,
    fieldTooWide,
    fieldMissing,
    fieldBeyondRange,
    colonMissing,

    // An element line; subject is element, index its number.
    elementNodesShort,      // numbers[0] read of numbers[1]
    nodeCountUnsupported,   // numbers[0] the node count
    typeCodeDisagrees,      // numbers[0] the type code, numbers[1] the node count

    count  // not a reason: how many there are
};

// What a problem is about, where its message names something.
enum class Subject : unsigned char {
    none,
    nodeCountLine,
    elementCountLine,
    nodeRecord,    // index: its position, from 1
    elementLine,   // likewise
    resultRecord,  // likewise
    element,       // index: the element's number
    nodes,         // a quantity: numbers say how many
    elements,
    resultRecords,
    count
};

// The field of a record a problem is about.
enum class Field : unsigned char {
    none,
    nodeNumber,
    coordinateX, coordinateY, coordinateZ,  // of a node
    componentX, componentY, componentZ,     // of a displacement
    component1, component2, component3, component4, component5, component6,  // of a tensor
    elementNumber,
    typeCode,
    nodeCount,
    label,
    count
};

// Made by name: Problem{.line = 3, .reason = Reason::countMissing, ...}.
struct Problem {
    long line = 0;  // 1-based; 0 when no line applies
    Reason reason = Reason::cannotOpen;
    int systemError = 0;  // an errno value, where the system gave one
    Subject subject = Subject::none;
    long long index = 0;
    Field field = Field::none;
    std::array<long long, 2> numbers{};
    std::string file{};
    std::string text{};  // the input where a field did not scan, up to 20 bytes, printable ASCII
};

struct ConversionReport {
    // Input problems in the order they were found. Only the first
    // kMaxKeptProblems are kept; problemCount counts them all.
    static constexpr std::size_t kMaxKeptProblems = 1000;
    std::vector<Problem> problems;
    std::size_t problemCount = 0;

    std::optional<Problem> failure;  // set when no neutral file was written; problems are then empty
    std::string outputPath;          // the neutral file's name, once composed

    bool written() const { return !failure.has_value(); }
    bool clean() const { return written() && problemCount == 0; }
};

// Wall-clock time taken by each step of a job, in seconds. The blocks are
// written as their files are read.
struct PhaseTimes {
    double model = 0;    // from the start until the model file is read
    double results = 0;  // reading the result files
    double commit = 0;   // the rest of the writing, and putting the file in place
};

struct ConversionOptions {
    // The time stamped on the version line; the local wall clock when empty.
    std::optional<std::tm> timestamp;
    // Filled with the phase times when not null.
    PhaseTimes* phaseTimes = nullptr;
    // Threads in all, the caller's included. 0: as many as help, which is 2
    // when the process may use a second core and 1 otherwise. 1: all work on
    // the caller's thread. 2 or more: the blocks are formatted and written by
    // a second thread while the caller reads, and (but on Windows) a third
    // reads each file's next chunk while the caller scans the last. Threads
    // are started as asked even on a single core.
    unsigned threads = 0;
    // Called with the fraction of the input files' bytes read so far, on the
    // caller's thread, at most ten times a second; last with 1 when the
    // whole input was read. A fraction never goes down.
    std::function<void(double)> progress;
};

// Runs one conversion job: reads stem + ".dat3" and the result files in
// `directory`, and writes stem + ".std". report.failure says why nothing was
// written; otherwise input problems may still be listed. An existing neutral
// file is only ever replaced by a complete new one.
ConversionReport RunConversion(std::string_view stem, std::string_view directory,
                               const ConversionOptions& options = {});

// Makes Ctrl+C, SIGTERM and SIGHUP (Windows: Ctrl+C, Ctrl+Break, a closed
// console window) end the process as they would anyway, but without leaving
// a job's temporary file behind, and never while a job is putting its output
// in place: that finishes first. For console programs; call once at start.
void EndCleanlyOnInterrupt();

// SplitModelPath and RunConversion in one call: what both programs do with
// the path the user gives. The model read is split.model.
ConversionReport ConvertModelFile(std::string_view path, const ConversionOptions& options = {});

// The report of a job that ran out of memory while reading `file`: what a
// job gives then, and what a program reports for anything that still
// escapes it.
ConversionReport MemoryExhausted(std::string_view file);

}  // namespace cor2tavik
