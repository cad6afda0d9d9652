// The rows of a block on their way from a reader to the writer: a few
// thousand at a time, so that what a job holds does not grow with the model.
#pragma once

#include <algorithm>
#include <cstdint>

#include "ByteWord.h"
#include "ConversionModel.h"
#include "ValueFormat.h"

namespace cor2tavik {

// The neutral file's blocks of rows, in the order they are written.
enum class Block { nodes, elements, displacement, stress, strain };

// Values per row of a block: coordinates or result components.
inline constexpr int ValueWidth(Block block) {
    return block == Block::elements ? 0 : block == Block::stress || block == Block::strain ? 6 : 3;
}

// What a reader scanned for rows [first, first + rows) of a block. The rows'
// node or element numbers (and type codes) are in the ConversionModel.
struct RecordBatch {
    static constexpr std::int32_t kMaxRows = 4096;

    std::int64_t first = 0;
    std::int32_t rows = 0;
    Cell values[kMaxRows * 6];                     // ValueWidth per row
    std::int32_t slots[kMaxRows * kElementSlots];  // an element's node numbers
    // An element's node numbers also as the 8 bytes the neutral file writes
    // for each, where its line had them so (LayoutElement); read only then.
    bool hasText[kMaxRows];
    std::uint64_t nodeTexts[kMaxRows * kElementSlots];

    // Rows [from, from + count) of a batch that is all zero (new, or wiped
    // since it was last filled), as a record that does not scan (or is
    // missing) leaves them.
    void Take(std::int64_t from, std::int32_t count) {
        first = from;
        rows = count;
    }
    // Zero-fills what the rows of `block` may have filled.
    void Wipe(Block block) {
        if (block == Block::elements) {
            ZeroBytes(slots, sizeof slots[0] * std::size_t(rows) * kElementSlots);
            ZeroBytes(hasText, sizeof hasText[0] * std::size_t(rows));
        } else {
            ZeroBytes(values, sizeof values[0] * std::size_t(rows) * ValueWidth(block));
        }
    }
};

// Where a reader puts its blocks, in order: Begin, then every row of the
// block in batches (Next, fill, Put), then End.
class RowSink {
public:
    virtual void Begin(Block block) = 0;
    // A cleared batch for `rows` (at most kMaxRows) rows from row `first`.
    virtual RecordBatch& Next(std::int64_t first, std::int32_t rows) = 0;
    // Hands on the batch Next gave.
    virtual void Put() = 0;
    virtual void End() = 0;

protected:
    ~RowSink() = default;
};

// Runs `fill(batch)` over rows [0, count) of the block begun last, a batch
// at a time. Once `fill` returns false (its input or its records ended) the
// rest of the rows are handed on as they are cleared.
template <typename Fill>
void ForEachBatch(RowSink& sink, std::int64_t count, Fill&& fill) {
    bool reading = true;
    for (std::int64_t first = 0; first < count; first += RecordBatch::kMaxRows) {
        const auto rows = static_cast<std::int32_t>(std::min<std::int64_t>(RecordBatch::kMaxRows, count - first));
        RecordBatch& batch = sink.Next(first, rows);
        if (reading) reading = fill(batch);
        sink.Put();
    }
}

}  // namespace cor2tavik
