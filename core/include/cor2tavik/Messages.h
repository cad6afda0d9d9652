// Every text the user reads, in English and in Japanese: the problems and
// failures of a job, the console program's usage and summary, and the
// dialog's message boxes. The English texts are what scripts compare: their
// wording is fixed.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "cor2tavik/Conversion.h"

namespace cor2tavik {

enum class Language { english, japanese };

// The text of a problem, without its file and line.
std::string Message(const Problem& problem, Language language = Language::english);

// What the system answered (an errno value), in words.
std::string SystemErrorText(int error, Language language);

// The texts around the problems. {0}, {1}... stand for the arguments.
enum class Text {
    usage,             // Cor2TavikCmd's usage and --help
    moreProblems,      // {0} problems not printed
    failureBox,        // {0} the file, {1} the reason
    fileAtLine,        // {0} the file, {1} the line
    problemsBox,       // {0} the problem count
    outputFile,        // {0} the neutral file
    problemAtLine,     // {0} the file's name, {1} the line, {2} the message
    problemInFile,     // {0} the file's name, {1} the message
    moreInBox,         // {0} problems not shown
    count  // not a text: how many there are
};

std::string Say(Text text, Language language, std::initializer_list<std::string_view> arguments = {});

}  // namespace cor2tavik
