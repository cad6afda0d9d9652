#include "TextReader.h"

#include <cerrno>
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
        ssize_t n = ::read(file_.get(), into + total, room - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            inputEnded_ = true;
            break;
        }
        if (n == 0) {
            inputEnded_ = true;
            break;
        }
        total += static_cast<std::size_t>(n);
        // One read of a regular file is usually all it gives; stop once a
        // fair share arrived rather than spinning on short reads.
        if (total >= room / 2) break;
    }
    return total;
}

// Text-mode translation of freshly read bytes, in place. Returns the new end.
char* TextReader::Translate(char* begin, char* end) {
    if (void* z = std::memchr(begin, 0x1A, static_cast<std::size_t>(end - begin))) {
        end = static_cast<char*>(z);
        inputEnded_ = true;
    }
    if (!inputEnded_ && end != begin && end[-1] == '\r') {
        pendingCR_ = true;
        --end;
    }
    char* r = static_cast<char*>(std::memchr(begin, '\r', static_cast<std::size_t>(end - begin)));
    if (r == nullptr) return end;
    char* w = r;
    while (r != end) {
        if (*r == '\r' && r + 1 != end && r[1] == '\n') ++r;
        char* next = static_cast<char*>(std::memchr(r + 1, '\r', static_cast<std::size_t>(end - r - 1)));
        if (next == nullptr) next = end;
        std::memmove(w, r, static_cast<std::size_t>(next - r));
        w += next - r;
        r = next;
    }
    return w;
}

bool TextReader::Refill(const char* keep) {
    if (Exhausted()) return false;
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
        char* region = end_;
        if (pendingCR_) {
            *end_++ = '\r';
            pendingCR_ = false;
        }
        std::size_t room = capacity_ - static_cast<std::size_t>(end_ - buffer_.get());
        std::size_t n = inputEnded_ ? 0 : ReadRaw(end_, room);
        char* translated = Translate(region, end_ + n);
        end_ = translated;
        if (end_ != buffer_.get() + kept) return true;
        if (Exhausted()) return false;
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
        while (pos_ != end_ && IsSpace(*pos_)) {
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
        if (end_ - (pos_ + n) > lookahead || Exhausted()) {
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
    return ScanField(value, IntegerTokenLength, ParseInteger, 1);
}

ScanStatus TextReader::ScanReal(double& value) {
    return ScanField(value, RealTokenLength, ParseReal, 3);
}

}  // namespace cor2tavik
