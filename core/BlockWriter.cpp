#include "BlockWriter.h"

#include "NeutralWriter.h"

namespace cor2tavik {

BlockWriter::BlockWriter(OutputFile& out, const ConversionModel& model, bool thread, Progress* progress)
    : out_(out), model_(model), progress_(progress) {
    formatter_ = StartWorker(thread, [this] {
        while (std::optional<Message> message = queue_.Pop()) {
            Format(*message);
            // Wiped here, where its lines are still in the cache: the
            // reading thread is the slower one.
            if (message->batch) {
                message->batch->Wipe(message->block);
                spare_.Push(std::move(message->batch));
            }
        }
    });
}

BlockWriter::~BlockWriter() { Stop(); }

void BlockWriter::Stop() {
    if (!formatter_.joinable()) return;
    queue_.Abandon();
    formatter_.join();
}

void BlockWriter::Header(const std::tm& now) {
    now_ = now;
    Send(Step::header);
}

void BlockWriter::Begin(Block block) {
    block_ = block;
    Send(Step::begin);
}

RecordBatch& BlockWriter::Next(std::int64_t first, std::int32_t rows) {
    if (!filling_) {
        if (!formatter_.joinable() || allocated_ < kBatches) {
            filling_ = std::make_unique<RecordBatch>();
            ++allocated_;
        } else {
            filling_ = std::move(*spare_.Pop());  // the formatter hands back every batch
        }
    }
    filling_->Take(first, rows);
    return *filling_;
}

// Without a formatter the batch is formatted at once and filled again.
void BlockWriter::Put() {
    Send(Step::rows, formatter_.joinable() ? std::move(filling_) : nullptr);
    if (filling_) filling_->Wipe(block_);
    if (progress_ != nullptr) progress_->Tick();
}

void BlockWriter::End() { Send(Step::end); }

void BlockWriter::Finish() {
    Send(Step::endCode);
    if (!formatter_.joinable()) return;
    queue_.Close();
    formatter_.join();
}

void BlockWriter::Send(Step step, std::unique_ptr<RecordBatch> batch) {
    if (formatter_.joinable())
        queue_.Push({step, block_, std::move(batch)});
    else
        Format({step, block_, nullptr});
}

void BlockWriter::Format(const Message& message) {
    switch (message.step) {
    case Step::header: return WriteHeader(out_, now_);
    case Step::begin: return WriteBlockStart(out_, message.block);
    case Step::rows: return WriteRows(out_, model_, message.block, message.batch ? *message.batch : *filling_);
    case Step::end: return WriteBlockEnd(out_);
    case Step::endCode: return WriteEndCode(out_);
    }
}

}  // namespace cor2tavik
