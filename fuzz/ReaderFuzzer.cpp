// A file reader on arbitrary bytes: the model reader, or with FUZZ_RESULT_KIND
// the result reader of that block. Input: one byte choosing a small chunk
// size and whether it is read ahead on a thread, for a result file one byte giving the model's node or element count,
// then the file. The file is read twice, in the default chunk and in the
// small one; both reads must agree in every row, table entry and problem.
#include <cstring>
#include <memory>
#include <optional>

#include "FuzzSupport.h"
#include "MeshReader.h"
#include "NumberScan.h"
#include "ResultReader.h"
#include "ValueFormat.h"

namespace cor2tavik::fuzz {
namespace {

// Everything a reader put, as bytes: block starts and ends, and each row's
// values or node numbers, checked on the way to come in order and whole.
class Recorder final : public RowSink {
public:
    void Begin(Block block) override {
        FUZZ_CHECK(!open_);
        open_ = true;
        block_ = block;
        next_ = 0;
        stream_ += "begin " + std::to_string(static_cast<int>(block)) + "\n";
    }
    RecordBatch& Next(std::int64_t first, std::int32_t rows) override {
        FUZZ_CHECK(open_ && first == next_ && rows > 0 && rows <= RecordBatch::kMaxRows);
        next_ += rows;
        batch_->Take(first, rows);
        return *batch_;
    }
    // Both arrays: the one a block does not use holds the same in every read.
    // Values as the fields written for them: a cell decided from the text
    // and the double read where the text was cut by a chunk's end must write
    // the same.
    void Put() override {
        char field[kValueFieldWidth];
        for (std::int32_t i = 0; i < 6 * batch_->rows; ++i)
            stream_.append(field, FormatCell(DecideCell(batch_->values[i]), field));
        stream_.append(reinterpret_cast<const char*>(batch_->slots), sizeof(std::int32_t) * kElementSlots * batch_->rows);
        batch_->Wipe(block_);
    }
    void End() override {
        FUZZ_CHECK(open_);
        open_ = false;
        stream_ += "end " + std::to_string(next_) + "\n";
    }

    std::string stream_;
    std::int64_t next_ = 0;  // rows of the block begun last
    bool open_ = false;

private:
    Block block_ = Block::nodes;
    std::unique_ptr<RecordBatch> batch_ = std::make_unique<RecordBatch>();
};

struct Read {
    ConversionModel model;
    Recorder rows;
    std::optional<Problem> failure;
    ConversionReport report;
    long lastLine = 0;

    Read(std::string_view bytes, std::size_t chunk, bool readAhead, [[maybe_unused]] std::int32_t modelCount) {
        TextReader in(MemoryFile(bytes), chunk, readAhead);
        ProblemList problems("input");
#ifdef FUZZ_RESULT_KIND
        ReadResult(in, bytes.size(), Block::FUZZ_RESULT_KIND, modelCount, problems, rows);
#else
        failure = ReadMesh(in, bytes.size(), model, problems, rows);
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
    const Read whole(bytes, TextReader::kDefaultChunkSize, false, modelCount),
        chunked(bytes, SmallChunk(data[0]), data[0] >= 0x80, modelCount);

    FUZZ_CHECK(whole.lastLine == chunked.lastLine);
    CheckProblemList(whole.report, whole.lastLine);
    CheckSameProblems(whole.report, chunked.report);
    FUZZ_CHECK(whole.failure.has_value() == chunked.failure.has_value());
    if (whole.failure) {
        FUZZ_CHECK(whole.failure->line == chunked.failure->line);
        FUZZ_CHECK(Message(*whole.failure) == Message(*chunked.failure));
        FUZZ_CHECK(whole.failure->line >= 1 && whole.failure->line <= whole.lastLine);
    }
    // Every block put is whole, and the same whatever the chunk size.
    FUZZ_CHECK(whole.rows.stream_ == chunked.rows.stream_);
    FUZZ_CHECK(!whole.rows.open_ || whole.failure);
    const ConversionModel& a = whole.model;
    const ConversionModel& b = chunked.model;
    FUZZ_CHECK(a.nodeCount == b.nodeCount && a.elementCount == b.elementCount);
    FUZZ_CHECK(Same(a.nodeNumbers, b.nodeNumbers) && Same(a.elements, b.elements));
#ifdef FUZZ_RESULT_KIND
    // A block always has one row per node or element of the model; a
    // left-out block comes with the problem that says why.
    if (whole.rows.stream_.empty())
        FUZZ_CHECK(whole.report.problemCount > 0);
    else
        FUZZ_CHECK(whole.rows.next_ == modelCount);
#else
    if (!whole.failure) {
        // A count is bounded by the file's size before anything is allocated.
        const auto nodes = static_cast<std::size_t>(a.nodeCount), elements = static_cast<std::size_t>(a.elementCount);
        FUZZ_CHECK(a.nodeCount >= 0 && nodes <= bytes.size() && a.elementCount >= 0 && elements <= bytes.size());
        FUZZ_CHECK(a.nodeNumbers.size() == nodes && a.elements.size() == elements);
        FUZZ_CHECK(whole.rows.next_ == a.elementCount);
    }
#endif
    return 0;
}
