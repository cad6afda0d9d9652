#include "MeshReader.h"

#include <cmath>
#include <string>

namespace cor2tavik {

namespace {

constexpr const char* kCoordinateNames[] = {"x", "y", "z"};

// The count is the integer that starts at the line's fifth character; the
// first four are a keyword nobody reads.
std::optional<Failure> ParseCount(const std::string& line, long lineNumber, const char* what,
                                  std::uint64_t fileSize, const ProblemList& problems,
                                  std::int32_t& count) {
    std::string name = std::string(what) + " count line";
    if (line.size() < 5) return problems.Fail(lineNumber, name + " is shorter than five characters");
    const char* p = line.data() + 4;
    switch (ScanInteger(p, line.data() + line.size(), count)) {
    case ScanStatus::ok:
        break;
    case ScanStatus::overflow:
        return problems.Fail(lineNumber, name + ": the count does not fit 32 bits");
    default:
        return problems.Fail(lineNumber, name + ": no integer at column 5");
    }
    if (count < 0) return problems.Fail(lineNumber, name + ": negative count " + Str(count));
    if (static_cast<std::uint64_t>(count) > fileSize)
        return problems.Fail(lineNumber, name + ": " + Str(count) + " records cannot fit in a file of " +
                                             Str(static_cast<long long>(fileSize)) + " bytes");
    return std::nullopt;
}

// Returns false when the input ended inside the node records.
bool ReadNodes(TextReader& in, ConversionModel& model, ProblemList& problems) {
    const std::int32_t count = model.nodeCount;
    for (std::int32_t i = 0; i < count; ++i) {
        const char* field = "node number";
        ScanStatus status = in.ScanInteger(model.nodeNumbers[i]);
        for (int c = 0; c < 3 && status == ScanStatus::ok; ++c) {
            double& value = model.nodeCoordinates[3 * std::size_t(i) + c];
            field = kCoordinateNames[c];
            status = in.ScanReal(value);
            if (status == ScanStatus::ok && std::isinf(value))
                problems.Add(in.line(), "node record " + Str(i + 1) + ": " + field +
                                            " is beyond the range of a double");
        }
        if (status == ScanStatus::end) {
            problems.Add(in.line(), "the file ends after " + Str(i) + " of " + Str(count) + " node records");
            return false;
        }
        if (status != ScanStatus::ok) {
            problems.Add(in.line(), "node record " + Str(i + 1) + ": " + field + FieldProblem(status));
            in.SkipLine();
            continue;
        }
        in.SkipSpace();
    }
    return true;
}

void ReadElementLine(const std::string& line, long lineNumber, std::int32_t i, ConversionModel& model,
                     ProblemList& problems) {
    const char* p = line.data();
    const char* end = p + line.size();
    std::int32_t head[3] = {0, 0, 0};
    int scanned = 0;
    ScanStatus status = ScanStatus::ok;
    while (scanned < 3 && (status = ScanInteger(p, end, head[scanned])) == ScanStatus::ok) ++scanned;
    model.elementNumbers[i] = head[0];
    model.elementTypeCodes[i] = head[1];
    if (scanned < 3) {
        static constexpr const char* kHeadNames[] = {"element number", "type code", "node count"};
        problems.Add(lineNumber, "element line " + Str(i + 1) + ": " + kHeadNames[scanned] +
                                     (status == ScanStatus::end ? " is missing" : FieldProblem(status)));
        return;
    }
    const std::int32_t number = head[0], typeCode = head[1], nodeCount = head[2];
    // Made only for a problem: most lines have none.
    auto element = [number] { return "element " + Str(number) + ": "; };
    if (nodeCount == 4 || nodeCount == 8 || nodeCount == 10) {
        std::int32_t* slot = &model.connectivity[std::size_t(i) * kElementSlots];
        int stored = 0;
        while (stored < nodeCount && (status = ScanInteger(p, end, slot[stored])) == ScanStatus::ok) ++stored;
        if (stored < nodeCount) {
            problems.Add(lineNumber, element() + Str(stored) + " of " + Str(nodeCount) +
                                         " node numbers could be read; the rest are 0");
        }
    } else {
        problems.Add(lineNumber, element() + "node count " + Str(nodeCount) +
                                     " is not 4, 8 or 10; no node numbers are stored");
    }
    if (static_cast<std::int64_t>(typeCode) - kElementTypeBase != nodeCount)
        problems.Add(lineNumber, element() + "type code " + Str(typeCode) + " does not agree with node count " +
                                     Str(nodeCount));
}

}  // namespace

std::optional<Failure> ReadMesh(TextReader& in, std::uint64_t fileSize, ConversionModel& model,
                                ProblemList& problems, ModelCounts* counts) {
    std::string line;
    long countLine = 0;
    for (int i = 0; i < 3; ++i) {
        countLine = in.line();
        if (!in.ReadLine(line))
            return problems.Fail(countLine, "the file ends before its node count line (line 3)");
    }
    if (auto failure = ParseCount(line, countLine, "node", fileSize, problems, model.nodeCount))
        return failure;
    if (!model.nodeNumbers.Allocate(std::size_t(model.nodeCount)) ||
        !model.nodeCoordinates.Allocate(3 * std::size_t(model.nodeCount)))
        return problems.Fail(in.line(), "out of memory for " + Str(model.nodeCount) + " nodes");
    if (counts != nullptr) counts->SetNodes(model.nodeCount);

    ReadNodes(in, model, problems);

    countLine = in.line();
    if (!in.ReadLine(line)) return problems.Fail(countLine, "the file ends before its element count line");
    std::int32_t elementCount = 0;
    if (auto failure = ParseCount(line, countLine, "element", fileSize, problems, elementCount)) return failure;
    model.elementCount = elementCount;
    if (!model.elementNumbers.Allocate(std::size_t(elementCount)) ||
        !model.elementTypeCodes.Allocate(std::size_t(elementCount)) ||
        !model.connectivity.Allocate(std::size_t(elementCount) * kElementSlots))
        return problems.Fail(countLine, "out of memory for " + Str(elementCount) + " elements");
    if (counts != nullptr) counts->SetElements(elementCount);

    for (std::int32_t i = 0; i < elementCount; ++i) {
        long lineNumber = in.line();
        if (!in.ReadLine(line)) {
            problems.Add(lineNumber, "the file ends after " + Str(i) + " of " + Str(elementCount) +
                                         " element lines; the rest are written as zeros");
            break;
        }
        ReadElementLine(line, lineNumber, i, model, problems);
    }
    return std::nullopt;
}

}  // namespace cor2tavik
