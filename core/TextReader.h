// Text-mode input over large chunks: CR LF reads as one line end, a lone CR
// stays, and a 0x1A byte ends the input. Offers the ways the input files are
// read: scanf-like fields that skip white space (line ends included) before
// them, integers within one line, a look at a line's first bytes, and lines
// skipped whole. The CR of a CR LF is not removed from the buffer: fields
// skip it as white space and PeekLine leaves it out.
//
// Memory is the buffers (ChunkReader) and nothing more, whatever the
// input: no line is ever held whole, and a number token longer than half
// the buffer is read on the way through (NumberScan's LongReal and
// LongInteger).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "FileDescriptor.h"
#include "NumberScan.h"

namespace cor2tavik {

// What a message quotes of the input at [p, end): up to the line's end, at
// most 20 bytes, printable ASCII as it is, a tab as a blank and any other
// byte as '?', so that no file's bytes reach a terminal or a message box
// unchecked.
std::string QuotedText(const char* p, const char* end);

class ChunkReader;

class TextReader {
public:
    static constexpr std::size_t kDefaultChunkSize = std::size_t{1} << 20;
    // The most PeekLine shows.
    static constexpr std::size_t kMaxPeek = 80;

    // Reads `chunkSize` bytes at a time (a small size, for tests, cuts lines
    // and tokens at many places; the buffer is never smaller than a few
    // hundred bytes), with `readAhead` the next while this one is scanned.
    explicit TextReader(FileDescriptor file, std::size_t chunkSize = kDefaultChunkSize, bool readAhead = false);
    TextReader(TextReader&&) noexcept;
    ~TextReader();

    // True when nothing is left to read.
    bool AtEnd() { return pos_ == end_ && !Refill(end_); }

    // The first `max` (at most kMaxPeek) bytes of the current line, fewer
    // when it is shorter, without its line end (nor the CR of a CR LF). They
    // stay unread.
    std::string_view PeekLine(std::size_t max);
    // Consumes `n` of the bytes PeekLine showed.
    void Skip(std::size_t n) { pos_ += n; }

    // Skip white space, then scan one field. On mismatch the offending byte
    // is left unread.
    ScanStatus ScanInteger(std::int32_t& value);
    ScanStatus ScanReal(double& value);
    // A real for the value field, as a Cell (ValueFormat.h).
    ScanStatus ScanCell(Cell& cell);
    // An integer within the current line: white space but no line end is
    // skipped, and the line's end gives ScanStatus::end.
    ScanStatus ScanLineInteger(std::int32_t& value);

    // `n` fields in a row, as the calls above scan them one by one, the
    // common ones without a call each. Sets `scanned` to how many scanned
    // and returns the status of the field after them, ok when all did.
    ScanStatus ScanLineIntegers(std::int32_t* values, int n, int& scanned);
    ScanStatus ScanCells(Cell* cells, int n, int& scanned);

    // Whole records in one go while they are plain: each a label
    // (ScanInteger; into `labels[j]` unless null), a ':' when `colon`,
    // `width` cells (from `cells + j * width`) that scan and are finite,
    // blanks and its line's end; then the white space after the last. At
    // most `count`; returns how many were read. Stops, with nothing of that
    // record read, where the calls one by one must decide.
    int FastRecords(std::int32_t* labels, bool colon, Cell* cells, int width, int count);

    // Bytes in memory from a line's start for FastLines' `read`.
    static constexpr int kLineRoom = 4 * kFastScanReach;
    // Whole lines in one go while they are plain. `read(j, q, limit)` reads
    // line j from q with kLineRoom bytes from q in memory, scans no field
    // that starts at `limit` or later, and returns the end of what it read,
    // which blanks and the line's end must follow; or null, where the calls
    // one by one must decide (nothing of line j is then read). Stops after
    // `count` lines; returns how many were read.
    template <typename Read>
    int FastLines(int count, Read&& read) {
        const char* limit = end_ - kFastScanReach;
        const char* p = pos_;
        int j = 0;
        for (; j < count && end_ - p >= kLineRoom; ++j) {
            const char* q = read(j, p, limit);
            if (q == nullptr) break;
            if (*q == ' ') q = SkipBlanks(q, end_);
            if (end_ - q < 2) break;
            q += *q == '\r' && q[1] == '\n';
            if (*q != '\n') break;
            p = q + 1;
        }
        pos_ = const_cast<char*>(p);
        line_ += j;
        return j;
    }

    // The next unread bytes as a message quotes them: after a field that did
    // not scan, the field's text.
    std::string QuoteAhead();

    // Consumes `c` if it is the next byte.
    bool Match(char c);

    void SkipSpace();
    // Discards everything up to and including the next line end.
    void SkipLine();

    // 1-based number of the line that holds the next unread byte.
    long line() const { return line_; }
    // Bytes of the file read and used so far.
    std::uint64_t consumed() const { return read_ - static_cast<std::uint64_t>(end_ - pos_); }
    // errno of a failed read, 0 if none; a read error ends the input.
    int error() const;

private:
    ScanStatus IntegerHere(std::int32_t& value);
    template <typename T, int (*Run)(const char*&, const char*, T*, int), ScanStatus (TextReader::*One)(T&)>
    ScanStatus ScanRun(T* values, int n, int& scanned);
    template <typename T, typename Length, typename Parse>
    ScanStatus ScanField(T& value, Length length, Parse parse, int lookahead, ScanStatus (TextReader::*stream)(T&));
    // A real by `Fast` where the buffer holds enough ahead, else the general way.
    template <typename T, const char* (*Fast)(const char*, T&)>
    ScanStatus ScanRealBy(T& value);
    ScanStatus StreamInteger(std::int32_t& value);
    ScanStatus StreamReal(double& value);
    // The byte `ahead` bytes on (at most 2), reading more if need be; -1
    // past the input's end.
    int Peek(std::size_t ahead);
    // Keeps [keep, end) (at most half the buffer) and reads more behind it.
    // Returns false when no byte could be added.
    bool Refill(const char* keep);

    std::size_t capacity_;
    std::unique_ptr<ChunkReader> chunks_;
    RecordLayout layout_;  // of the records FastRecords read last
    char* pos_;
    char* end_;
    long line_ = 1;
    std::uint64_t read_ = 0;
    bool inputEnded_ = false;
};

}  // namespace cor2tavik
