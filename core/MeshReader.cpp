#include "MeshReader.h"

#include <string>

#include "Records.h"

namespace cor2tavik {

namespace {

constexpr const char* kCoordinateNames[] = {"x", "y", "z"};
constexpr RecordShape kNodeRecord = {"node record", "node number", false, 3, kCoordinateNames, Reason::nodeRecordsEnd};

// The count is the integer that starts at the line's fifth character; the
// first four are a keyword nobody reads. The line is read to its end.
std::optional<Problem> ReadCount(TextReader& in, const char* what, std::uint64_t fileSize,
                                 const ProblemList& problems, std::int32_t& count) {
    static constexpr CountReasons kReasons = {Reason::countMissing, Reason::countTooWide, Reason::countNegative,
                                              Reason::countBeyondFile};
    const long lineNumber = in.line();
    std::string name = std::string(what) + " count line";
    if (in.PeekLine(5).size() < 5) return problems.Make(lineNumber, Reason::countLineShort, name);
    in.Skip(4);
    const ScanStatus scanned = in.ScanLineInteger(count);
    const CountCheck check = CheckCount(scanned, count, fileSize);
    in.SkipLine();
    if (check == CountCheck::ok) return std::nullopt;
    return problems.Make(lineNumber, kReasons.Of(check), name, count, static_cast<long long>(fileSize));
}

// Element i's head goes to `element`, its node numbers to `slot`; the rest
// of the line is left unread.
void ReadElementLine(TextReader& in, long lineNumber, std::int64_t i, ElementHead& element, std::int32_t* slot,
                     ProblemList& problems) {
    std::int32_t head[3] = {0, 0, 0};
    int scanned = 0;
    ScanStatus status = ScanStatus::ok;
    while (scanned < 3 && (status = in.ScanLineInteger(head[scanned])) == ScanStatus::ok) ++scanned;
    element = {head[0], head[1]};
    if (scanned < 3) {
        static constexpr const char* kHeadNames[] = {"element number", "type code", "node count"};
        problems.Add(problems.Make(lineNumber, FieldReason(status), "element line " + Str(i + 1), 0, 0,
                                   kHeadNames[scanned]));
        return;
    }
    const std::int32_t number = head[0], typeCode = head[1], nodeCount = head[2];
    // Made only for a problem: most lines have none.
    auto name = [number] { return "element " + Str(number); };
    if (nodeCount == 4 || nodeCount == 8 || nodeCount == 10) {
        int stored = 0;
        while (stored < nodeCount && (status = in.ScanLineInteger(slot[stored])) == ScanStatus::ok) ++stored;
        if (stored < nodeCount)
            problems.Add(problems.Make(lineNumber, Reason::elementNodesShort, name(), stored, nodeCount));
    } else {
        problems.Add(problems.Make(lineNumber, Reason::nodeCountUnsupported, name(), nodeCount));
    }
    if (static_cast<std::int64_t>(typeCode) - kElementTypeBase != nodeCount)
        problems.Add(problems.Make(lineNumber, Reason::typeCodeDisagrees, name(), typeCode, nodeCount));
}

}  // namespace

std::optional<Problem> ReadMesh(TextReader& in, std::uint64_t fileSize, ConversionModel& model,
                                ProblemList& problems, RowSink& sink) {
    // Two title lines, then the node count line.
    for (int i = 0; i < 3; ++i) {
        if (in.AtEnd()) return problems.Make(in.line(), Reason::endsBeforeCountLine, "node count line (line 3)");
        if (i < 2) in.SkipLine();
    }
    std::int32_t nodeCount = 0;
    if (auto failure = ReadCount(in, "node", fileSize, problems, nodeCount)) return failure;
    if (!model.nodeNumbers.Allocate(std::size_t(nodeCount)))
        return problems.Make(in.line(), Reason::outOfMemory, "nodes", nodeCount);
    model.nodeCount = nodeCount;
    sink.Begin(Block::nodes);
    ForEachBatch(sink, nodeCount, [&](RecordBatch& batch) {
        return ReadRecords(in, kNodeRecord, batch.first, batch.rows, nodeCount, &model.nodeNumbers[batch.first],
                           batch.values, problems);
    });
    sink.End();

    const long countLine = in.line();
    if (in.AtEnd()) return problems.Make(countLine, Reason::endsBeforeCountLine, "element count line");
    std::int32_t elementCount = 0;
    if (auto failure = ReadCount(in, "element", fileSize, problems, elementCount)) return failure;
    if (!model.elements.Allocate(std::size_t(elementCount)))
        return problems.Make(countLine, Reason::outOfMemory, "elements", elementCount);
    model.elementCount = elementCount;
    sink.Begin(Block::elements);
    ForEachBatch(sink, elementCount, [&](RecordBatch& batch) {
        for (std::int32_t j = 0; j < batch.rows; ++j) {
            const std::int64_t i = batch.first + j;
            const long lineNumber = in.line();
            if (in.AtEnd()) {
                problems.Add(problems.Make(lineNumber, Reason::elementLinesEnd, {}, i, elementCount));
                return false;
            }
            ReadElementLine(in, lineNumber, i, model.elements[i], &batch.slots[j * kElementSlots], problems);
            in.SkipLine();
        }
        return true;
    });
    sink.End();
    return std::nullopt;
}

}  // namespace cor2tavik
