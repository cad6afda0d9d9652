#include "TextReader.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "ByteWord.h"
#include "ChunkReader.h"

namespace cor2tavik {

namespace {
// Room for PeekLine and a token's lookahead, whatever the chunk size.
constexpr std::size_t kMinCapacity = 4 * (TextReader::kMaxPeek + 2);

constexpr std::ptrdiff_t kQuotedLength = 20;
}  // namespace

std::string QuotedText(const char* p, const char* end) {
    std::string text;
    for (; p != end && std::ssize(text) < kQuotedLength && *p != '\r' && *p != '\n'; ++p)
        text += *p == '\t' ? ' ' : (*p >= ' ' && *p <= '~') ? *p : '?';
    return text;
}

TextReader::TextReader(FileDescriptor file, std::size_t chunkSize, bool readAhead)
    : capacity_(std::max(chunkSize, kMinCapacity)),
      chunks_(std::make_unique<ChunkReader>(std::move(file), chunkSize, capacity_ / 2, readAhead)),
      pos_(chunks_->Start()),
      end_(pos_) {}

TextReader::TextReader(TextReader&&) noexcept = default;
TextReader::~TextReader() = default;

int TextReader::error() const { return chunks_->error(); }

// A chunk without a byte comes only with the input's end.
bool TextReader::Refill(const char* keep) {
    if (inputEnded_) return false;
    const std::size_t n = chunks_->Next(keep, static_cast<std::size_t>(end_ - keep), pos_, end_);
    read_ += n;
    inputEnded_ = chunks_->ended();
    return n != 0;
}

int TextReader::Peek(std::size_t ahead) {
    while (static_cast<std::size_t>(end_ - pos_) <= ahead)
        if (!Refill(pos_)) return -1;
    return static_cast<unsigned char>(pos_[ahead]);
}

// max + 1 bytes tell whether a CR at the end of the `max` ends the line.
std::string_view TextReader::PeekLine(std::size_t max) {
    for (;;) {
        const std::size_t have = static_cast<std::size_t>(end_ - pos_);
        const char* limit = pos_ + std::min(have, max + 1);
        if (const char* newline = FindByte(pos_, limit, '\n'); newline != limit) {
            std::size_t length = static_cast<std::size_t>(newline - pos_);
            if (length != 0 && newline[-1] == '\r') --length;
            return {pos_, std::min(length, max)};
        }
        if (have > max || !Refill(pos_)) return {pos_, std::min(have, max)};
    }
}

void TextReader::SkipSpace() {
    // Most often: nothing, or a line end and the next line's few blanks.
    if (end_ - pos_ >= 16) {
        const char* p = pos_;
        p += *p == '\r';
        const bool newline = *p == '\n';
        p += newline;
        if (const std::uint64_t other = Load8(p) ^ Bytes(' '); other != 0) {
            p += FirstNonZeroByte(other);
            if (!IsSpace(*p)) {
                pos_ = const_cast<char*>(p);
                line_ += newline;
                return;
            }
        }
    }
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
        if (char* newline = const_cast<char*>(FindByte(pos_, end_, '\n')); newline != end_) {
            pos_ = newline + 1;
            ++line_;
            return;
        }
        pos_ = end_;
        if (!Refill(end_)) return;
    }
}

// The same text whatever the chunk size: PeekLine reads on until it has
// the line's end or enough bytes.
std::string TextReader::QuoteAhead() {
    const std::string_view ahead = PeekLine(kQuotedLength);
    return QuotedText(ahead.data(), ahead.data() + ahead.size());
}

bool TextReader::Match(char c) {
    if (pos_ == end_ && !Refill(end_)) return false;
    if (*pos_ != c) return false;
    ++pos_;
    return true;
}

// A token is only trusted once `lookahead` bytes past it are in the buffer
// (or the input has ended): "1.5e" at a chunk's end may go on with "+07". A
// token that fills half the buffer is read on the way through instead.
template <typename T, typename Length, typename Parse>
ScanStatus TextReader::ScanField(T& value, Length length, Parse parse, int lookahead,
                                 ScanStatus (TextReader::*stream)(T&)) {
    for (;;) {
        int n = length(pos_, end_);
        if (end_ - (pos_ + n) > lookahead || inputEnded_) {
            if (n == 0) return ScanStatus::mismatch;
            ScanStatus status = parse(pos_, pos_ + n, value);
            if (status == ScanStatus::ok) pos_ += n;
            return status;
        }
        if (static_cast<std::size_t>(end_ - pos_) > capacity_ / 2) return (this->*stream)(value);
        if (!Refill(pos_)) continue;  // input ended: the loop now trusts what it has
    }
}

ScanStatus TextReader::ScanInteger(std::int32_t& value) {
    SkipSpace();
    return IntegerHere(value);
}

ScanStatus TextReader::ScanLineInteger(std::int32_t& value) {
    for (;;) {
        for (;;) {
            pos_ = const_cast<char*>(SkipBlanks(pos_, end_));
            if (pos_ == end_ || !IsSpace(*pos_) || *pos_ == '\n') break;
            ++pos_;
        }
        if (pos_ != end_ || !Refill(end_)) break;
    }
    if (pos_ != end_ && *pos_ == '\n') return ScanStatus::end;
    return IntegerHere(value);
}

ScanStatus TextReader::IntegerHere(std::int32_t& value) {
    if (pos_ == end_) return ScanStatus::end;
    if (end_ - pos_ >= kFastScanReach) {
        if (const char* next = FastInteger(pos_, value)) {
            pos_ = const_cast<char*>(next);
            return ScanStatus::ok;
        }
    }
    // A whole token: the line scanner finds nothing to skip.
    auto parse = [](const char* p, const char* end, std::int32_t& v) { return cor2tavik::ScanInteger(p, end, v); };
    return ScanField(value, IntegerTokenLength, parse, 1, &TextReader::StreamInteger);
}

template <typename T, const char* (*Fast)(const char*, T&)>
ScanStatus TextReader::ScanRealBy(T& value) {
    SkipSpace();
    if (pos_ == end_) return ScanStatus::end;
    if (end_ - pos_ >= kFastScanReach) {
        if (const char* next = Fast(pos_, value)) {
            pos_ = const_cast<char*>(next);
            return ScanStatus::ok;
        }
    }
    if constexpr (std::is_same_v<T, double>) {
        return ScanField(value, RealTokenLength, ParseReal, 3, &TextReader::StreamReal);
    } else {
        double real = 0;
        const ScanStatus status = ScanField(real, RealTokenLength, ParseReal, 3, &TextReader::StreamReal);
        if (status == ScanStatus::ok) value = Cell::Of(real);
        return status;
    }
}

ScanStatus TextReader::ScanReal(double& value) { return ScanRealBy<double, FastReal>(value); }

ScanStatus TextReader::ScanCell(Cell& cell) { return ScanRealBy<Cell, FastCell>(cell); }

template <typename T, int (*Run)(const char*&, const char*, T*, int), ScanStatus (TextReader::*One)(T&)>
ScanStatus TextReader::ScanRun(T* values, int n, int& scanned) {
    scanned = 0;
    while (scanned < n) {
        if (end_ - pos_ > kFastScanReach) {
            const char* p = pos_;
            scanned += Run(p, end_ - kFastScanReach, values + scanned, n - scanned);
            pos_ = const_cast<char*>(p);
            if (scanned == n) break;
        }
        // Near the buffer's end, or a field the fast scan leaves.
        if (const ScanStatus status = (this->*One)(values[scanned]); status != ScanStatus::ok) return status;
        ++scanned;
    }
    return ScanStatus::ok;
}

ScanStatus TextReader::ScanLineIntegers(std::int32_t* values, int n, int& scanned) {
    return ScanRun<std::int32_t, FastLineIntegers, &TextReader::ScanLineInteger>(values, n, scanned);
}

ScanStatus TextReader::ScanCells(Cell* cells, int n, int& scanned) {
    return ScanRun<Cell, FastCells, &TextReader::ScanCell>(cells, n, scanned);
}

// A record's columns are checked from its line's start, within the bytes
// FastLines has in memory.
static_assert(RecordLayout::kMaxBytes <= TextReader::kLineRoom);

int TextReader::FastRecords(std::int32_t* labels, bool colon, Cell* cells, int width, int count) {
    // Past the line end a record read one by one leaves.
    SkipSpace();
    // The columns are learned again from the first record of each call
    // that does not fit those known (at most once a call: learning costs
    // more than a record).
    bool learned = false;
    const int read = FastLines(count, [&](int j, const char* q, const char* limit) -> const char* {
        std::int32_t label;
        Cell* record = cells + std::size_t(j) * width;
        // A shaped real is never infinite.
        if (layout_.width == width && layout_.colon == colon) {
            if (const char* end = LayoutCells(layout_, q, label, record)) {
                if (labels != nullptr) labels[j] = label;
                return end;
            }
        }
        const char* line = q;
        if (FastLineIntegers(q, limit, &label, 1) != 1) return nullptr;
        const char* labelEnd = q;
        if (colon && *q++ != ':') return nullptr;
        const char* fields = q;
        if (FastCells(q, limit, record, width) != width) return nullptr;
        bool infinite = false;
        for (int c = 0; c < width; ++c) infinite |= record[c].IsInfinite();
        if (infinite) return nullptr;
        // Not from the first record: SkipSpace may have left its line's start.
        if (!learned && j > 0) {
            layout_.Learn(line, labelEnd, fields, q, width);
            learned = true;
        }
        if (labels != nullptr) labels[j] = label;
        return q;
    });
    SkipSpace();
    return read;
}

// A token of at least half a buffer, which has its digits: sign and digits.
ScanStatus TextReader::StreamInteger(std::int32_t& value) {
    LongInteger number;
    number.negative = *pos_ == '-';
    if (*pos_ == '+' || *pos_ == '-') ++pos_;
    do {
        for (; pos_ != end_ && IsDigit(*pos_); ++pos_) number.Digit(*pos_);
    } while (pos_ == end_ && Refill(end_));
    return number.Value(value);
}

// A token of at least half a buffer, which has its digits: the sign and the
// digits with their point go by as they come; an exponent marker and its
// sign stay in the buffer until a digit after them makes them the token's.
ScanStatus TextReader::StreamReal(double& value) {
    LongReal number(*pos_ == '-');
    if (*pos_ == '+' || *pos_ == '-') ++pos_;
    bool point = false;
    for (int c = Peek(0); IsDigit(static_cast<char>(c)) || (c == '.' && !point); c = Peek(0)) {
        if (c == '.') {
            point = true;
            number.Point();
            ++pos_;
        }
        for (; pos_ != end_ && IsDigit(*pos_); ++pos_) number.Digit(*pos_);
    }
    std::int64_t exponent = 0;
    if (const int marker = Peek(0); marker == 'e' || marker == 'E') {
        const int sign = Peek(1);
        const std::size_t digits = sign == '+' || sign == '-' ? 2 : 1;
        if (const int first = Peek(digits); first >= 0 && IsDigit(static_cast<char>(first))) {
            pos_ += digits;
            do {
                for (; pos_ != end_ && IsDigit(*pos_); ++pos_)
                    if (exponent < kExponentLimit) exponent = exponent * 10 + (*pos_ - '0');
            } while (pos_ == end_ && Refill(end_));
            if (sign == '-') exponent = -exponent;
        }
    }
    return number.Value(exponent, value);
}

}  // namespace cor2tavik
