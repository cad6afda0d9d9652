// The neutral file under construction: bytes go into a large buffer and from
// there into a temporary file, which takes the target's place only when
// every write succeeded and its data is on the disk. Until then an existing
// file is untouched; a failed or abandoned output leaves nothing.
//
// The target is the file a symbolic link at the output's name leads to, and
// the new file takes the old one's permissions and owner. Where a new file
// cannot take the old one's name without losing something (another hard link
// to it, a directory the user may not write to), the complete output is
// written over the old file in place instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "FileDescriptor.h"
#include "Platform.h"
#include "WriteBack.h"

namespace cor2tavik {

class OutputFile {
public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { Discard(); }

    // Checks that `path` may be written and creates the temporary file; 0 or
    // the errno of the failure.
    int Open(const std::string& path);

    // Room for `bytes` (at most kBufferSize) at the returned pointer; hand
    // the end of what was written to Advance.
    char* Reserve(std::size_t bytes) {
        if (static_cast<std::size_t>(limit_ - next_) < bytes) Flush();
        return next_;
    }
    void Advance(char* end) { next_ = end; }
    void Write(std::string_view text);

    // Flushes, syncs and puts the file in place: 0, or the errno of the
    // first failure, the temporary file then removed.
    int Commit();

private:
    // Writes the filled part of the buffer to the temporary file and starts
    // the buffer again. After a failure nothing more is written.
    void Flush();
    int PutInPlace();
    void Discard();

    FileDescriptor file_;
    std::string target_;     // the file the output's name leads to
    bool targetExists_ = false;
    bool inPlace_ = false;   // the old file is overwritten rather than replaced
    std::string temporary_;  // the temporary file's name, when it has one
    std::uint64_t fileSize_ = 0;
    std::optional<WriteBack> writeBack_;  // for a file that is renamed into place
    std::unique_ptr<char[]> buffer_;
    char* next_ = nullptr;
    char* limit_ = nullptr;
    int error_ = 0;
};

}  // namespace cor2tavik
