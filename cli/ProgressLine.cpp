#include "ProgressLine.h"

#include <cstdio>

#include "CommandLine.h"

namespace cor2tavik {

ProgressLine::ProgressLine(std::string name) : name_(std::move(name)), active_(StderrIsTerminal()) {}

void ProgressLine::Show(double fraction) {
    if (!active_) return;
    const std::optional<int> percent = filter_.Next(fraction);
    if (!percent) return;
    const std::string line = name_ + ": " + std::to_string(*percent) + "%";
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    length_ = line.size();
}

void ProgressLine::Clear() {
    if (!filter_.shown()) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(length_), "");
    std::fflush(stderr);
    filter_.Reset();
}

}  // namespace cor2tavik
