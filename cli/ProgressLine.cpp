#include "ProgressLine.h"

#include <cstdio>

#include "CommandLine.h"

namespace cor2tavik {

ProgressLine::ProgressLine(std::string name) : name_(std::move(name)), active_(StderrIsTerminal()) {}

void ProgressLine::Show(double fraction) {
    if (!active_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    const int percent = static_cast<int>(fraction * 100);
    if (percent == shown_) return;
    shown_ = percent;
    const std::string line = name_ + ": " + std::to_string(percent) + "%";
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    length_ = line.size();
}

void ProgressLine::Clear() {
    if (shown_ < 0) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(length_), "");
    std::fflush(stderr);
    shown_ = -1;
}

}  // namespace cor2tavik
