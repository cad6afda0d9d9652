#include "ProgressLine.h"

#include <cstdio>

#include "Console.h"

namespace cor2tavik {

ProgressLine::ProgressLine(std::string name) : name_(std::move(name)), active_(StderrIsTerminal()) {}

void ProgressLine::Show(double fraction) {
    if (!active_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    const int percent = static_cast<int>(fraction * 100);
    if (percent == shown_) return;
    shown_ = percent;
    std::string line = "\r";
    line.append(name_).append(": ").append(std::to_string(percent)).append("%");
    Write(stderr, line);
    std::fflush(stderr);
    length_ = line.size() - 1;
}

void ProgressLine::Clear() {
    if (shown_ < 0) return;
    std::string blank(length_ + 2, ' ');
    blank.front() = blank.back() = '\r';
    Write(stderr, blank);
    std::fflush(stderr);
    shown_ = -1;
}

}  // namespace cor2tavik
