// A running job's progress as the dialog shows it: in the caption
// ("Cor2Tavik - 45%") once the job has run for a second, and only when the
// percentage changes (ProgressFilter), so that a quick job never flickers the
// caption.
#pragma once

#include <functional>
#include <string>

#include "cor2tavik/ProgressFilter.h"

namespace dialogkit {

// What a job is given to report the fraction of its work done (0 to 1),
// from its own thread.
using JobProgress = std::function<void(double)>;

// Shown by the rule the console program follows too.
using cor2tavik::ProgressFilter;

inline std::string CaptionWithPercent(const std::string& caption, int percent) {
    return caption + " - " + std::to_string(percent) + "%";
}

}  // namespace dialogkit
