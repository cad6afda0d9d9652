#include "TextReader.h"

#include <cstring>

namespace cor2tavik {

namespace {
// A number token longer than this does not scan: it would otherwise make the
// buffer grow without bound.
constexpr std::size_t kMaxTokenLength = std::size_t{64} << 20;
}  // namespace

TextReader::TextReader(FileDescriptor file, std::size_t chunkSize)
    : file_(std::move(file)),
      buffer_(new char[chunkSize]),
      capacity_(chunkSize),
      pos_(buffer_.get()),
      end_(buffer_.get()) {}

std::size_t TextReader::ReadRaw(char* into, std::size_t room) {
    std::size_t total = 0;
    while (total < room) {
        std::ptrdiff_t n = platform::Read(file_.get(), into + total, room - total, error_);
        if (n < 0) {
            inputEnded_ = true;
            break;
        }
        if (n == 0) {
            inputEnded_ = true;
            break;
        }
        total += static_cast<std::size_t>(n);
        read_ += static_cast<std::uint64_t>(n);
        // One read of a regular file is usually all it gives; stop once a
        // fair share arrived rather than spinning on short reads.
        if (total >= room / 2) break;
    }
    return total;
}

// Cuts freshly read bytes at a 0x1A. Returns the new end.
char* TextReader::StopAtControlZ(char* begin, char* end) {
    if (void* z = std::memchr(begin, 0x1A, static_cast<std::size_t>(end - begin))) {
        end = static_cast<char*>(z);
        inputEnded_ = true;
    }
    return end;
}

bool TextReader::Refill(const char* keep) {
    if (inputEnded_) return false;
    std::size_t kept = static_cast<std::size_t>(end_ - keep);
    if (kept > capacity_ / 2) {
        // A token that spans most of the buffer: give it room.
        std::size_t grown = capacity_ * 2;
        std::unique_ptr<char[]> bigger(new char[grown]);
        std::memcpy(bigger.get(), keep, kept);
        buffer_ = std::move(bigger);
        capacity_ = grown;
    } else if (kept != 0) {
        std::memmove(buffer_.get(), keep, kept);
    }
    pos_ = buffer_.get();
    end_ = pos_ + kept;
    for (;;) {
        std::size_t room = capacity_ - kept;
        std::size_t n = inputEnded_ ? 0 : ReadRaw(end_, room);
        end_ = StopAtControlZ(end_, end_ + n);
        if (end_ != buffer_.get() + kept) return true;
        if (inputEnded_) return false;
    }
}

bool TextReader::ReadLine(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        if (pos_ == end_) {
            if (!Refill(end_)) return any;
        }
        any = true;
        auto* newline = static_cast<char*>(std::memchr(pos_, '\n', static_cast<std::size_t>(end_ - pos_)));
        if (newline != nullptr) {
            line.append(pos_, newline);
            // CR LF is one line end; any other CR is part of the line.
            if (!line.empty() && line.back() == '\r') line.pop_back();
            pos_ = newline + 1;
            ++line_;
            return true;
        }
        line.append(pos_, end_);
        pos_ = end_;
    }
}

void TextReader::SkipSpace() {
    for (;;) {
        for (;;) {
            pos_ = const_cast<char*>(SkipBlanks(pos_, end_));
            if (pos_ == end_ || !IsSpace(*pos_)) break;
            if (*pos_ == '\n') ++line_;
            ++pos_;
        }
        if (pos_ != end_ || !Refill(end_)) return;
    }
}

void TextReader::SkipLine() {
    for (;;) {
        auto* newline = static_cast<char*>(std::memchr(pos_, '\n', static_cast<std::size_t>(end_ - pos_)));
        if (newline != nullptr) {
            pos_ = newline + 1;
            ++line_;
            return;
        }
        pos_ = end_;
        if (!Refill(end_)) return;
    }
}

bool TextReader::Match(char c) {
    if (pos_ == end_ && !Refill(end_)) return false;
    if (*pos_ != c) return false;
    ++pos_;
    return true;
}

// A token is only trusted once `lookahead` bytes past it are in the buffer
// (or the input has ended): "1.5e" at a chunk's end may go on with "+07".
template <typename T, typename Length, typename Parse>
ScanStatus TextReader::ScanField(T& value, Length length, Parse parse, int lookahead) {
    SkipSpace();
    if (pos_ == end_) return ScanStatus::end;
    for (;;) {
        int n = length(pos_, end_);
        if (end_ - (pos_ + n) > lookahead || inputEnded_) {
            if (n == 0) return ScanStatus::mismatch;
            ScanStatus status = parse(pos_, pos_ + n, value);
            if (status == ScanStatus::ok) pos_ += n;
            return status;
        }
        if (static_cast<std::size_t>(end_ - pos_) > kMaxTokenLength) return ScanStatus::mismatch;
        if (!Refill(pos_)) continue;  // input ended: the loop now trusts what it has
    }
}

ScanStatus TextReader::ScanInteger(std::int32_t& value) {
    SkipSpace();
    if (end_ - pos_ >= kFastScanReach) {
        if (const char* next = FastInteger(pos_, value)) {
            pos_ = const_cast<char*>(next);
            return ScanStatus::ok;
        }
    }
    // A whole token: the line scanner finds nothing to skip.
    auto parse = [](const char* p, const char* end, std::int32_t& v) { return cor2tavik::ScanInteger(p, end, v); };
    return ScanField(value, IntegerTokenLength, parse, 1);
}

ScanStatus TextReader::ScanReal(double& value) {
    SkipSpace();
    if (end_ - pos_ >= kFastScanReach) {
        if (const char* next = FastReal(pos_, value)) {
            pos_ = const_cast<char*>(next);
            return ScanStatus::ok;
        }
    }
    return ScanField(value, RealTokenLength, ParseReal, 3);
}

ScanStatus TextReader::ScanCell(double& cell) {
    SkipSpace();
    if (end_ - pos_ >= kFastScanReach) {
        if (const char* next = FastRealCell(pos_, cell)) {
            pos_ = const_cast<char*>(next);
            return ScanStatus::ok;
        }
    }
    return ScanField(cell, RealTokenLength, ParseReal, 3);
}

}  // namespace cor2tavik
