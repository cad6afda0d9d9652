// Runs the console converter as a subprocess, for failures that need a
// special setup: a file size limit, or a user whom permissions bind.
#pragma once

#include <sys/resource.h>

#include <string>
#include <vector>

namespace cor2tavik::test {

// The exit status of a child that could not drop root to run as nobody.
inline constexpr int kCannotDropRoot = 125;

struct RunOptions {
    rlim_t fileSizeLimit = RLIM_INFINITY;
    bool unprivileged = false;  // run as nobody when root
};

struct CmdResult {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string err;
};

// Runs Cor2TavikCmd with `args` in the directory `cwd`; stdout is dropped.
CmdResult RunCmd(const std::vector<std::string>& args, const std::string& cwd, const RunOptions& options = {});

}  // namespace cor2tavik::test
