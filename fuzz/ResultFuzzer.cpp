// A result file reader on arbitrary bytes; FUZZ_RESULT_KIND says which.
// Input: one byte choosing a small chunk size, one byte giving the model's
// node or element count, then the file. As for the model, the file is read in
// the default chunk and in the small one, and both reads must agree.
#include <cstring>
#include <optional>

#include "FuzzSupport.h"
#include "ResultReader.h"

namespace cor2tavik::fuzz {
namespace {

constexpr ResultKind kKind = ResultKind::FUZZ_RESULT_KIND;

struct ResultRead {
    ConversionModel model;
    ConversionReport report;
    long lastLine = 0;
};

void Read(std::string_view bytes, std::size_t chunk, std::int32_t modelCount, ResultRead& out) {
    out.model.nodeCount = modelCount;
    out.model.elementCount = modelCount;
    TextReader in(MemoryFile(bytes), chunk);
    ProblemList problems("result.dat");
    std::optional<Problem> failure =
        ReadResult(in, bytes.size(), kKind, modelCount, out.model.result(kKind), problems);
    // Only an allocation of at most 255 records could fail.
    FUZZ_CHECK(!failure);
    problems.MoveInto(out.report);
    out.lastLine = in.line();
    FUZZ_CHECK(in.error() == 0);
}

}  // namespace
}  // namespace cor2tavik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    using namespace cor2tavik::fuzz;
    if (size < 2) return 0;
    const std::string_view bytes = Bytes(data + 2, size - 2);
    const std::int32_t modelCount = data[1];

    ResultRead whole, chunked;
    Read(bytes, TextReader::kDefaultChunkSize, modelCount, whole);
    Read(bytes, SmallChunk(data[0]), modelCount, chunked);

    CheckProblemList(whole.report, whole.lastLine);
    CheckSameProblems(whole.report, chunked.report);
    FUZZ_CHECK(whole.lastLine == chunked.lastLine);

    const ResultTable& a = whole.model.result(kKind);
    const ResultTable& b = chunked.model.result(kKind);
    FUZZ_CHECK(a.present == b.present);
    // A block always has one record per node or element of the model.
    const std::size_t values = a.present ? std::size_t(modelCount) * ResultWidth(kKind) : 0;
    FUZZ_CHECK(a.values.size() == values && b.values.size() == values);
    FUZZ_CHECK(values == 0 || std::memcmp(a.values.data(), b.values.data(), values * sizeof(double)) == 0);
    // Other tables are left alone.
    for (ResultKind other : {ResultKind::displacement, ResultKind::stress, ResultKind::strain})
        if (other != kKind) FUZZ_CHECK(!whole.model.result(other).present);
    // A left-out block comes with the problem that says why.
    FUZZ_CHECK(a.present || whole.report.problemCount > 0);
    return 0;
}
