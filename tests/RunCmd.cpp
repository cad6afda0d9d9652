#include "RunCmd.h"

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "TestSupport.h"

namespace cor2tavik::test {

CmdResult RunCmd(const std::vector<std::string>& args, const std::string& cwd, const RunOptions& options) {
    constexpr uid_t kNobody = 65534;
    ScratchDir capture;
    const std::string errPath = capture / "err";
    std::vector<std::string> argCopies = args;
    std::vector<char*> argv{const_cast<char*>(COR2TAVIK_CMD)};
    for (auto& a : argCopies) argv.push_back(a.data());
    argv.push_back(nullptr);
    const bool dropRoot = options.unprivileged && ::geteuid() == 0;

    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0) _exit(126);
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen(errPath.c_str(), "w", stderr)) _exit(126);
        if (options.fileSizeLimit != RLIM_INFINITY) {
            // A write past the limit then fails with EFBIG instead of killing.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        if (dropRoot && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            _exit(kCannotDropRoot);
        ::execv(COR2TAVIK_CMD, argv.data());
        // As nobody, the converter's directory may be out of reach.
        _exit(dropRoot ? kCannotDropRoot : 127);
    }
    CmdResult run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.err = ReadFile(errPath);
    return run;
}

}  // namespace cor2tavik::test
