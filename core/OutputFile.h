// The neutral file under construction: bytes go into a large buffer and from
// there into a temporary file beside the target, which replaces the target
// only when every write and the close succeeded. Until then an existing file
// of that name is untouched; a failed or abandoned output leaves nothing.
//
// Full buffers are written by a second thread, started at the first one, so
// that the copying into the file overlaps the making of the next buffer.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "FileDescriptor.h"

namespace cor2tavik {

class OutputFile {
public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
    // Buffers written or waiting, besides the one being filled.
    static constexpr int kBuffersInFlight = 3;

    OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Creates the temporary file. False (with error() set) when it cannot.
    bool Open(const std::string& target);

    // Room for `bytes` (at most kBufferSize) at the returned pointer; hand
    // the end of what was written to Advance.
    char* Reserve(std::size_t bytes) {
        if (static_cast<std::size_t>(limit_ - next_) < bytes) Flush();
        return next_;
    }
    void Advance(char* end) { next_ = end; }
    void Write(std::string_view text);

    // Flushes, closes and renames over the target. False (with error() set)
    // when any of it failed; the temporary file is then removed.
    bool Commit();

    int error() const { return error_; }
    const std::string& temporaryPath() const { return temporary_; }

private:
    struct Writer;

    // Hands the filled part of the buffer on and starts an empty one.
    void Flush();
    // write() until done or failed; nothing after the first failure.
    static void WriteAll(int fd, const char* p, std::size_t n, int& error);
    // Waits for the writer to finish (abandon: to drop what is still queued).
    void StopWriter(bool abandon);
    void Discard();

    FileDescriptor file_;
    std::string target_;
    std::string temporary_;
    std::unique_ptr<char[]> buffer_;
    char* next_ = nullptr;
    char* limit_ = nullptr;
    int error_ = 0;
    std::unique_ptr<Writer> writer_;
};

}  // namespace cor2tavik
