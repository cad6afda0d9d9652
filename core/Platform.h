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

// What a path names now, without opening it (a pipe's open may wait for a
// writer, so the job decides first whether that may happen yet).
enum class FileKind { missing, regular, directory, other };
FileKind KindOf(const std::string& path);

// Creates `path` for writing; fails with EEXIST when it exists already. New
// files get the usual permissions for the user (the umask decides on POSIX).
int CreateNew(const std::string& path, int& fd);

// Up to `size` bytes; returns the count (0 at the end) or -1 with `error` set.
// Interrupted reads are retried.
std::ptrdiff_t Read(int fd, char* into, std::size_t size, int& error);
// All `size` bytes, or an error.
int WriteAll(int fd, const char* bytes, std::size_t size);
// Closes; a write error may first show here.
int Close(int fd);

// Puts `from` in the place of `to`, replacing a file there in one step.
int Replace(const std::string& from, const std::string& to);
int Remove(const std::string& path);

std::tm LocalTime(std::time_t t);

// The bytes a path counts against the length limit: its UTF-8 bytes on
// POSIX; on Windows its bytes in the system's ANSI code page, two for a
// character that code page cannot hold.
std::size_t PathLength(std::string_view utf8Path);

// The cores this process may run on (at least 1).
unsigned CoreCount();

std::string ErrorText(int error);

// The x87 unit at its full 64-bit precision while this lives, then as it
// was: a host program may have lowered it, and the real scanner's fast path
// computes in long double. (Workers start with the job's setting on POSIX;
// on Windows at 53 bits, where that path still rounds once and the value
// format's power table sets the precision itself.)
#if defined(__x86_64__) || defined(__i386__)
class FullPrecision {
public:
    FullPrecision() {
        __asm__ volatile("fnstcw %0" : "=m"(saved_));
        const std::uint16_t full = saved_ | 0x300;  // precision control: 64 bits
        __asm__ volatile("fldcw %0" : : "m"(full));
    }
    ~FullPrecision() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }
    FullPrecision(const FullPrecision&) = delete;
    FullPrecision& operator=(const FullPrecision&) = delete;

private:
    std::uint16_t saved_;
};
#else
// Other processors round long double as they are built to.
class FullPrecision {
public:
    FullPrecision() {}
};
#endif

}  // namespace cor2tavik::platform
