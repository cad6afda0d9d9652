// Input problems found while reading one file.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "NumberScan.h"
#include "cor2tavik/Conversion.h"

namespace cor2tavik {

// A problem in `file`: at `line`, or with line 0 about the file as a whole,
// where `systemError` may say what the system answered.
inline Problem MakeProblem(std::string file, long line, Reason reason, int systemError = 0, std::string subject = {},
                           long long n0 = 0, long long n1 = 0, std::string detail = {}) {
    Problem p;
    p.file = std::move(file);
    p.line = line;
    p.reason = reason;
    p.systemError = systemError;
    p.subject = std::move(subject);
    p.detail = std::move(detail);
    p.numbers = {n0, n1};
    return p;
}

class ProblemList {
public:
    explicit ProblemList(std::string file) : file_(std::move(file)) {}

    // A problem at `line` of this file.
    Problem Make(long line, Reason reason, std::string subject = {}, long long n0 = 0, long long n1 = 0,
                 std::string detail = {}) const {
        return MakeProblem(file_, line, reason, 0, std::move(subject), n0, n1, std::move(detail));
    }

    void Add(Problem problem) {
        ++count_;
        if (kept_.size() < ConversionReport::kMaxKeptProblems) kept_.push_back(std::move(problem));
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

// Decimal text of a number, for a problem's subject.
inline std::string Str(long long value) { return std::to_string(value); }

// Why a field did not scan.
inline Reason FieldReason(ScanStatus status) {
    return status == ScanStatus::overflow ? Reason::fieldTooWide
           : status == ScanStatus::end    ? Reason::fieldMissing
                                          : Reason::fieldNotANumber;
}

}  // namespace cor2tavik
