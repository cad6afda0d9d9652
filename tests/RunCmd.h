// Runs the console converter as a subprocess, for the tests of its contract.
#pragma once

#include <sys/resource.h>

#include <cstddef>
#include <string>
#include <vector>

namespace cor2tavik::test {

// The exit status of a child that could not drop root to run as nobody.
inline constexpr int kCannotDropRoot = 125;

struct RunOptions {
    rlim_t fileSizeLimit = RLIM_INFINITY;
    // Run as nobody when root, so that permissions bind.
    bool unprivileged = false;
    // Refuse any allocation above this; 0 for no limit.
    std::size_t memoryLimitMb = 0;
};

struct CmdResult {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// Runs Cor2TavikCmd with `args` in the directory `cwd`.
CmdResult RunCmd(const std::vector<std::string>& args, const std::string& cwd, const RunOptions& options = {});

}  // namespace cor2tavik::test
