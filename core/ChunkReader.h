// A file read a chunk at a time: with a thread of its own into one of two
// buffers, the next chunk while the caller scans the last one, so that the
// copy out of the system's cache is not on the scanning thread; without,
// into one buffer when the caller asks.
//
// Each buffer has room in front of its chunk for the bytes the caller keeps
// (an unfinished line or token): they are copied there, so the caller sees
// them and the new chunk as one run. A 0x1A byte ends the input; so do the
// file's end and a read error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "FileDescriptor.h"
#include "Parallel.h"

namespace cor2tavik {

class ChunkReader {
public:
    // `keepRoom` is the most the caller ever keeps. Without `readAhead`, or
    // when no thread can be started, each chunk is read when it is asked for.
    ChunkReader(FileDescriptor file, std::size_t chunk, std::size_t keepRoom, bool readAhead);
    ~ChunkReader();
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    // The next chunk, after a copy of the `kept` bytes at `keep`: sets
    // [begin, end) to them both. Returns how many bytes are new. Not to be
    // called once the input has ended.
    std::size_t Next(const char* keep, std::size_t kept, char*& begin, char*& end);

    // An empty run in the caller's buffer, to start from.
    char* Start() const { return Chunk(current_); }

    bool ended() const { return ended_; }
    // errno of a failed read, 0 if none.
    int error() const { return error_; }

private:
    struct Fill {
        std::size_t bytes = 0;
        int error = 0;
        bool ended = false;
    };
    // One chunk into `into`: runs on the worker when there is one.
    Fill Read(char* into);
    char* Chunk(int buffer) const { return buffers_[buffer].get() + keepRoom_; }
    void Ask();
    Fill Wait();
    void Work();

    FileDescriptor file_;
    const std::size_t chunk_;
    const std::size_t keepRoom_;
    std::unique_ptr<char[]> buffers_[2];
    // The buffer the caller has; the worker fills the other (without a
    // worker there is no other).
    int current_ = 0;
    bool ended_ = false;
    int error_ = 0;

    Mutex mutex_;
    Condition changed_;
    bool asked_ = false;
    bool filled_ = false;
    bool closing_ = false;
    Fill fill_;
    // Last: joined before anything it uses goes.
    std::jthread worker_;
};

}  // namespace cor2tavik
