#include "ChunkReader.h"

#include <cstring>

#include "ByteWord.h"
#include "Parallel.h"

namespace cor2tavik {

ChunkReader::ChunkReader(FileDescriptor file, std::size_t chunk, std::size_t keepRoom, bool readAhead)
    : file_(std::move(file)), chunk_(chunk), keepRoom_(keepRoom) {
    buffers_[0].reset(new char[keepRoom_ + chunk_]);
    if (readAhead) buffers_[1].reset(new char[keepRoom_ + chunk_]);
    worker_ = StartWorker(readAhead, [this] { Work(); });
    // The first chunk is on its way while the caller starts.
    if (worker_.joinable()) Ask();
}

ChunkReader::~ChunkReader() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
}

ChunkReader::Fill ChunkReader::Read(char* into) {
    Fill fill;
    while (fill.bytes < chunk_) {
        const std::ptrdiff_t n = platform::Read(file_.get(), into + fill.bytes, chunk_ - fill.bytes, fill.error);
        if (n <= 0) {
            fill.ended = true;
            break;
        }
        fill.bytes += static_cast<std::size_t>(n);
        // One read of a regular file is usually all it gives; stop once a
        // fair share arrived rather than spinning on short reads.
        if (fill.bytes >= chunk_ / 2) break;
    }
    if (const char* z = FindByte(into, into + fill.bytes, 0x1A); z != into + fill.bytes) {
        fill.bytes = static_cast<std::size_t>(z - into);
        fill.ended = true;
    }
    return fill;
}

void ChunkReader::Ask() {
    {
        std::lock_guard lock(mutex_);
        asked_ = true;
    }
    changed_.notify_all();
}

ChunkReader::Fill ChunkReader::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return filled_; });
    filled_ = false;
    return fill_;
}

void ChunkReader::Work() {
    for (;;) {
        int buffer;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return asked_ || closing_; });
            if (closing_) return;
            asked_ = false;
            buffer = 1 - current_;
        }
        const Fill fill = Read(Chunk(buffer));
        {
            std::lock_guard lock(mutex_);
            fill_ = fill;
            filled_ = true;
        }
        changed_.notify_all();
    }
}

std::size_t ChunkReader::Next(const char* keep, std::size_t kept, char*& begin, char*& end) {
    // Without a worker, one buffer: the kept bytes move in front of its
    // chunk before the read.
    const int next = worker_.joinable() ? 1 - current_ : current_;
    begin = Chunk(next) - kept;
    Fill fill;
    if (worker_.joinable()) {
        fill = Wait();
        std::memcpy(begin, keep, kept);
    } else {
        std::memmove(begin, keep, kept);
        fill = Read(Chunk(next));
    }
    end = Chunk(next) + fill.bytes;
    ended_ = fill.ended;
    if (error_ == 0) error_ = fill.error;
    {
        std::lock_guard lock(mutex_);
        current_ = next;
    }
    if (!ended_ && worker_.joinable()) Ask();
    return fill.bytes;
}

}  // namespace cor2tavik
