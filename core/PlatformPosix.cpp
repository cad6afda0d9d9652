// The POSIX side of Platform.h.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "FileDescriptor.h"
#include "Platform.h"
#include "PlatformShared.h"
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

std::uint64_t RegularFileSize(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
    return static_cast<std::uint64_t>(status.st_size);
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

int Remove(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

namespace {

// What an interrupt removes, and the signal a commit held back. A fixed
// buffer: a signal handler may read it.
std::atomic<int> g_deferredSignal{0};
std::atomic<bool> g_hasTemporary{false};
char g_temporary[PATH_MAX];

[[noreturn]] void DieOf(int signal) {
    if (g_hasTemporary.load()) ::unlink(g_temporary);
    // Ended by the signal itself, so that a shell sees 128 + its number.
    ::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

void OnInterrupt(int signal) {
    int found;
    if (LeaveIdle(kInterrupted, found)) DieOf(signal);
    if (found == kCommitting) g_deferredSignal.store(signal);
}

// A folder anyone may write to and only an entry's owner may clean (/tmp):
// any user may have put any name there, but none may remove another's. An
// entry there is trusted only when this process's user or the folder's owner
// owns it; the rule of the kernel's fs.protected_symlinks and
// fs.protected_regular, which also bind root.
bool Trusted(const struct stat& folder, const struct stat& entry) {
    const bool shared = (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    return !shared || entry.st_uid == ::geteuid() || entry.st_uid == folder.st_uid;
}

// The folder `path` names an entry of, held while the entry is looked at,
// so that the folder checked is the one the entry is read from. Its own
// path is resolved by the kernel, links on the way included.
FileDescriptor FolderOf(const std::string& path, std::string& name) {
    const std::string directory(DirectoryPart(path));
    name = NamePart(path);
    return FileDescriptor(::open(directory.empty() ? "." : directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace

// The links are followed here, not by the kernel, which would do it only
// when the file is opened: the file at the end of the chain is replaced by
// name. So the kernel's rule for links in shared folders is applied here to
// every link of the chain, whatever the sysctl says.
int FollowLinks(const std::string& path, std::string& target) {
    target = path;
    // As many links as the system itself follows in a name.
    for (int links = 0;; ++links) {
        std::string name;
        const FileDescriptor folder = FolderOf(target, name);
        struct stat entry, where;
        // Not a link, or nothing there: the name to write is this one.
        if (!folder.valid() || ::fstatat(folder.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(entry.st_mode))
            return 0;
        if (links == 40) return ELOOP;
        if (::fstat(folder.get(), &where) != 0) return errno;
        if (!Trusted(where, entry)) return EACCES;
        char buffer[PATH_MAX];
        const ssize_t length = ::readlinkat(folder.get(), name.c_str(), buffer, sizeof buffer);
        if (length < 0) return errno;
        if (static_cast<std::size_t>(length) == sizeof buffer) return ENAMETOOLONG;
        const std::string link(buffer, static_cast<std::size_t>(length));
        target = link[0] == '/' ? link : std::string(DirectoryPart(target)).append(link);
    }
}

int InspectOutput(const std::string& path, OutputTarget& target) {
    target = OutputTarget{};
    std::string name;
    const FileDescriptor folder = FolderOf(path, name);
    struct stat status, where;
    if (!folder.valid() || ::fstatat(folder.get(), name.c_str(), &status, 0) != 0)
        return errno == ENOENT ? 0 : errno;
    target.kind = S_ISREG(status.st_mode) ? FileKind::regular : S_ISDIR(status.st_mode) ? FileKind::directory
                                                                                        : FileKind::other;
    if (target.kind == FileKind::directory) return 0;
    // Another user's file in a shared folder is neither written over in
    // place nor replaced: what the user converts must not reach them.
    if (::fstat(folder.get(), &where) != 0) return errno;
    if (!Trusted(where, status)) return EACCES;
    if (target.kind != FileKind::regular) return 0;
    target.otherNames = status.st_nlink > 1;
    // As the process's own identity would be judged at the open.
    return ::faccessat(folder.get(), name.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

int CreateTemporary(const std::string& directory, bool anonymous, int& fd, std::string& name) {
    name.clear();
    // Room for the name first: once the file exists, nothing may fail.
    name.reserve(directory.size() + 32);
    // 0666 as for any new file: the umask decides what is left. Linking an
    // unnamed file into place needs /proc unless the process may link any
    // open file.
    const std::string where = directory.empty() ? "." : directory;
    fd = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0 && (anonymous || ::access("/proc/self/fd", X_OK) == 0)) return 0;
    const int error = fd >= 0 ? 0 : errno;
    if (fd >= 0) ::close(fd);
    // A file system without unnamed files says so in one of these ways.
    if (error != 0 && error != EOPNOTSUPP && error != EISDIR && error != EINVAL && error != ENOENT) return error;
    return WithFreshName(directory, [&](const std::string& candidate) {
        fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return errno;
        if (anonymous)
            ::unlink(candidate.c_str());
        else
            name = candidate;
        return 0;
    });
}

std::string TemporaryDirectory() {
    const char* directory = std::getenv("TMPDIR");
    std::string path = directory != nullptr && *directory != '\0' ? directory : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
}

void TakeAttributes(const std::string& original, int fd) {
    struct stat status;
    if (::stat(original.c_str(), &status) != 0) return;
    // Owner first: a change of owner clears the set-id bits that follow.
    if (::fchown(fd, status.st_uid, status.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), status.st_gid);
    (void)::fchmod(fd, status.st_mode & 07777);
}

int SyncData(int fd) { return ::fdatasync(fd) == 0 ? 0 : errno; }

int Publish(int fd, const std::string& name, const std::string& target) {
    FileDescriptor file(fd);  // closed whatever happens, running out of memory included
    const std::string directory(DirectoryPart(target));
    std::string linked = name;
    // Room for the name linked below, so that nothing fails once the link exists.
    linked.reserve(directory.size() + 32);
    int error = 0;
    if (linked.empty()) {
        // An unnamed file gets a name beside the target first: a link
        // cannot replace an existing file, a rename can.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        error = WithFreshName(directory, [&](const std::string& candidate) {
            if (::linkat(fd, "", AT_FDCWD, candidate.c_str(), AT_EMPTY_PATH) != 0 &&
                ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) != 0)
                return errno;
            linked = candidate;
            return 0;
        });
    }
    const int closeError = file.Close();
    if (error == 0) error = closeError;
    if (error == 0 && std::rename(linked.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        if (!linked.empty()) ::unlink(linked.c_str());
        return error;
    }
    // The rename itself survives a power cut only once the directory is synced.
    const int directoryFd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd < 0) return 0;
    error = ::fsync(directoryFd) == 0 ? 0 : errno;
    ::close(directoryFd);
    // Some file systems cannot sync a directory, and say so.
    return error == EINVAL || error == EBADF ? 0 : error;
}

int OverwriteInPlace(int fd, std::uint64_t size, const std::string& target) {
    // The file inspected when the job began, never a link put there since.
    FileDescriptor out(::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!out.valid()) return errno;
    // Blocks for every byte, the file's size unchanged until the copy.
    if (size > 0 && ::fallocate(out.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (std::uint64_t offset = 0; offset < size;) {
        const ssize_t n = ::pread(fd, buffer.get(), kChunk, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        if (int error = WriteAll(out.get(), buffer.get(), static_cast<std::size_t>(n))) return error;
        offset += static_cast<std::uint64_t>(n);
    }
    if (::ftruncate(out.get(), static_cast<off_t>(size)) != 0) return errno;
    if (::fdatasync(out.get()) != 0) return errno;
    return out.Close();
}

void RemoveOnInterrupt(const std::string& name) {
    g_hasTemporary.store(false);
    if (name.empty() || name.size() >= sizeof g_temporary) return;
    std::memcpy(g_temporary, name.c_str(), name.size() + 1);
    g_hasTemporary.store(true);
}

CommitSection::CommitSection() {
    int found;
    entered_ = LeaveIdle(kCommitting, found);
}

CommitSection::~CommitSection() {
    if (!entered_) return;
    g_interruptState.store(kIdle);
    if (const int signal = g_deferredSignal.exchange(0)) OnInterrupt(signal);
}

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

bool ReadAheadPays() { return true; }

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace platform

void EndCleanlyOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = platform::OnInterrupt;
    sigfillset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal ignored by whoever started us stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
    }
}
}  // namespace cor2tavik
