// Input problems found while reading one file.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "cor2tavik/Conversion.h"

namespace cor2tavik {

class ProblemList {
public:
    explicit ProblemList(std::string file) : file_(std::move(file)) {}

    void Add(long line, std::string message) {
        ++count_;
        if (kept_.size() < ConversionReport::kMaxKeptProblems)
            kept_.push_back(Problem{file_, line, std::move(message)});
    }

    Failure Fail(long line, std::string message) const { return Failure{file_, line, std::move(message)}; }

    const std::string& file() const { return file_; }
    std::size_t count() const { return count_; }

    void MoveInto(ConversionReport& report) {
        report.problemCount += count_;
        for (auto& p : kept_) {
            if (report.problems.size() == ConversionReport::kMaxKeptProblems) break;
            report.problems.push_back(std::move(p));
        }
        kept_.clear();
        count_ = 0;
    }

private:
    std::string file_;
    std::vector<Problem> kept_;
    std::size_t count_ = 0;
};

// Decimal text of a number, for messages.
inline std::string Str(long long value) { return std::to_string(value); }

}  // namespace cor2tavik
