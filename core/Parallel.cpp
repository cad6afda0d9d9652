#include "Parallel.h"

#include "Platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace cor2tavik {

bool WantWorkers(unsigned threads) {
    // On one core the worker would only take turns with the caller.
    if (threads == 0) threads = platform::CoreCount() > 1 ? 2 : 1;
    return threads >= 2;
}

bool WantReadAhead(unsigned threads) { return WantWorkers(threads) && platform::ReadAheadPays(); }

#ifdef _WIN32
static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

namespace {
PSRWLOCK Srw(void*& p) { return reinterpret_cast<PSRWLOCK>(&p); }
PCONDITION_VARIABLE Variable(void*& p) { return reinterpret_cast<PCONDITION_VARIABLE>(&p); }
}  // namespace

void Mutex::lock() { AcquireSRWLockExclusive(Srw(srw_)); }
void Mutex::unlock() { ReleaseSRWLockExclusive(Srw(srw_)); }
void Condition::notify_one() { WakeConditionVariable(Variable(variable_)); }
void Condition::notify_all() { WakeAllConditionVariable(Variable(variable_)); }
// No time limit: it returns only when woken (or, rarely, spuriously; the
// caller's loop tests again).
void Condition::Wait(Mutex& mutex) { SleepConditionVariableSRW(Variable(variable_), Srw(mutex.srw_), INFINITE, 0); }
#endif

}  // namespace cor2tavik
