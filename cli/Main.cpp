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

// What the arguments ask for. Options may come anywhere before "--"; the
// first that decides wins. Every other argument is a path, the first of
// them the model's.
struct Request {
    enum { convert, help, version, usageError } action = convert;
    std::string unknown;             // the option not ours, for a usage error
    std::vector<std::string> paths;  // from the model's on
};

#ifdef _WIN32
constexpr bool kSlashQuestionIsHelp = true;  // as every Windows console program
#else
constexpr bool kSlashQuestionIsHelp = false;
#endif

Request ReadArguments(const std::vector<std::string>& arguments) {
    Request request;
    bool options = true;
    for (std::size_t i = 1; i < arguments.size() && request.action == Request::convert; ++i) {
        const std::string& argument = arguments[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "-h" || argument == "--help" || (kSlashQuestionIsHelp && argument == "/?"))) {
            request.action = Request::help;
        } else if (options && (argument == "-V" || argument == "--version")) {
            request.action = Request::version;
        } else if (options && argument.starts_with('-')) {
            request.action = Request::usageError;
            request.unknown = argument;
        } else {
            request.paths.push_back(argument);
        }
    }
    if (request.action == Request::convert && request.paths.empty()) request.action = Request::usageError;
    return request;
}

// The path as the user may have meant it, when a model path with spaces was
// given without quotes and its first word cannot be opened.
bool CouldBeUnquoted(const cor2tavik::ConversionReport& report, std::size_t paths) {
    return paths > 1 && report.failure && (report.failure->reason == cor2tavik::Reason::cannotOpen ||
                                           report.failure->reason == cor2tavik::Reason::cannotOpenModel);
}

template <typename Char>
int Run(int argc, Char** argv, cor2tavik::Language language, std::string& model) {
    const Request request = ReadArguments(cor2tavik::CommandLineArguments(argc, argv));
    switch (request.action) {
    case Request::usageError:
        if (!request.unknown.empty())
            cor2tavik::Write(stderr, cor2tavik::Say(cor2tavik::Text::unknownOption, language, {request.unknown}));
        cor2tavik::Write(stderr, cor2tavik::Say(cor2tavik::Text::usage, language));
        return kUsage;
    case Request::help:
        cor2tavik::Write(stdout, cor2tavik::Say(cor2tavik::Text::usage, language));
        return kWritten;
    case Request::version:
        std::fputs("Cor2TavikCmd " VER_VERSION_STR "\n", stdout);
        return kWritten;
    case Request::convert:
        break;
    }
    model = request.paths[0];
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

    cor2tavik::ProgressLine progress(cor2tavik::SplitModelPath(model).model);
    if (progress.active()) options.progress = [&](double fraction) { progress.Show(fraction); };
    const cor2tavik::ConversionReport report = cor2tavik::ConvertModelFile(model, options);
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
        if (CouldBeUnquoted(report, request.paths.size())) {
            std::string joined = model;
            for (std::size_t i = 1; i < request.paths.size(); ++i) joined += ' ' + request.paths[i];
            cor2tavik::Write(stderr, cor2tavik::Say(cor2tavik::Text::quoteHint, language, {joined}));
        }
        return kNotWritten;
    }
    if (reportTimes)
        std::fprintf(stderr, "phase times (s): model %.3f, results %.3f, commit %.3f\n", times.model, times.results,
                     times.commit);
    return report.problemCount == 0 ? kWritten : kWrittenWithProblems;
}

}  // namespace

// On Windows the arguments come as UTF-16 (wmain, linked with -municode).
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
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
