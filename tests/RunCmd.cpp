#include "RunCmd.h"

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "TestSupport.h"

extern char** environ;

#if defined(__SANITIZE_ADDRESS__)
#define COR2TAVIK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define COR2TAVIK_ASAN 1
#endif
#endif

namespace cor2tavik::test {

namespace {
constexpr uid_t kNobody = 65534;
}  // namespace

CmdResult RunCmd(const std::vector<std::string>& args, const std::string& cwd, const RunOptions& options) {
    ScratchDir capture;
    const std::string outPath = capture / "out", errPath = capture / "err";
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
#ifdef COR2TAVIK_ASAN
    // The sanitizer's shadow memory rules out an address space limit: it
    // refuses the allocation itself.
    if (options.memoryLimitMb != 0) {
        const char* asan = std::getenv("ASAN_OPTIONS");
        std::erase_if(env, [](const std::string& e) { return e.rfind("ASAN_OPTIONS=", 0) == 0; });
        env.push_back("ASAN_OPTIONS=" + std::string(asan ? asan : "") +
                      ":max_allocation_size_mb=" + std::to_string(options.memoryLimitMb));
    }
#endif
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argCopies = args;
    std::vector<char*> argv{const_cast<char*>(COR2TAVIK_CMD)};
    for (auto& a : argCopies) argv.push_back(a.data());
    argv.push_back(nullptr);
    const bool dropRoot = options.unprivileged && ::geteuid() == 0;

    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0) _exit(126);
        if (!std::freopen(outPath.c_str(), "w", stdout) || !std::freopen(errPath.c_str(), "w", stderr)) _exit(126);
        if (options.fileSizeLimit != RLIM_INFINITY) {
            // A write past the limit then fails with EFBIG instead of killing.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
#ifndef COR2TAVIK_ASAN
        if (options.memoryLimitMb != 0) {
            const rlim_t bytes = rlim_t{options.memoryLimitMb} << 20;
            const rlimit limit{bytes, bytes};
            if (::setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
        }
#endif
        if (dropRoot && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            _exit(kCannotDropRoot);
        ::execve(COR2TAVIK_CMD, argv.data(), envp.data());
        // As nobody, the converter's directory may be out of reach.
        _exit(dropRoot ? kCannotDropRoot : 127);
    }
    CmdResult run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = test::ReadFile(outPath);
    run.err = test::ReadFile(errPath);
    return run;
}

}  // namespace cor2tavik::test
