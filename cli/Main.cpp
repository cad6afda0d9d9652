// Cor2TavikCmd: converts one model file (and the result files beside it) into
// a neutral file.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Console.h"
#include "ProgressLine.h"
#include "cor2tavik/Conversion.h"
#include "cor2tavik/VersionInfo.h"

namespace {

// Exit statuses.
constexpr int kWritten = 0;
constexpr int kNotWritten = 1;
constexpr int kUsage = 2;
constexpr int kWrittenWithProblems = 3;

// Input problems printed before the rest are only counted.
constexpr std::size_t kPrintedProblems = 50;

// "FILE:LINE: message" in either language, for tools that jump to the line.
void PrintLocated(const cor2tavik::Problem& problem, cor2tavik::Language language) {
    std::string text = problem.file;
    if (problem.line > 0) text += ':' + std::to_string(problem.line);
    text += ": " + cor2tavik::Message(problem, language) + '\n';
    cor2tavik::Write(stderr, text);
}

int Run(int argc, char** argv, cor2tavik::Language language, std::string& model) {
    const std::vector<std::string> arguments = cor2tavik::CommandLineArguments(argc, argv);
    if (arguments.size() < 2) {
        cor2tavik::Write(stderr, cor2tavik::Say(cor2tavik::Text::usage, language));
        return kUsage;
    }
    if (arguments[1] == "-h" || arguments[1] == "--help") {
        cor2tavik::Write(stdout, cor2tavik::Say(cor2tavik::Text::usage, language));
        return kWritten;
    }
    if (arguments[1] == "-V" || arguments[1] == "--version") {
        std::fputs("Cor2TavikCmd " VER_VERSION_STR "\n", stdout);
        return kWritten;
    }

    model = arguments[1];
    cor2tavik::ConversionOptions options;
    cor2tavik::PhaseTimes times;
    // For benchmarks: the time of each phase, on stderr.
    const bool reportTimes = std::getenv("COR2TAVIK_PHASE_TIMES") != nullptr;
    if (reportTimes) options.phaseTimes = &times;
    // For benchmarks and tests: the threads to use in all (see ConversionOptions).
    if (const char* threads = std::getenv("COR2TAVIK_THREADS")) {
        const char* end = threads + std::strlen(threads);
        unsigned value = 0;
        if (std::from_chars(threads, end, value).ptr == end) options.threads = value;
    }

    cor2tavik::ProgressLine progress(cor2tavik::SplitModelPath(arguments[1]).stem + ".dat3");
    if (progress.active()) options.progress = [&](double fraction) { progress.Show(fraction); };
    const cor2tavik::ConversionReport report = cor2tavik::ConvertModelFile(arguments[1], options);
    progress.Clear();

    std::size_t printed = 0;
    for (const cor2tavik::Problem& problem : report.problems) {
        if (printed++ == kPrintedProblems) break;
        PrintLocated(problem, language);
    }
    if (report.problemCount > kPrintedProblems)
        cor2tavik::Write(stderr, cor2tavik::Say(cor2tavik::Text::moreProblems, language,
                                                {std::to_string(report.problemCount - kPrintedProblems)}));
    if (report.failure) {
        PrintLocated(*report.failure, language);
        return kNotWritten;
    }
    if (reportTimes)
        std::fprintf(stderr, "phase times (s): model %.3f, results %.3f, commit %.3f\n", times.model, times.results,
                     times.commit);
    return report.problemCount == 0 ? kWritten : kWrittenWithProblems;
}

}  // namespace

int main(int argc, char** argv) {
    cor2tavik::EndCleanlyOnInterrupt();
    const cor2tavik::Language language = cor2tavik::UserLanguage();
    std::string model;
    try {
        return Run(argc, argv, language, model);
    } catch (...) {
        // The last line of defence: whatever escaped is a failure like any
        // other, in the same words.
        PrintLocated(*cor2tavik::MemoryExhausted(model.empty() ? "Cor2TavikCmd" : model).failure, language);
        return kNotWritten;
    }
}
