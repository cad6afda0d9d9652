// RunTimed: runs a command and prints its wall-clock time and peak resident
// memory on stdout, for the benchmark script.
//
//   RunTimed COMMAND [ARG...]
//
// prints "seconds=S maxrss_kib=K status=X" after the command ends; the
// command's own output passes through. Exits with the command's status.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: RunTimed COMMAND [ARG...]\n", stderr);
        return 2;
    }
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("RunTimed: fork");
        return 2;
    }
    if (child == 0) {
        ::execvp(argv[1], argv + 1);
        std::perror("RunTimed: exec");
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) < 0) {
        std::perror("RunTimed: wait4");
        return 2;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    // ru_maxrss is in KiB on Linux.
    std::printf("seconds=%.6f maxrss_kib=%ld status=%d\n", seconds, usage.ru_maxrss, code);
    return code;
}
