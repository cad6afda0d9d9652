#include "OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cor2tavik/Conversion.h"

namespace cor2tavik {

int OutputFile::Open(const std::string& path) {
    platform::OutputTarget existing;
    if (int error = platform::FollowLinks(path, target_)) return error;
    if (int error = platform::InspectOutput(target_, existing)) return error;
    // Refused now rather than when the finished file would take its name.
    if (existing.kind == platform::FileKind::directory) return EISDIR;
    targetExists_ = existing.kind != platform::FileKind::missing;
    const bool regular = existing.kind == platform::FileKind::regular;
    // Beside the target, by the same rule the job splits paths with, so that
    // a rename can put it in place.
    const std::string directory(DirectoryPart(target_));
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
    if (!inPlace_) writeBack_.emplace(fd);
    platform::RemoveOnInterrupt(temporary_);
    buffer_.reset(new char[kBufferSize]);
    next_ = buffer_.get();
    limit_ = next_ + kBufferSize;
    return 0;
}

void OutputFile::Flush() {
    const std::size_t size = static_cast<std::size_t>(next_ - buffer_.get());
    next_ = buffer_.get();
    if (size == 0 || error_ != 0) return;
    error_ = platform::WriteAll(file_.get(), buffer_.get(), size);
    if (error_ != 0) return;
    if (writeBack_) writeBack_->Written(size);
    fileSize_ += size;
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
    Flush();
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
    const int writeBackError = writeBack_->End();
    writeBack_.reset();
    if (writeBackError != 0) return writeBackError;
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
    writeBack_.reset();
    file_.Close();
    if (!temporary_.empty()) {
        platform::Remove(temporary_);
        temporary_.clear();
    }
    platform::RemoveOnInterrupt("");
}

}  // namespace cor2tavik
