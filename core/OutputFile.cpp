#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "Cores.h"

namespace cor2tavik {

// Writes full buffers in the order they were handed over and returns them
// for filling again.
struct OutputFile::Writer {
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
    };

    explicit Writer(int fd) : fd(fd) {}

    void Run() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return !queue.empty() || stopping; });
            if (queue.empty() || abandon) return;
            Block block = std::move(queue.front());
            queue.pop_front();
            int e = error;
            lock.unlock();
            WriteAll(fd, block.bytes.get(), block.size, e);
            lock.lock();
            error = e;
            spare.push_back(std::move(block.bytes));
            changed.notify_all();
        }
    }

    const int fd;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Block> queue;                      // full, in file order
    std::vector<std::unique_ptr<char[]>> spare;   // written, ready to fill
    int allocated = 0;                            // buffers besides the one being filled
    bool stopping = false;
    bool abandon = false;  // drop what is still queued
    int error = 0;
    std::thread thread;
};

OutputFile::OutputFile() = default;
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

void OutputFile::WriteAll(int fd, const char* p, std::size_t n, int& error) {
    const char* end = p + n;
    while (p != end && error == 0) {
        ssize_t written = ::write(fd, p, static_cast<std::size_t>(end - p));
        if (written < 0) {
            if (errno == EINTR) continue;
            error = errno;
        } else {
            p += written;
        }
    }
}

void OutputFile::Flush() {
    const std::size_t size = static_cast<std::size_t>(next_ - buffer_.get());
    if (size == 0) return;
    if (!writer_ && HasSecondCore()) {
        // Without a thread (or a core to run it) the writes simply happen here.
        auto writer = std::make_unique<Writer>(file_.get());
        try {
            writer->thread = std::thread(&Writer::Run, writer.get());
            writer_ = std::move(writer);
        } catch (const std::system_error&) {
        }
    }
    if (!writer_) {
        WriteAll(file_.get(), buffer_.get(), size, error_);
        next_ = buffer_.get();
        return;
    }
    std::unique_lock lock(writer_->mutex);
    writer_->queue.push_back({std::move(buffer_), size});
    writer_->changed.notify_all();
    if (writer_->spare.empty() && writer_->allocated < kBuffersInFlight) {
        ++writer_->allocated;
        lock.unlock();
        buffer_.reset(new char[kBufferSize]);
    } else {
        writer_->changed.wait(lock, [this] { return !writer_->spare.empty(); });
        buffer_ = std::move(writer_->spare.back());
        writer_->spare.pop_back();
    }
    next_ = buffer_.get();
    limit_ = next_ + kBufferSize;
}

void OutputFile::StopWriter(bool abandon) {
    if (!writer_) return;
    {
        std::lock_guard lock(writer_->mutex);
        writer_->stopping = true;
        writer_->abandon = abandon;
    }
    writer_->changed.notify_all();
    writer_->thread.join();
    if (error_ == 0) error_ = writer_->error;
    writer_.reset();
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
    if (writer_) {
        Flush();
        StopWriter(false);
    } else {
        WriteAll(file_.get(), buffer_.get(), static_cast<std::size_t>(next_ - buffer_.get()), error_);
    }
    next_ = buffer_.get();
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
    StopWriter(true);
    file_.Close();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace cor2tavik
