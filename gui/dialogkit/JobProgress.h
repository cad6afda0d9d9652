// A running job's progress as the dialog shows it: in the caption
// ("Cor2Tavik - 45%") once the job has run for a second, and only when the
// percentage changes, so that a quick job never flickers the caption.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace dialogkit {

// What a job is given to report the fraction of its work done (0 to 1),
// from its own thread.
using JobProgress = std::function<void(double)>;

class ProgressFilter {
public:
    // The percentage to show now, if any; called on the job's thread.
    std::optional<int> Next(double fraction) {
        if (std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return std::nullopt;
        const int percent = static_cast<int>(fraction * 100);
        if (percent == shown_) return std::nullopt;
        shown_ = percent;
        return percent;
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    int shown_ = -1;
};

inline std::string CaptionWithPercent(const std::string& caption, int percent) {
    return caption + " - " + std::to_string(percent) + "%";
}

}  // namespace dialogkit
