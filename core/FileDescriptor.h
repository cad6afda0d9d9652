// Owns a file descriptor of the platform layer.
#pragma once

#include <utility>

#include "Platform.h"

namespace cor2tavik {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }

    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    bool valid() const { return fd_ >= 0; }

    // 0 or the errno of the close: a write error can first show here.
    int Close() {
        int error = 0;
        if (fd_ >= 0) error = platform::Close(fd_);
        fd_ = -1;
        return error;
    }

private:
    int fd_ = -1;
};

}  // namespace cor2tavik
