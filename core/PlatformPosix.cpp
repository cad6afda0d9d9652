// The POSIX side of Platform.h.
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Platform.h"
#include "cor2tavik/Conversion.h"

namespace cor2tavik {

const std::string_view kPathSeparators = "/";

namespace platform {

int OpenForReading(const std::string& path, int& fd, std::uint64_t& size) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat status;
    const int error = ::fstat(fd, &status) != 0 ? errno : S_ISDIR(status.st_mode) ? EISDIR : 0;
    if (error != 0) {
        ::close(fd);
        fd = -1;
        return error;
    }
    size = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : UINT64_MAX;
    return 0;
}

FileKind KindOf(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return FileKind::missing;
    if (S_ISREG(status.st_mode)) return FileKind::regular;
    if (S_ISDIR(status.st_mode)) return FileKind::directory;
    return FileKind::other;
}

int CreateNew(const std::string& path, int& fd) {
    // 0666 as for any new file: the umask decides what is left.
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd < 0 ? errno : 0;
}

std::ptrdiff_t Read(int fd, char* into, std::size_t size, int& error) {
    for (;;) {
        ssize_t n = ::read(fd, into, size);
        if (n >= 0) return n;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

int WriteAll(int fd, const char* bytes, std::size_t size) {
    const char* end = bytes + size;
    while (bytes != end) {
        ssize_t written = ::write(fd, bytes, static_cast<std::size_t>(end - bytes));
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes += written;
    }
    return 0;
}

int Close(int fd) { return ::close(fd) == 0 ? 0 : errno; }

int Replace(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int Remove(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

std::size_t PathLength(std::string_view utf8Path) { return utf8Path.size(); }

unsigned CoreCount() {
    static const unsigned count = [] {
        cpu_set_t set;
        if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
        return CPU_COUNT(&set) > 1 ? CPU_COUNT(&set) : 1;
    }();
    return count;
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace platform
}  // namespace cor2tavik
