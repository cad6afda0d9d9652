// Pieces the fuzz targets share: inputs as in-memory files, a check that
// aborts (so libFuzzer keeps the input), and reports compared field by field.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FileDescriptor.h"
#include "cor2tavik/Conversion.h"
#include "cor2tavik/Messages.h"

namespace cor2tavik::fuzz {

[[noreturn]] inline void Broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition) \
    ((condition) ? void() : ::cor2tavik::fuzz::Broken(#condition, __FILE__, __LINE__))

// A memfd holding `bytes`, positioned at its start: the readers see a regular
// file of that size.
inline FileDescriptor MemoryFile(std::string_view bytes) {
    FileDescriptor fd(::memfd_create("cor2tavik-fuzz", MFD_CLOEXEC));
    FUZZ_CHECK(fd.valid() && ::write(fd.get(), bytes.data(), bytes.size()) == ssize_t(bytes.size()));
    FUZZ_CHECK(::lseek(fd.get(), 0, SEEK_SET) == 0);
    return fd;
}

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A chunk small enough that tokens, CR LF pairs and lines straddle chunk
// boundaries, chosen by one input byte. 4 is the smallest chunk the tests use.
inline std::size_t SmallChunk(std::uint8_t selector) { return 4 + selector % 29; }

// Whatever the chunk size, a reader must find the same problems.
inline void CheckSameProblems(const ConversionReport& a, const ConversionReport& b) {
    FUZZ_CHECK(a.problemCount == b.problemCount && a.problems.size() == b.problems.size());
    for (std::size_t i = 0; i < a.problems.size(); ++i) {
        FUZZ_CHECK(a.problems[i].line == b.problems[i].line && Message(a.problems[i]) == Message(b.problems[i]));
    }
}

// Problem bookkeeping: the kept list is the first kMaxKeptProblems, and every
// line number lies inside the file.
inline void CheckProblemList(const ConversionReport& report, long lastLine) {
    const std::size_t kept = report.problemCount < ConversionReport::kMaxKeptProblems
                                 ? report.problemCount
                                 : ConversionReport::kMaxKeptProblems;
    FUZZ_CHECK(report.problems.size() == kept);
    for (const Problem& p : report.problems) {
        FUZZ_CHECK(p.line >= 0 && p.line <= lastLine && !Message(p).empty());
    }
}

}  // namespace cor2tavik::fuzz
