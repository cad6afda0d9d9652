#include "ProgressLine.h"

#include <cstdio>

#include "Console.h"

namespace cor2tavik {

ProgressLine::ProgressLine(std::string name) : name_(std::move(name)), active_(StderrIsTerminal()) {}

void ProgressLine::Show(double fraction) {
    if (!active_) return;
    const std::optional<int> percent = filter_.Next(fraction);
    if (!percent) return;
    std::string line = "\r";
    line.append(name_).append(": ").append(std::to_string(*percent)).append("%");
    Write(stderr, line);
    std::fflush(stderr);
    length_ = line.size() - 1;
}

void ProgressLine::Clear() {
    if (!filter_.shown()) return;
    std::string blank(length_ + 2, ' ');
    blank.front() = blank.back() = '\r';
    Write(stderr, blank);
    std::fflush(stderr);
    filter_.Reset();
}

}  // namespace cor2tavik
