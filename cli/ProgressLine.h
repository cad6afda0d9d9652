// The line "model.dat3: 45%" on a terminal while a long job runs: shown once
// the job has taken a second, rewritten in place, and wiped at the end, so
// that what follows starts on a clean line. Nothing at all when stderr is
// not a terminal, so that scripts see the same bytes.
#pragma once

#include <string>

#include "cor2tavik/ProgressFilter.h"

namespace cor2tavik {

class ProgressLine {
public:
    explicit ProgressLine(std::string name);
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(double fraction);
    void Clear();

    // False when stderr is not a terminal: Show does nothing.
    bool active() const { return active_; }

private:
    std::string name_;
    bool active_;
    ProgressFilter filter_;
    std::size_t length_ = 0;  // the line's length, for wiping it
};

}  // namespace cor2tavik
