#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace cor2tavik {

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(const std::string& target) {
    target_ = target;
    // The temporary name must not grow the file name itself, which may
    // already be close to the file system's limit.
    std::size_t slash = target.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::random_device seed;
    std::minstd_rand random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".cor2tavik-%08x.tmp", static_cast<unsigned>(random()));
        std::string candidate = directory + name;
        // 0666 as for any new file: the umask decides what is left.
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file_ = FileDescriptor(fd);
            temporary_ = std::move(candidate);
            buffer_.reset(new char[kBufferSize]);
            next_ = buffer_.get();
            limit_ = next_ + kBufferSize;
            return true;
        }
        if (errno != EEXIST) break;
    }
    error_ = errno;
    return false;
}

void OutputFile::Flush() {
    const char* p = buffer_.get();
    while (p != next_ && error_ == 0) {
        ssize_t n = ::write(file_.get(), p, static_cast<std::size_t>(next_ - p));
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
        } else {
            p += n;
        }
    }
    next_ = buffer_.get();
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

bool OutputFile::Commit() {
    Flush();
    if (file_.Close() != 0 && error_ == 0) error_ = errno;
    if (error_ == 0 && std::rename(temporary_.c_str(), target_.c_str()) != 0) error_ = errno;
    if (error_ != 0) {
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void OutputFile::Discard() {
    file_.Close();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace cor2tavik
