// Which threads a job runs, and the one way they hand work to each other.
//
// Each worker is a std::jthread owned by the object whose work it does, and
// every wait a worker makes takes its stop token: destroying the owner (on
// any way out of a job) stops the worker's waits and joins it, whatever
// else has or has not happened yet.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <stop_token>
#include <system_error>
#include <thread>
#include <utility>

namespace cor2tavik {

// The workers besides the caller's thread (see ConversionOptions::threads).
struct ThreadPlan {
    bool formatter = false;  // formats and writes the blocks while the caller reads on
};

ThreadPlan PlanThreads(unsigned threads);

// Runs work(stop_token) on a new thread when `wanted`; an empty jthread when
// not, or when no thread can be started: the caller then does the work.
template <typename Work>
std::jthread StartWorker(bool wanted, Work&& work) {
    if (!wanted) return {};
    try {
        return std::jthread(std::forward<Work>(work));
    } catch (const std::system_error&) {
        return {};
    }
}

// Items passed from one thread to another in order. After Close, Pop hands
// out what is left, then nothing.
template <typename T>
class Channel {
public:
    void Push(T item) {
        {
            std::lock_guard lock(mutex_);
            items_.push_back(std::move(item));
        }
        changed_.notify_all();
    }
    void Close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
    }
    // The next item; nothing once the channel is closed and empty, or the
    // stop is requested.
    std::optional<T> Pop(std::stop_token stop = {}) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait(lock, stop, [&] { return !items_.empty() || closed_; }) || items_.empty())
            return std::nullopt;
        T item = std::move(items_.front());
        items_.pop_front();
        return item;
    }

private:
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<T> items_;
    bool closed_ = false;
};

}  // namespace cor2tavik
