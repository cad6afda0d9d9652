// What both sides of Platform.h do alike: fresh names for temporary files,
// and the state an interrupt and a commit agree through.
#pragma once

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "Platform.h"

namespace cor2tavik::platform {

// Calls `attempt` with fresh names in `directory` until one is not taken
// (EEXIST). Hidden, and short: the output's own name may be near the
// system's limit.
template <typename Attempt>
int WithFreshName(const std::string& directory, Attempt attempt) {
    std::random_device seed;
    std::minstd_rand random(seed());
    int error = EEXIST;
    for (int i = 0; i < 100 && error == EEXIST; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, ".cor2tavik-%08x.tmp", static_cast<unsigned>(random()));
        error = attempt(directory + name);
    }
    return error;
}

// Idle, a commit under way, or an interrupt ending the process: whichever
// of a commit and an interrupt comes first, the other waits for it. Plain
// atomics, which a signal handler may use.
enum InterruptState : int { kIdle, kCommitting, kInterrupted };
inline std::atomic<int> g_interruptState{kIdle};

// Moves from idle to `next`; false, with the state found, otherwise.
inline bool LeaveIdle(int next, int& found) {
    found = kIdle;
    return g_interruptState.compare_exchange_strong(found, next);
}

}  // namespace cor2tavik::platform
