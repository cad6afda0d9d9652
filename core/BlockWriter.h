// The writing side of a job: the header, then the blocks the readers put,
// formatted into the output in the order they came. With a thread of its
// own, the formatting of one batch overlaps the reading of the next; either
// way at most kBatches batches exist, whatever the model's size.
#pragma once

#include <ctime>
#include <exception>
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
    static constexpr int kBatches = 4;

    // `model` is read for the rows' numbers; `progress`, when given, is
    // ticked at every batch, on the readers' thread.
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

    // Shared with the formatter: messages in output order, batches back.
    Channel<Message> queue_;
    Channel<std::unique_ptr<RecordBatch>> spare_;
    std::exception_ptr failure_;  // the formatter's; rethrown by Finish after the join
    std::jthread formatter_;      // declared last: stopped and joined before the channels go
};

}  // namespace cor2tavik
