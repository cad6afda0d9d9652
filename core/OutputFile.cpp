#include "OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "cor2tavik/Conversion.h"

namespace cor2tavik {

int OutputFile::Open(const std::string& target, bool writerThread) {
    target_ = target;
    wantWriter_ = writerThread;
    // Beside the target, by the same rule the job splits paths with. The
    // temporary name must not grow the file name itself, which may already
    // be close to the file system's limit.
    std::size_t separator = target.find_last_of(kPathSeparators);
    std::string directory = separator == std::string::npos ? std::string() : target.substr(0, separator + 1);
    std::random_device seed;
    std::minstd_rand random(seed());
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".cor2tavik-%08x.tmp", static_cast<unsigned>(random()));
        std::string candidate = directory + name;
        int fd = -1;
        error = platform::CreateNew(candidate, fd);
        if (error == 0) {
            file_ = FileDescriptor(fd);
            temporary_ = std::move(candidate);
            buffer_.reset(new char[kBufferSize]);
            next_ = buffer_.get();
            limit_ = next_ + kBufferSize;
            return 0;
        }
        if (error != EEXIST) break;
    }
    return error;
}

void OutputFile::Flush() {
    const std::size_t size = static_cast<std::size_t>(next_ - buffer_.get());
    if (size == 0) return;
    if (!writer_.joinable() && wantWriter_) {
        wantWriter_ = false;  // one try
        writer_ = StartWorker(true, [this](std::stop_token stop) {
            // After a failure the rest is only handed back: the file is lost anyway.
            while (std::optional<Block> block = full_.Pop(stop)) {
                if (writerError_ == 0) writerError_ = platform::WriteAll(file_.get(), block->bytes.get(), block->size);
                spare_.Push(std::move(block->bytes));
            }
        });
    }
    if (!writer_.joinable()) {
        if (error_ == 0) error_ = platform::WriteAll(file_.get(), buffer_.get(), size);
        next_ = buffer_.get();
        return;
    }
    full_.Push({std::move(buffer_), size});
    if (allocated_ < kBuffersInFlight) {
        ++allocated_;
        buffer_.reset(new char[kBufferSize]);
    } else {
        buffer_ = std::move(*spare_.Pop());  // the writer hands back every buffer it was given
    }
    next_ = buffer_.get();
    limit_ = next_ + kBufferSize;
}

void OutputFile::Write(std::string_view text) {
    while (!text.empty()) {
        std::size_t room = static_cast<std::size_t>(limit_ - next_);
        if (room == 0) {
            Flush();
            continue;
        }
        std::size_t n = std::min(room, text.size());
        std::memcpy(next_, text.data(), n);
        next_ += n;
        text.remove_prefix(n);
    }
}

int OutputFile::Commit() {
    wantWriter_ = false;  // the last buffer is not worth a thread
    Flush();
    if (writer_.joinable()) {
        full_.Close();
        writer_.join();
        if (error_ == 0) error_ = writerError_;
    }
    const int closeError = file_.Close();
    if (error_ == 0) error_ = closeError;
    if (error_ == 0) error_ = platform::Replace(temporary_, target_);
    if (error_ != 0) {
        Discard();
        return error_;
    }
    temporary_.clear();
    return 0;
}

void OutputFile::Discard() {
    if (writer_.joinable()) {
        writer_.request_stop();  // what is still queued is dropped
        writer_.join();
    }
    file_.Close();
    if (!temporary_.empty()) {
        platform::Remove(temporary_);
        temporary_.clear();
    }
}

}  // namespace cor2tavik
