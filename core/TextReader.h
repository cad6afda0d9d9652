// Text-mode input over large chunks: CR LF reads as one line end, a lone CR
// stays, and a 0x1A byte ends the input. Offers the two ways the input files
// are read: whole lines of any length, and scanf-like fields that skip white
// space (line ends included) before them. The CR of a CR LF is not removed
// from the buffer: fields skip it as white space and ReadLine drops it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FileDescriptor.h"
#include "NumberScan.h"

namespace cor2tavik {

class TextReader {
public:
    static constexpr std::size_t kDefaultChunkSize = std::size_t{1} << 20;

    explicit TextReader(FileDescriptor file, std::size_t chunkSize = kDefaultChunkSize);

    // Reads the rest of the current line into `line`, without its line end.
    // Returns false when the input had ended and nothing was read.
    bool ReadLine(std::string& line);

    // Skip white space, then scan one field. On mismatch the offending byte
    // is left unread.
    ScanStatus ScanInteger(std::int32_t& value);
    ScanStatus ScanReal(double& value);
    // A real for the value field: a FieldCell when its text decides the
    // field, else its double.
    ScanStatus ScanCell(double& cell);

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
    int error() const { return error_; }

private:
    template <typename T, typename Length, typename Parse>
    ScanStatus ScanField(T& value, Length length, Parse parse, int lookahead);
    // Moves [keep, end) to the front of the buffer and reads more behind it.
    // Returns false when no byte could be added.
    bool Refill(const char* keep);
    std::size_t ReadRaw(char* into, std::size_t room);
    char* StopAtControlZ(char* begin, char* end);

    FileDescriptor file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_;
    char* pos_;
    char* end_;
    long line_ = 1;
    std::uint64_t read_ = 0;
    int error_ = 0;
    bool inputEnded_ = false;
};

}  // namespace cor2tavik
