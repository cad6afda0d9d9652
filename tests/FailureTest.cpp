// Failures of the console converter that need more than a case directory:
// a read-only file system, an interrupted job, another user's names in a
// shared folder, memory limits. A refusal is status 1 and one line on
// stderr, the earlier neutral file kept byte for byte, and no temporary
// file left. (Paths at the length limit, a full disk, no threads, a missing
// TMPDIR: cases of tests/posix/cases.)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace cor2tavik {
namespace {

using test::ScratchDir;

constexpr char kModel[] = "t\ns\nNODE 1\n1 1 2 3\nELEM 1\n1 304 4 1 1 1 1\n";
constexpr char kEarlier[] = "an earlier neutral file\r\n";

struct CmdRun {
    int status;
    std::string err;
};

// A copy of the converter that nobody can run too, wherever the build is.
const std::string& Converter() {
    static const ScratchDir dir;
    static const std::string path = [] {
        std::error_code error;
        std::filesystem::copy_file(COR2TAVIK_CMD, dir / "Cor2TavikCmd", error);
        if (error || ::chmod(dir.path().c_str(), 0755) != 0) ADD_FAILURE() << "cannot copy the converter";
        return dir / "Cor2TavikCmd";
    }();
    return path;
}

// Runs the converter in `dir` behind `wrapper` (prlimit, setpriv, unshare).
CmdRun RunCmd(const ScratchDir& dir, const std::string& arg, const std::string& wrapper = "") {
    ScratchDir capture;
    const std::string command = "cd '" + dir.path() + "' && exec " + wrapper + " '" + Converter() +
                                "' '" + arg + "' >/dev/null 2>'" + (capture / "err") + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, capture.Read("err")};
}

// As root the converter runs as nobody, so that permissions bind.
std::string Unprivileged() { return ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : ""; }

// A file system mounted read-only (in a namespace of the test's own, where
// one can be had): refused before anything is read, an existing file or not.
TEST(Failure, ReadOnlyFileSystem) {
    const std::string readOnly =
        "unshare -rm sh -c 'mount --bind ro ro && mount -o remount,bind,ro ro && exec \"$0\" \"$@\"'";
    for (bool earlier : {true, false}) {
        ScratchDir dir;
        ASSERT_EQ(::mkdir((dir / "ro").c_str(), 0755), 0);
        dir.Write("ro/model.dat3", kModel);
        if (earlier) dir.Write("ro/model.std", kEarlier);
        const CmdRun run = RunCmd(dir, "ro/model.dat3", readOnly);
        if (run.status != 1 && run.err.find("mount") != std::string::npos) GTEST_SKIP() << run.err;
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "ro/model.std: cannot create: Read-only file system\n");
        EXPECT_EQ(ScratchDir::ListOf(dir / "ro"), earlier ? "model.dat3 model.std" : "model.dat3");
    }
}

// Ctrl+C, SIGTERM, a closed terminal and kill -9 while the job waits for a
// result file (a FIFO): the process ends by the signal (a shell reports 128
// plus its number), the earlier file stays and nothing is left. Without
// /proc (a namespace with an empty one), the temporary file has a name,
// which the catchable signals still remove, and so does a refused job.
TEST(Failure, InterruptedJobLeavesNothing) {
    const std::string noProc = "mount -t tmpfs none /proc && ";
    for (const std::string& setup : {std::string(), noProc}) {
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
            if (signal == SIGKILL && !setup.empty()) continue;  // a name nothing can remove then
            SCOPED_TRACE(setup + std::to_string(signal));
            ScratchDir dir;
            dir.Write("model.dat3", kModel);
            dir.Write("model.std", kEarlier);
            const std::string fifo = dir / "Displacement.dat";
            ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
            const std::string script = "cd '" + dir.path() + "' && " + setup + "exec '" + Converter() + "' model.dat3";
            const pid_t pid = ::fork();
            if (pid == 0) {
                if (setup.empty())
                    ::execl("/bin/sh", "sh", "-c", script.c_str(), nullptr);
                else
                    ::execlp("unshare", "unshare", "-rm", "sh", "-c", script.c_str(), nullptr);
                ::_exit(127);
            }
            // Once the converter has the FIFO open, it has its output open too;
            // the writing end held open keeps it waiting for data.
            int writer = -1;
            for (int i = 0; i < 1000 && writer < 0; ++i) {
                writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                if (writer < 0) ::usleep(10000);
            }
            if (writer < 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
                if (!setup.empty()) GTEST_SKIP() << "no namespace for an empty /proc";
                FAIL() << "the converter never opened the result file";
            }
            ::kill(pid, signal);
            int status = 0;
            ::waitpid(pid, &status, 0);
            ::close(writer);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            EXPECT_EQ(dir.Read("model.std"), kEarlier);
            EXPECT_EQ(dir.List(), "Displacement.dat model.dat3 model.std");
        }
    }
    // A job refused after its output was opened removes the named file too.
    // (A sanitizer's report at exit needs /proc.)
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return;
#endif
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 1\n1 0 0 0\nELEM -1\n");
    dir.Write("model.std", kEarlier);
    const CmdRun run = RunCmd(dir, "model.dat3", "unshare -rm sh -c '" + noProc + "exec \"$0\" \"$@\"'");
    if (run.status != 1) GTEST_SKIP() << "no namespace for an empty /proc: " << run.err;
    EXPECT_EQ(run.err, "model.dat3:5: element count line: negative count -1\n");
    EXPECT_EQ(dir.Read("model.std"), kEarlier);
    EXPECT_EQ(dir.List(), "model.dat3 model.std");
}

// The kernel's rules for shared folders (fs.protected_symlinks,
// fs.protected_regular) off while a test runs, then as they were; a lock on
// one of them keeps two runs from restoring each other's settings. Where
// they cannot be set (a read-only /proc/sys) they stay, and the converter
// still decides alone: it reads links itself and writes in place without
// O_CREAT, which those rules never see.
class KernelRulesOff {
public:
    KernelRulesOff() : lock_(::open("/proc/sys/fs/protected_symlinks", O_RDONLY | O_CLOEXEC)) {
        if (lock_ >= 0) ::flock(lock_, LOCK_EX);
        for (auto& rule : rules_) {
            rule.saved = Get(rule.name);
            if (!Set(rule.name, "0") && rule.saved != "0")
                std::printf("note: fs.%s stays %s: not for this test to change\n", rule.name, rule.saved.c_str());
        }
    }
    ~KernelRulesOff() {
        for (const auto& rule : rules_)
            if (!rule.saved.empty()) Set(rule.name, rule.saved);
        if (lock_ >= 0) ::close(lock_);
    }

private:
    static std::string Get(const char* name) {
        std::string value;
        std::getline(std::ifstream(std::string("/proc/sys/fs/") + name), value);
        return value;
    }
    static bool Set(const char* name, const std::string& value) {
        std::ofstream(std::string("/proc/sys/fs/") + name) << value;
        return Get(name) == value;
    }
    struct Rule {
        const char* name;
        std::string saved;
    };
    Rule rules_[2] = {{"protected_symlinks", ""}, {"protected_regular", ""}};
    int lock_;
};

// In a shared folder (sticky, writable by all: /tmp) another user's link
// at any link of the output's chain is not followed, and another user's
// file there is not written into: refused before anything is read, nothing
// changed. A link of the user's own, or of
// the folder's owner, is followed; in a folder of the user's own, another
// user's hard-linked file is written in place as before. Run as two users.
TEST(Failure, AnotherUsersNamesInASharedFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to run the converter as one user among files of another";
    const KernelRulesOff kernelRulesOff;
    constexpr uid_t kUser = 65534, kOther = 65533;
    ScratchDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "own").c_str(), 0755), 0);
    ASSERT_EQ(::chown((dir / "own").c_str(), kUser, kUser), 0);
    const auto fresh = [&] {  // root's, as /tmp
        std::filesystem::remove_all(dir / "shared");
        ASSERT_EQ(::mkdir((dir / "shared").c_str(), 0), 0);
        ASSERT_EQ(::chmod((dir / "shared").c_str(), 01777), 0);
    };
    const auto link = [&](const std::string& to, const std::string& name, uid_t owner) {
        ASSERT_EQ(::symlink(to.c_str(), (dir / name).c_str()), 0);
        ASSERT_EQ(::lchown((dir / name).c_str(), owner, owner), 0);
    };
    const auto earlier = [&](const std::string& name, const std::string& other, uid_t owner) {
        dir.Write(name, kEarlier);
        ASSERT_EQ(::link((dir / name).c_str(), (dir / other).c_str()), 0);
        ASSERT_EQ(::chown((dir / name).c_str(), owner, owner), 0);
        ASSERT_EQ(::chmod((dir / name).c_str(), 0666), 0);
    };
    const auto convert = [&](const std::string& folder) {
        dir.Write("own/precious", "the user's own file\n");
        ::chown((dir / "own/precious").c_str(), kUser, kUser);
        dir.Write(folder + "/model.dat3", kModel);
        return RunCmd(dir, folder + "/model.dat3", Unprivileged());
    };
    const auto written = [&](const std::string& name) { return dir.Read(name).rfind(" 1\r\nVERSION", 0) == 0; };
    const std::string refused = "shared/model.std: cannot create: Permission denied\n";

    // The user's own link to another user's: no link of the chain is
    // followed that the rule does not trust.
    fresh();
    link("theirs.std", "shared/model.std", kUser);
    link("../own/precious", "shared/theirs.std", kOther);
    CmdRun run = convert("shared");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, refused);
    EXPECT_EQ(dir.Read("own/precious"), "the user's own file\n");
    EXPECT_EQ(ScratchDir::ListOf(dir / "shared"), "model.dat3 model.std theirs.std");
    // The user's own link, and the folder owner's: followed.
    for (uid_t owner : {kUser, uid_t{0}}) {
        SCOPED_TRACE(owner);
        fresh();
        link("../own/precious", "shared/model.std", owner);
        run = convert("shared");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(written("own/precious"));
        EXPECT_EQ(std::filesystem::read_symlink(dir / "shared/model.std"), "../own/precious");
    }
    // Another user's file with a second name there: not written in place.
    // (With one name only, replacing it would meet the sticky bit too.)
    fresh();
    earlier("shared/model.std", "shared/theirs.std", kOther);
    run = convert("shared");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, refused);
    EXPECT_EQ(dir.Read("shared/model.std"), kEarlier);
    EXPECT_EQ(ScratchDir::ListOf(dir / "shared"), "model.dat3 model.std theirs.std");
    // The same hard link in the user's own folder: written in place.
    earlier("own/model.std", "own/theirs.std", kOther);
    run = convert("own");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(written("own/theirs.std"));
    EXPECT_EQ(dir.Read("own/model.std"), dir.Read("own/theirs.std"));
}

// 200,000 nodes and elements, one result file cut short and one with a bad
// record, convert within 48 MiB of address space, where tables of every value
// (39 MB) would not fit, to the bytes of the same job run here without the
// limit. (A sanitizer's shadow memory needs far more address space.)
TEST(Failure, StreamsUnderAMemoryLimit) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory needs more address space";
#endif
    test::LargeModel large(200000);
    large.results[1].resize(large.results[1].size() * 3 / 4);  // ends inside a record
    large.results[2][large.results[2].find(test::Int(150000, 8) + ":") + 9 + 2 * 24 + 1] = 'x';
    ScratchDir dir;
    const test::Converted free = large.ConvertIn(dir);
    for (const char* threads : {"1", "2"}) {
        const CmdRun run = RunCmd(dir, "model.dat3", std::string("env MALLOC_ARENA_MAX=1 COR2TAVIK_THREADS=") +
                                                          threads + " prlimit --as=" + std::to_string(48 << 20));
        EXPECT_EQ(run.status, 3) << threads << run.err;
        EXPECT_EQ(run.err, "./Stress.dat:150003: the file ends after 150000 of 200000 records; the rest are 0\n"
                           "./Strain.dat:150003: record 150000: component 3: \"x.0000000000000000E+\" is not a number\n");
        // The version line aside.
        EXPECT_EQ(test::FirstDifference(dir.Read("model.std").substr(49), free.output.substr(49)), "") << threads;
    }
}

// Bytes fed into a FIFO by a child process, so that hundreds of megabytes
// never touch the disk: each piece `count` times.
struct Piece {
    std::string bytes;
    std::size_t count = 1;
};
pid_t Feed(const std::string& fifo, std::vector<Piece> pieces) {
    if (::mkfifo(fifo.c_str(), 0644) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    std::signal(SIGPIPE, SIG_DFL);
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    for (const Piece& piece : pieces)
        for (std::size_t i = 0; i < piece.count; ++i)
            for (std::size_t done = 0; done < piece.bytes.size();) {
                const ssize_t n = ::write(fd, piece.bytes.data() + done, piece.bytes.size() - done);
                if (n <= 0) ::_exit(1);
                done += static_cast<std::size_t>(n);
            }
    ::_exit(0);
}

// Inputs with lines and tokens of hundreds of megabytes convert, or are
// refused with a message, in 64 MiB of address space: memory does not
// follow the input.
TEST(Failure, LongLinesAndTokensUnderAMemoryLimit) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory needs more address space";
#endif
    const std::string limited = "env MALLOC_ARENA_MAX=1 prlimit --as=" + std::to_string(64 << 20);
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::string blanks(kMiB, ' '), digits(kMiB, '7');
    const std::string nodes = "t\ns\nNODE 1\n1 0 0 0\n";
    const std::string element = "1 304 4 1 1 1 1\n";
    const struct {
        const char* what;
        std::vector<Piece> model, displacement;
        int status;
        std::string err;
    } cases[] = {
        // A file of zeros without a line end (as large as any: read, not held).
        {"no line end", {}, {}, 1, "model.dat3:1: the file ends before its node count line (line 3)\n"},
        {"100 MB of blanks in an element line",
         {{nodes + "ELEM 1\n1 304 4"}, {blanks, 100}, {" 1 1 1 1\n"}}, {}, 0, ""},
        {"a coordinate of 50 MB of digits",
         {{"t\ns\nNODE 1\n1 0 0 1."}, {digits, 50}, {"\nELEM 1\n" + element}}, {}, 0, ""},
        {"a result header line of 200 MB",
         {{nodes + "ELEM 0\n"}}, {{"D"}, {digits, 200}, {"\nNODE = 1\n\n1: 1 2 3\n"}}, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        std::vector<pid_t> feeders;
        if (c.model.empty()) {
            const int fd = ::open((dir / "model.dat3").c_str(), O_WRONLY | O_CREAT, 0644);
            ASSERT_EQ(::ftruncate(fd, 300 * kMiB), 0);
            ::close(fd);
        } else {
            feeders.push_back(Feed(dir / "model.dat3", c.model));
        }
        if (!c.displacement.empty()) feeders.push_back(Feed(dir / "Displacement.dat", c.displacement));
        for (const char* threads : {"1", "2"}) {
            const CmdRun run = RunCmd(dir, "model.dat3", std::string(limited) + " env COR2TAVIK_THREADS=" + threads);
            EXPECT_EQ(run.status, c.status) << run.err;
            EXPECT_EQ(run.err, c.err);
            if (!feeders.empty()) break;  // a FIFO is read once
        }
        for (pid_t feeder : feeders) {
            ::kill(feeder, SIGKILL);
            ::waitpid(feeder, nullptr, 0);
        }
    }
}

}  // namespace
}  // namespace cor2tavik
