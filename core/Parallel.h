// Which threads a job runs, and the ring that passes work from one to another.
//
// Each worker is a std::jthread owned by the object whose work it does:
// destroying the owner (on any way out of a job, an exception included)
// closes what the worker waits on, which wakes it under that wait's own
// lock, and joins it, whatever else has or has not happened yet. No wait
// takes a stop token: in the Windows builds a wait woken by a stop request
// was seen to hang for good (the worker stuck handing its stop callback
// back, the owner in join). A worker allocates nothing and so throws
// nothing: every failure of a job, running out of memory among them,
// happens on the caller's thread.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <new>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace cor2tavik {

// Whether a job has a worker besides the caller's thread (see
// ConversionOptions::threads): one that formats and writes the blocks while
// the caller reads on.
bool WantWorkers(unsigned threads);
// Whether, besides, the input files' next chunks are read on a thread of
// their own: with workers, where that pays (platform::ReadAheadPays).
bool WantReadAhead(unsigned threads);

// Runs work() on a new thread when `wanted`; an empty jthread when
// not, or when no thread can be started (the system refuses one, or there is
// no memory for it): the caller then does the work.
template <typename Work>
std::jthread StartWorker(bool wanted, Work&& work) {
    if (!wanted) return {};
    try {
        return std::jthread(std::forward<Work>(work));
    } catch (const std::system_error&) {
        return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// The lock and condition the threads meet under. On Windows the system's
// slim lock and condition variable: the C++ runtime's (winpthreads) wait on
// and signal a semaphore, a kernel object, which under Wine is a round trip
// to its server each time (about 1,700 of them at 100^3, 3 to 6% of the x64
// build's time). Elsewhere the standard ones.
#ifdef _WIN32
class Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void lock();
    void unlock();

private:
    friend class Condition;
    void* srw_ = nullptr;  // an SRWLOCK: one pointer, free when null
};

class Condition {
public:
    Condition() = default;
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;
    template <typename Ready>
    void wait(std::unique_lock<Mutex>& lock, Ready ready) {
        while (!ready()) Wait(*lock.mutex());
    }
    void notify_one();
    void notify_all();

private:
    void Wait(Mutex& mutex);
    void* variable_ = nullptr;  // a CONDITION_VARIABLE: one pointer, null at first
};
#else
using Mutex = std::mutex;
using Condition = std::condition_variable;
#endif

// Items passed from one thread to another in order, at most `Capacity` at a
// time: a fixed ring, so that passing an item never allocates. Push waits
// for room (the users size it so that it never has to). After Close, Pop
// hands out what is left, then nothing.
template <typename T, std::size_t Capacity>
class Channel {
public:
    void Push(T item) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return count_ < Capacity; });
            items_[(head_ + count_++) % Capacity] = std::move(item);
        }
        changed_.notify_all();
    }
    void Close() { End(false); }
    // Closes, and drops what is still queued.
    void Abandon() { End(true); }
    // The next item; nothing once the channel is closed and empty.
    std::optional<T> Pop() {
        std::optional<T> item;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return count_ != 0 || closed_; });
            if (count_ == 0) return item;
            item.emplace(std::move(items_[head_]));
            head_ = (head_ + 1) % Capacity;
            --count_;
        }
        changed_.notify_all();
        return item;
    }

private:
    void End(bool drop) {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
            if (drop) count_ = 0;  // the items go with the channel
        }
        changed_.notify_all();
    }

    Mutex mutex_;
    Condition changed_;
    std::array<T, Capacity> items_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    bool closed_ = false;
};

}  // namespace cor2tavik
