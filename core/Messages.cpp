// Every English message of the core, built from a Problem. The console
// program prints these lines and scripts compare them, so their wording is
// fixed.
#include <string>

#include "Platform.h"
#include "ProblemList.h"

namespace cor2tavik {

namespace {

std::string System(const char* what, const Problem& p) {
    return std::string(what) + ": " + platform::ErrorText(p.systemError);
}

std::string Body(const Problem& p) {
    const std::string n0 = Str(p.numbers[0]), n1 = Str(p.numbers[1]);
    const std::string beyondFile = n0 + " records cannot fit in a file of " + n1 + " bytes";
    const char* leftOut = "; the block is left out";
    switch (p.reason) {
    case Reason::pathTooLong: return "path is longer than " + Str(kMaxPathLength) + " bytes";
    case Reason::nameTooLong: return "file name is longer than " + Str(kMaxPathLength) + " bytes";
    case Reason::cannotOpen: return System("cannot open", p);
    case Reason::cannotCreate: return System("cannot create", p);
    case Reason::cannotWrite: return System("cannot write", p);
    case Reason::readError: return System("read error", p);
    case Reason::outOfMemory: return "out of memory for " + n0 + " " + p.subject;
    case Reason::memoryExhausted: return "out of memory";
    case Reason::blockCannotOpen: return System("cannot open", p) + leftOut;

    case Reason::endsBeforeCountLine: return "the file ends before its " + p.subject;
    case Reason::countLineShort: return p.subject + " is shorter than five characters";
    case Reason::countMissing: return p.subject + ": no integer at column 5";
    case Reason::countTooWide: return p.subject + ": the count does not fit 32 bits";
    case Reason::countNegative: return p.subject + ": negative count " + n0;
    case Reason::countBeyondFile: return p.subject + ": " + beyondFile;

    case Reason::endsBeforeRecordCount: return std::string("the file ends before its record count line") + leftOut;
    case Reason::recordCountNoEquals:
        return std::string("record count line has no '=' in its first 80 characters") + leftOut;
    case Reason::recordCountMissing: return std::string("record count is missing after '='") + leftOut;
    case Reason::recordCountTooWide: return std::string("record count does not fit 32 bits") + leftOut;
    case Reason::recordCountNegative: return "negative record count " + n0 + leftOut;
    case Reason::recordCountBeyondFile: return beyondFile + leftOut;
    case Reason::recordCountDiffers:
        return "the file holds " + n0 + " records, the model has " + n1 + " " + p.subject +
               (p.numbers[0] < p.numbers[1] ? "; the missing ones are 0" : "; the extra ones are ignored");

    case Reason::nodeRecordsEnd: return "the file ends after " + n0 + " of " + n1 + " node records";
    case Reason::elementLinesEnd:
        return "the file ends after " + n0 + " of " + n1 + " element lines; the rest are written as zeros";
    case Reason::resultRecordsEnd: return "the file ends after " + n0 + " of " + n1 + " records; the rest are 0";

    case Reason::fieldNotANumber: return p.detail + " is not a number";
    case Reason::fieldTooWide: return p.detail + " does not fit 32 bits";
    case Reason::fieldMissing: return p.detail + " is missing";
    case Reason::fieldBeyondRange: return p.detail + " is beyond the range of a double";
    case Reason::colonMissing: return "':' after the label is missing";

    case Reason::elementNodesShort: return n0 + " of " + n1 + " node numbers could be read; the rest are 0";
    case Reason::nodeCountUnsupported: return "node count " + n0 + " is not 4, 8 or 10; no node numbers are stored";
    case Reason::typeCodeDisagrees: return "type code " + n0 + " does not agree with node count " + n1;
    }
    return "unknown problem";
}

// Reasons whose subject names a place in the file ahead of the message.
bool SubjectLeads(Reason reason) {
    return reason >= Reason::fieldNotANumber && reason <= Reason::typeCodeDisagrees;
}

}  // namespace

std::string Message(const Problem& problem) {
    if (SubjectLeads(problem.reason)) return problem.subject + ": " + Body(problem);
    return Body(problem);
}

}  // namespace cor2tavik
