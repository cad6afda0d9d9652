#include "Parallel.h"

#include "Platform.h"

namespace cor2tavik {

ThreadPlan PlanThreads(unsigned threads) {
    // On one core the workers would only take turns with the caller.
    if (threads == 0) threads = platform::CoreCount() > 1 ? 2 : 1;
    return {threads >= 2};
}

}  // namespace cor2tavik
