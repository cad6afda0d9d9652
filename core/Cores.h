// Whether this process may run on more than one core: the conversion only
// spreads its work over threads when it can.
#pragma once

#include <sched.h>

namespace cor2tavik {

inline bool HasSecondCore() {
    static const bool has = [] {
        cpu_set_t set;
        return ::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 1;
    }();
    return has;
}

}  // namespace cor2tavik
