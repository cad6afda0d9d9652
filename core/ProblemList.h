// Input problems found while reading one file.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "NumberScan.h"
#include "cor2tavik/Conversion.h"

namespace cor2tavik {

class ProblemList {
public:
    explicit ProblemList(std::string file) : file_(std::move(file)) {}

    // The problem, made by name ({.line = 3, .reason = ...}), placed in this file.
    Problem In(Problem problem) const {
        problem.file = file_;
        return problem;
    }

    void Add(Problem problem) {
        ++count_;
        if (kept_.size() < ConversionReport::kMaxKeptProblems) kept_.push_back(In(std::move(problem)));
    }

    const std::string& file() const { return file_; }

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

// Why a field did not scan.
inline Reason FieldReason(ScanStatus status) {
    return status == ScanStatus::overflow ? Reason::fieldTooWide
           : status == ScanStatus::end    ? Reason::fieldMissing
                                          : Reason::fieldNotANumber;
}

}  // namespace cor2tavik
