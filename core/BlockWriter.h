// The writing side of a job: the header, then the blocks the readers put,
// formatted into the output in the order they came. With a thread of its
// own, the formatting of one batch overlaps the reading of the next; either
// way at most kBatches batches exist, whatever the model's size.
//
// The threading rule. The reading thread (the caller's) owns everything but
// what it has handed on: it fills a batch and the model's entries for that
// batch's rows (ConversionModel.h), then Put hands the batch to the
// formatter through the queue, whose lock orders those writes before the
// formatter's reads. The formatter reads only the batch it was handed, the
// model's entries for that batch's rows (never written again) and the
// block begun with the message; it writes only the output, which the
// reading thread does not touch until Finish has joined it, and the batch,
// which it zero-fills before it hands it back through `spare_`.
//
// One failure rule. The formatter allocates nothing (the channels are fixed
// rings, the output's buffer exists before it starts), so it cannot fail
// but for a write error, which OutputFile keeps for Commit. Everything that
// can throw (running out of memory) happens on the reading thread and
// leaves the job by exception: the destructor then stops and joins the
// formatter, and the job reports the failure.
#pragma once

#include <ctime>
#include <memory>
#include <thread>

#include "ConversionModel.h"
#include "OutputFile.h"
#include "Parallel.h"
#include "Progress.h"
#include "RecordBatch.h"

namespace cor2tavik {

class BlockWriter final : public RowSink {
public:
    // Enough for the reader to run ahead while the formatter has the slower
    // rows (element lines) and for it to catch up after: 4 left each side
    // waiting on the other more often (0.53 s against 0.49 s at 100^3).
    static constexpr int kBatches = 8;

    // `model` is read for the rows' numbers; `progress`, when given, is
    // ticked at every batch, on the readers' thread. With `thread`, the
    // formatting runs on a thread of its own when one can be started.
    BlockWriter(OutputFile& out, const ConversionModel& model, bool thread, Progress* progress);
    // Drops whatever is still queued.
    ~BlockWriter();

    void Header(const std::tm& now);
    void Begin(Block block) override;
    RecordBatch& Next(std::int64_t first, std::int32_t rows) override;
    void Put() override;
    void End() override;
    // The end code, and everything formatted into the output.
    void Finish();

private:
    enum class Step { header, begin, rows, end, endCode };
    struct Message {
        Step step;
        Block block;
        std::unique_ptr<RecordBatch> batch;  // the rows' batch, handed back after
    };

    void Send(Step step, std::unique_ptr<RecordBatch> batch = nullptr);
    void Format(const Message& message);
    void Stop();

    OutputFile& out_;
    const ConversionModel& model_;
    Progress* progress_;
    std::tm now_{};
    Block block_ = Block::nodes;  // the block begun last
    std::unique_ptr<RecordBatch> filling_;
    int allocated_ = 0;

    // Shared with the formatter: messages in output order, batches back. At
    // most kBatches rows messages are queued, besides a header, a begin and
    // an end for each of the five blocks, and the end code.
    Channel<Message, kBatches + 12> queue_;
    Channel<std::unique_ptr<RecordBatch>, kBatches> spare_;
    std::jthread formatter_;  // declared last: joined (Stop) before the channels go
};

}  // namespace cor2tavik
