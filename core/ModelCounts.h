// The model's node and element counts, handed from the thread that reads the
// model to the one that reads the result files as soon as each is known:
// the result files are sized by them, and the element count only comes
// after all the node records.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace cor2tavik {

class ModelCounts {
public:
    void SetNodes(std::int32_t count) { Set(nodes_, count); }
    void SetElements(std::int32_t count) { Set(elements_, count); }
    // The whole model was read without a failure.
    void SetModelRead() {
        std::lock_guard lock(mutex_);
        modelRead_ = true;
        changed_.notify_all();
    }
    // Nothing more will come: the model was refused.
    void Abandon() {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        changed_.notify_all();
    }

    // Wait for a count, or the whole model; false when the model was refused
    // before it.
    bool WaitNodes(std::int32_t& count) { return Wait(nodes_, count); }
    bool WaitElements(std::int32_t& count) { return Wait(elements_, count); }
    bool WaitModelRead() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return modelRead_ || abandoned_; });
        return modelRead_;
    }

private:
    void Set(std::optional<std::int32_t>& slot, std::int32_t count) {
        std::lock_guard lock(mutex_);
        slot = count;
        changed_.notify_all();
    }
    bool Wait(const std::optional<std::int32_t>& slot, std::int32_t& count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return slot || abandoned_; });
        if (!slot) return false;
        count = *slot;
        return true;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::int32_t> nodes_;
    std::optional<std::int32_t> elements_;
    bool modelRead_ = false;
    bool abandoned_ = false;
};

}  // namespace cor2tavik
