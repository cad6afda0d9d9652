// Everything the core asks of the operating system, in one place, so that the
// rest of the core has no #ifdef. PlatformPosix.cpp and PlatformWindows.cpp
// are its two sides; exactly one is built.
//
// Paths are UTF-8 on every system (the Windows side converts them for wide
// calls). File handles are C runtime file descriptors on both sides. Each
// call that can fail returns 0 or an errno value (the Windows side maps its
// own error codes onto errno values, defining what it must), which ErrorText
// turns into the text shown to the user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace cor2tavik::platform {

// A file opened for reading. A directory is refused at the open with EISDIR,
// not at the first read. `size` bounds the record counts: the file's size for
// a regular file, UINT64_MAX for anything else (a pipe, a device).
int OpenForReading(const std::string& path, int& fd, std::uint64_t& size);

// What a path names.
enum class FileKind { missing, regular, directory, other };

// The size of the regular file at `path`; 0 for anything else.
std::uint64_t RegularFileSize(const std::string& path);

// Up to `size` bytes; returns the count (0 at the end) or -1 with `error` set.
// Interrupted reads are retried.
std::ptrdiff_t Read(int fd, char* into, std::size_t size, int& error);
// All `size` bytes, or an error.
int WriteAll(int fd, const char* bytes, std::size_t size);
// Closes; a write error may first show here.
int Close(int fd);

int Remove(const std::string& path);

// ---- Putting a new neutral file in the place of the old one.

// The name `path` leads to once every symbolic link at its end is followed
// (a chain of them; a dangling link gives the name it points at, which is
// where opening it would create the file). POSIX: a link in a shared folder
// (sticky, writable by all) that neither this process's user nor the
// folder's owner owns is not followed: EACCES.
int FollowLinks(const std::string& path, std::string& target);

// What is at the output's name now. A regular file must be writable by this
// process, as opening it for writing would require: EACCES (its permission
// bits; on Windows the read-only attribute) or EROFS refuse the job. POSIX:
// so does EACCES for anything but a folder in a shared folder that neither
// this process's user nor the folder's owner owns.
struct OutputTarget {
    FileKind kind = FileKind::missing;
    bool otherNames = false;  // a regular file with more than one hard link
};
int InspectOutput(const std::string& path, OutputTarget& target);

// A new file for writing in `directory` ("" for the current one), with no
// name where the system allows (Linux's O_TMPFILE), so that nothing is left
// behind whatever ends the process; `name` is then empty. Elsewhere it gets
// a fresh hidden name, which `anonymous` removes at once (the caller then
// never needs it).
int CreateTemporary(const std::string& directory, bool anonymous, int& fd, std::string& name);
std::string TemporaryDirectory();

// Gives the file behind `fd` what the user set on `original`: its
// permission bits, its group and, for an administrator, its owner (POSIX);
// its attributes and creation time (Windows). What the system refuses is
// left as it is.
void TakeAttributes(const std::string& original, int fd);

// The file's data on the disk.
int SyncData(int fd);

// Puts the complete temporary file (`fd`, and its `name` if it has one) in
// the place of `target` in one step, replacing a file there, and makes the
// new directory entry durable. Closes `fd` whatever happens.
int Publish(int fd, const std::string& name, const std::string& target);

// Writes the `size` bytes of `fd` over the existing file `target` in place,
// for a file whose name cannot be replaced (more hard links, a directory the
// process may not write to). Space is reserved first where the file system
// allows, so that a full disk fails before a byte changes; a failure during
// the copy itself leaves the target damaged.
int OverwriteInPlace(int fd, std::uint64_t size, const std::string& target);

// ---- Interrupts (see EndCleanlyOnInterrupt).

// The named temporary file an interrupt removes ("" for none).
void RemoveOnInterrupt(const std::string& name);

// Around the steps that put the output in place: an interrupt meanwhile
// waits until they are done, so that it never leaves half a file.
class CommitSection {
public:
    CommitSection();
    ~CommitSection();
    CommitSection(const CommitSection&) = delete;
    CommitSection& operator=(const CommitSection&) = delete;
    // False when an interrupt is already ending the process.
    bool entered() const { return entered_; }

private:
    bool entered_;
};

std::tm LocalTime(std::time_t t);

// The bytes a path counts against the length limit: its UTF-8 bytes on
// POSIX; on Windows its bytes in the system's ANSI code page, two for a
// character that code page cannot hold.
std::size_t PathLength(std::string_view utf8Path);

// The cores this process may run on (at least 1).
unsigned CoreCount();

// Whether reading a file's next chunk on a thread of its own pays here:
// on POSIX it does; under Wine, the Windows measured, it costs more than it
// saves.
bool ReadAheadPays();

std::string ErrorText(int error);

}  // namespace cor2tavik::platform
