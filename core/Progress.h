// How far a job has read its input, as a fraction of the input files'
// bytes, for the caller's progress callback.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include "TextReader.h"

namespace cor2tavik {

class Progress {
public:
    // `total`: the input's bytes (of regular files; a pipe counts 0).
    Progress(const std::function<void(double)>& report, std::uint64_t total) : report_(report), total_(total) {}

    // The file being read now; the ones before it count as read whole.
    void Reading(const TextReader* file, std::uint64_t size) {
        if (file_ != nullptr) done_ += size_;
        file_ = file;
        size_ = size;
    }

    // Reports, when a tenth of a second has passed since the last report.
    void Tick() {
        if (!report_) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < kInterval) return;
        last_ = now;
        const std::uint64_t read = done_ + (file_ != nullptr ? std::min(file_->consumed(), size_) : 0);
        const double fraction = total_ == 0 ? 0 : std::min(1.0, double(read) / double(total_));
        // Never backwards, and 1 only from Done.
        reported_ = std::max(reported_, std::min(fraction, 0.999));
        report_(reported_);
    }

    // Everything read.
    void Done() {
        if (report_) report_(1.0);
    }

private:
    static constexpr std::chrono::milliseconds kInterval{100};

    const std::function<void(double)>& report_;
    const std::uint64_t total_;
    std::uint64_t done_ = 0;
    const TextReader* file_ = nullptr;
    std::uint64_t size_ = 0;
    double reported_ = 0;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace cor2tavik
