// A file reader on arbitrary bytes: the model reader, or with FUZZ_RESULT_KIND
// the result reader of that kind. Input: one byte choosing a small chunk
// size, for a result file one byte giving the model's node or element count,
// then the file. The file is read twice, in the default chunk and in the
// small one; both reads must agree in every table entry and problem.
#include <cstring>
#include <optional>

#include "FuzzSupport.h"
#include "MeshReader.h"
#include "ResultReader.h"

namespace cor2tavik::fuzz {
namespace {

struct Read {
    ConversionModel model;
    std::optional<Problem> failure;
    ConversionReport report;
    long lastLine = 0;

    Read(std::string_view bytes, std::size_t chunk, [[maybe_unused]] std::int32_t modelCount) {
        TextReader in(MemoryFile(bytes), chunk);
        ProblemList problems("input");
#ifdef FUZZ_RESULT_KIND
        model.nodeCount = model.elementCount = modelCount;
        failure = ReadResult(in, bytes.size(), ResultKind::FUZZ_RESULT_KIND, modelCount,
                             model.result(ResultKind::FUZZ_RESULT_KIND), problems);
        FUZZ_CHECK(!failure);  // only an allocation of at most 255 records could fail
#else
        failure = ReadMesh(in, bytes.size(), model, problems);
#endif
        problems.MoveInto(report);
        lastLine = in.line();
        FUZZ_CHECK(in.error() == 0);
    }
};

template <typename T>
bool Same(const ZeroedArray<T>& a, const ZeroedArray<T>& b) {
    return a.size() == b.size() && (a.size() == 0 || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

}  // namespace
}  // namespace cor2tavik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    using namespace cor2tavik::fuzz;
#ifdef FUZZ_RESULT_KIND
    constexpr std::size_t kPrefix = 2;
#else
    constexpr std::size_t kPrefix = 1;
#endif
    if (size < kPrefix) return 0;
    const std::string_view bytes = Bytes(data + kPrefix, size - kPrefix);
    const std::int32_t modelCount = data[kPrefix - 1];
    const Read whole(bytes, TextReader::kDefaultChunkSize, modelCount), chunked(bytes, SmallChunk(data[0]), modelCount);

    FUZZ_CHECK(whole.lastLine == chunked.lastLine);
    CheckProblemList(whole.report, whole.lastLine);
    CheckSameProblems(whole.report, chunked.report);
    FUZZ_CHECK(whole.failure.has_value() == chunked.failure.has_value());
    if (whole.failure) {
        FUZZ_CHECK(whole.failure->line == chunked.failure->line);
        FUZZ_CHECK(Message(*whole.failure) == Message(*chunked.failure));
        FUZZ_CHECK(whole.failure->line >= 1 && whole.failure->line <= whole.lastLine);
    }
    const ConversionModel& a = whole.model;
    const ConversionModel& b = chunked.model;
    FUZZ_CHECK(a.nodeCount == b.nodeCount && a.elementCount == b.elementCount);
    FUZZ_CHECK(Same(a.nodeNumbers, b.nodeNumbers) && Same(a.nodeCoordinates, b.nodeCoordinates));
    FUZZ_CHECK(Same(a.elementNumbers, b.elementNumbers) && Same(a.elementTypeCodes, b.elementTypeCodes));
    FUZZ_CHECK(Same(a.connectivity, b.connectivity));
#ifdef FUZZ_RESULT_KIND
    constexpr ResultKind kKind = ResultKind::FUZZ_RESULT_KIND;
    const ResultTable& ra = a.result(kKind);
    const ResultTable& rb = b.result(kKind);
    FUZZ_CHECK(ra.present == rb.present);
    // A block always has one record per node or element of the model.
    const std::size_t values = ra.present ? std::size_t(modelCount) * ResultWidth(kKind) : 0;
    FUZZ_CHECK(ra.values.size() == values && rb.values.size() == values);
    FUZZ_CHECK(values == 0 || std::memcmp(ra.values.data(), rb.values.data(), values * sizeof(double)) == 0);
    // Other tables are left alone.
    for (ResultKind other : {ResultKind::displacement, ResultKind::stress, ResultKind::strain})
        if (other != kKind) FUZZ_CHECK(!a.result(other).present);
    // A left-out block comes with the problem that says why.
    FUZZ_CHECK(ra.present || whole.report.problemCount > 0);
#else
    if (!whole.failure) {
        // A count is bounded by the file's size before anything is allocated.
        const auto nodes = static_cast<std::size_t>(a.nodeCount), elements = static_cast<std::size_t>(a.elementCount);
        FUZZ_CHECK(a.nodeCount >= 0 && nodes <= bytes.size() && a.elementCount >= 0 && elements <= bytes.size());
        FUZZ_CHECK(a.nodeNumbers.size() == nodes && a.nodeCoordinates.size() == 3 * nodes);
        FUZZ_CHECK(a.elementNumbers.size() == elements && a.elementTypeCodes.size() == elements);
        FUZZ_CHECK(a.connectivity.size() == kElementSlots * elements);
    }
#endif
    return 0;
}
