// When a job's progress is worth showing: once the job has run for a second,
// and then only when the percentage changes, so that a quick job shows
// nothing and a slow one does not redraw for nothing. Both front ends show
// progress by this rule.
#pragma once

#include <chrono>
#include <optional>

namespace cor2tavik {

class ProgressFilter {
public:
    // The percentage to show now, if any.
    std::optional<int> Next(double fraction) {
        if (std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return std::nullopt;
        const int percent = static_cast<int>(fraction * 100);
        if (percent == shown_) return std::nullopt;
        shown_ = percent;
        return percent;
    }

    // Shown anything yet.
    bool shown() const { return shown_ >= 0; }
    // Forget what was shown: the next change shows again.
    void Reset() { shown_ = -1; }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    int shown_ = -1;
};

}  // namespace cor2tavik
