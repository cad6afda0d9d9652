#include "OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cor2tavik/Conversion.h"

namespace cor2tavik {

int OutputFile::Open(const std::string& path, bool writerThread) {
    wantWriter_ = writerThread;
    platform::OutputTarget existing;
    if (int error = platform::FollowLinks(path, target_)) return error;
    if (int error = platform::InspectOutput(target_, existing)) return error;
    targetExists_ = existing.kind != platform::FileKind::missing;
    const bool regular = existing.kind == platform::FileKind::regular;
    // Beside the target, by the same rule the job splits paths with, so that
    // a rename can put it in place.
    const std::size_t separator = target_.find_last_of(kPathSeparators);
    const std::string directory = separator == std::string::npos ? std::string() : target_.substr(0, separator + 1);
    int fd = -1;
    int error = 0;
    if (regular && existing.otherNames) {
        inPlace_ = true;  // a new file would leave the other names with the old data
    } else {
        error = platform::CreateTemporary(directory, false, fd, temporary_);
        // A directory the user may not write to holds a file they may.
        inPlace_ = regular && (error == EACCES || error == EPERM);
    }
    if (inPlace_) error = platform::CreateTemporary(platform::TemporaryDirectory(), true, fd, temporary_);
    if (error != 0) return error;
    file_ = FileDescriptor(fd);
    platform::RemoveOnInterrupt(temporary_);
    buffer_.reset(new char[kBufferSize]);
    next_ = buffer_.get();
    limit_ = next_ + kBufferSize;
    return 0;
}

int OutputFile::WriteToFile(const char* bytes, std::size_t size) {
    if (int error = platform::WriteAll(file_.get(), bytes, size)) return error;
    if (!inPlace_) platform::StartWriteBack(file_.get(), fileSize_, size);
    fileSize_ += size;
    return 0;
}

void OutputFile::Flush() {
    const std::size_t size = static_cast<std::size_t>(next_ - buffer_.get());
    if (size == 0) return;
    if (!writer_.joinable() && wantWriter_) {
        wantWriter_ = false;  // one try
        writer_ = StartWorker(true, [this](std::stop_token stop) {
            // After a failure the rest is only handed back: the file is lost anyway.
            while (std::optional<Block> block = full_.Pop(stop)) {
                if (writerError_ == 0) writerError_ = WriteToFile(block->bytes.get(), block->size);
                spare_.Push(std::move(block->bytes));
            }
        });
    }
    if (!writer_.joinable()) {
        if (error_ == 0) error_ = WriteToFile(buffer_.get(), size);
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
    if (error_ == 0) error_ = PutInPlace();
    if (error_ != 0) {
        Discard();
        return error_;
    }
    return 0;
}

// The data reaches the disk before the file takes the target's name, so that
// after a power cut the name holds either the old file or the whole new one.
int OutputFile::PutInPlace() {
    if (inPlace_) {
        const platform::CommitSection section;
        if (!section.entered()) return EINTR;
        return platform::OverwriteInPlace(file_.get(), fileSize_, target_);
    }
    if (targetExists_) platform::TakeAttributes(target_, file_.get());
    if (int error = platform::SyncData(file_.get())) return error;
    const platform::CommitSection section;
    if (!section.entered()) return EINTR;
    const int error = platform::Publish(file_.release(), temporary_, target_);
    if (error == 0) {
        platform::RemoveOnInterrupt("");
        temporary_.clear();
    }
    return error;
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
    platform::RemoveOnInterrupt("");
}

}  // namespace cor2tavik
