// The model file reader on arbitrary bytes. Input: one byte choosing a small
// chunk size, then the file. The file is read twice, in the default chunk and
// in the small one; both reads must agree in every table entry and problem.
#include <cstring>
#include <optional>

#include "FuzzSupport.h"
#include "MeshReader.h"

namespace cor2tavik::fuzz {
namespace {

struct MeshRead {
    ConversionModel model;
    std::optional<Problem> failure;
    ConversionReport report;
    long lastLine = 0;
};

void Read(std::string_view bytes, std::size_t chunk, MeshRead& out) {
    TextReader in(MemoryFile(bytes), chunk);
    ProblemList problems("model.dat3");
    out.failure = ReadMesh(in, bytes.size(), out.model, problems);
    problems.MoveInto(out.report);
    out.lastLine = in.line();
    FUZZ_CHECK(in.error() == 0);
}

template <typename T>
bool SameArray(const ZeroedArray<T>& a, const ZeroedArray<T>& b) {
    return a.size() == b.size() && (a.size() == 0 || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

void CheckTables(const ConversionModel& m, std::size_t fileSize) {
    // A count is bounded by the file's size before anything is allocated.
    FUZZ_CHECK(m.nodeCount >= 0 && static_cast<std::size_t>(m.nodeCount) <= fileSize);
    FUZZ_CHECK(m.elementCount >= 0 && static_cast<std::size_t>(m.elementCount) <= fileSize);
    const auto nodes = static_cast<std::size_t>(m.nodeCount);
    const auto elements = static_cast<std::size_t>(m.elementCount);
    FUZZ_CHECK(m.nodeNumbers.size() == nodes && m.nodeCoordinates.size() == 3 * nodes);
    FUZZ_CHECK(m.elementNumbers.size() == elements && m.elementTypeCodes.size() == elements);
    FUZZ_CHECK(m.connectivity.size() == kElementSlots * elements);
}

}  // namespace
}  // namespace cor2tavik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    using namespace cor2tavik::fuzz;
    if (size == 0) return 0;
    const std::string_view bytes = Bytes(data + 1, size - 1);

    MeshRead whole, chunked;
    Read(bytes, TextReader::kDefaultChunkSize, whole);
    Read(bytes, SmallChunk(data[0]), chunked);

    FUZZ_CHECK(whole.failure.has_value() == chunked.failure.has_value());
    if (whole.failure) {
        FUZZ_CHECK(whole.failure->line == chunked.failure->line);
        FUZZ_CHECK(Message(*whole.failure) == Message(*chunked.failure));
        FUZZ_CHECK(whole.failure->line >= 1 && whole.failure->line <= whole.lastLine);
    } else {
        CheckTables(whole.model, bytes.size());
    }
    FUZZ_CHECK(whole.lastLine == chunked.lastLine);
    CheckProblemList(whole.report, whole.lastLine);
    CheckSameProblems(whole.report, chunked.report);

    const ConversionModel& a = whole.model;
    const ConversionModel& b = chunked.model;
    FUZZ_CHECK(a.nodeCount == b.nodeCount && a.elementCount == b.elementCount);
    FUZZ_CHECK(SameArray(a.nodeNumbers, b.nodeNumbers));
    FUZZ_CHECK(SameArray(a.nodeCoordinates, b.nodeCoordinates));
    FUZZ_CHECK(SameArray(a.elementNumbers, b.elementNumbers));
    FUZZ_CHECK(SameArray(a.elementTypeCodes, b.elementTypeCodes));
    FUZZ_CHECK(SameArray(a.connectivity, b.connectivity));
    return 0;
}
