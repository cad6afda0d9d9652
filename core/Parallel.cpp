#include "Parallel.h"

#include "Platform.h"

namespace cor2tavik {

bool WantWorkers(unsigned threads) {
    // On one core the worker would only take turns with the caller.
    if (threads == 0) threads = platform::CoreCount() > 1 ? 2 : 1;
    return threads >= 2;
}

bool WantReadAhead(unsigned threads) { return WantWorkers(threads) && platform::ReadAheadPays(); }

}  // namespace cor2tavik
