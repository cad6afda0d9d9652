#include "MeshReader.h"

#include <algorithm>
#include <string>

#include "Records.h"

namespace cor2tavik {

namespace {

constexpr Field kCoordinates[] = {Field::coordinateX, Field::coordinateY, Field::coordinateZ};
// A record that does not begin with a node number ends the node records,
// and the element count line is read from there: a count larger than the
// records that follow (nodes deleted by hand) then still finds the elements.
constexpr RecordShape kNodeRecord = {Subject::nodeRecord, Field::nodeNumber, false, 3, kCoordinates,
                                     Reason::nodeRecordsEnd, Reason::nodeRecordsStop};

// The count is the integer that starts at the line's fifth character; the
// first four are a keyword nobody reads. The line is read to its end.
std::optional<Problem> ReadCount(TextReader& in, Subject countLine, std::uint64_t fileSize, const ProblemList& problems,
                                 std::int32_t& count) {
    static constexpr CountReasons kReasons = {Reason::countMissing, Reason::countTooWide, Reason::countNegative,
                                              Reason::countBeyondFile};
    const long lineNumber = in.line();
    if (in.PeekLine(5).size() < 5)
        return problems.In({.line = lineNumber, .reason = Reason::countLineShort, .subject = countLine});
    in.Skip(4);
    const ScanStatus scanned = in.ScanLineInteger(count);
    const CountCheck check = CheckCount(scanned, count, fileSize);
    in.SkipLine();
    if (check == CountCheck::ok) return std::nullopt;
    return problems.In({.line = lineNumber,
                        .reason = kReasons.Of(check),
                        .subject = countLine,
                        .numbers = {count, static_cast<long long>(fileSize)}});
}

// Element i's head goes to `element`, its node numbers to `slot`; the rest
// of the line is left unread.
void ReadElementLine(TextReader& in, long lineNumber, std::int64_t i, ElementHead& element, std::int32_t* slot,
                     ProblemList& problems) {
    std::int32_t head[3] = {0, 0, 0};
    int scanned = 0;
    ScanStatus status = in.ScanLineIntegers(head, 3, scanned);
    element = {head[0], head[1]};
    if (scanned < 3) {
        static constexpr Field kHead[] = {Field::elementNumber, Field::typeCode, Field::nodeCount};
        problems.Add({.line = lineNumber,
                      .reason = FieldReason(status),
                      .subject = Subject::elementLine,
                      .index = i + 1,
                      .field = kHead[scanned],
                      .text = in.QuoteAhead()});
        return;
    }
    const std::int32_t number = head[0], typeCode = head[1], nodeCount = head[2];
    auto problem = [&](Reason reason, long long n0, long long n1 = 0) {
        problems.Add({.line = lineNumber, .reason = reason, .subject = Subject::element, .index = number, .numbers = {n0, n1}});
    };
    if (nodeCount == 4 || nodeCount == 8 || nodeCount == 10) {
        int stored = 0;
        in.ScanLineIntegers(slot, nodeCount, stored);
        if (stored < nodeCount) problem(Reason::elementNodesShort, stored, nodeCount);
    } else {
        problem(Reason::nodeCountUnsupported, nodeCount);
    }
    if (static_cast<std::int64_t>(typeCode) - kElementTypeBase != nodeCount)
        problem(Reason::typeCodeDisagrees, typeCode, nodeCount);
}

// Element line q read in one go (TextReader::FastLines), when its numbers
// all scan the fast way and there is nothing to report: the end of its last
// node number. Else null for ReadElementLine to decide, nothing stored.
const char* FastElementLine(const char* q, const char* limit, ElementHead& element, std::int32_t* slot) {
    std::int32_t head[3], nodes[10];
    if (FastLineIntegers(q, limit, head, 3) != 3) return nullptr;
    const std::int32_t nodeCount = head[2];
    if (head[1] - kElementTypeBase != nodeCount || (nodeCount != 4 && nodeCount != 8 && nodeCount != 10) ||
        FastLineIntegers(q, limit, nodes, nodeCount) != nodeCount)
        return nullptr;
    element = {head[0], head[1]};
    std::copy_n(nodes, nodeCount, slot);
    return q;
}

}  // namespace

std::optional<Problem> ReadMesh(TextReader& in, std::uint64_t fileSize, ConversionModel& model,
                                ProblemList& problems, RowSink& sink) {
    // Two title lines, then the node count line.
    for (int i = 0; i < 3; ++i) {
        if (in.AtEnd()) return problems.In({.line = in.line(), .reason = Reason::endsBeforeNodeCount});
        if (i < 2) in.SkipLine();
    }
    std::int32_t nodeCount = 0;
    if (auto failure = ReadCount(in, Subject::nodeCountLine, fileSize, problems, nodeCount)) return failure;
    if (!model.nodeNumbers.Allocate(std::size_t(nodeCount)))
        return problems.In({.line = in.line(), .reason = Reason::outOfMemory, .subject = Subject::nodes, .numbers = {nodeCount}});
    model.nodeCount = nodeCount;
    sink.Begin(Block::nodes);
    ForEachBatch(sink, nodeCount, [&](RecordBatch& batch) {
        return ReadRecords(in, kNodeRecord, batch.first, batch.rows, nodeCount, &model.nodeNumbers[batch.first],
                           batch.values, problems);
    });
    sink.End();

    const long countLine = in.line();
    if (in.AtEnd()) return problems.In({.line = countLine, .reason = Reason::endsBeforeElementCount});
    std::int32_t elementCount = 0;
    if (auto failure = ReadCount(in, Subject::elementCountLine, fileSize, problems, elementCount)) return failure;
    if (!model.elements.Allocate(std::size_t(elementCount)))
        return problems.In(
            {.line = countLine, .reason = Reason::outOfMemory, .subject = Subject::elements, .numbers = {elementCount}});
    model.elementCount = elementCount;
    sink.Begin(Block::elements);
    // The columns of the lines, learned again from the first line of each
    // batch that does not fit those known.
    ElementLayout layout;
    ForEachBatch(sink, elementCount, [&](RecordBatch& batch) {
        bool learned = false;
        for (std::int32_t j = 0; j < batch.rows; ++j) {
            j += in.FastLines(batch.rows - j, [&](int k, const char* q, const char* limit) {
                const std::int32_t row = j + k;
                ElementHead& element = model.elements[batch.first + row];
                std::int32_t* slot = &batch.slots[row * kElementSlots];
                if (const char* end = LayoutElement(layout, q, kElementTypeBase + layout.nodes, element.number,
                                                    element.typeCode, slot, &batch.nodeTexts[row * kElementSlots])) {
                    batch.hasText[row] = true;
                    return end;
                }
                const char* end = FastElementLine(q, limit, element, slot);
                if (end != nullptr && !learned) {
                    layout.Learn(q, end, element.typeCode - kElementTypeBase);
                    learned = true;
                }
                return end;
            });
            if (j == batch.rows) break;
            // What the columns read of this line, if they did, FastLines
            // did not take (its end was not plain): not to be written.
            batch.hasText[j] = false;
            const std::int64_t i = batch.first + j;
            const long lineNumber = in.line();
            if (in.AtEnd()) {
                problems.Add({.line = lineNumber, .reason = Reason::elementLinesEnd, .numbers = {i, elementCount}});
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
