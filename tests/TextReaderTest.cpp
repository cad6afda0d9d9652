// The reader under both input formats, at chunk sizes small enough that
// lines, tokens and CR LF pairs are cut by a chunk boundary.
#include <algorithm>
#include <bit>
#include <climits>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "ByteWord.h"
#include "Platform.h"
#include "TestSupport.h"
#include "TextReader.h"

namespace cor2tavik {
namespace {

using test::ScratchDir;

// Every case both ways: each chunk read when it is needed, and read ahead
// on a thread of its own.
class TextReaderTest : public testing::TestWithParam<bool> {
protected:
    // A file of its own each: a reader still open may be reading ahead.
    TextReader Open(const std::string& bytes, std::size_t chunk) {
        const std::string name = "in" + std::to_string(files_++) + ".txt";
        dir_.Write(name, bytes);
        int fd = -1;
        std::uint64_t size = 0;
        EXPECT_EQ(platform::OpenForReading(dir_ / name, fd, size), 0);
        return TextReader(FileDescriptor(fd), chunk, GetParam());
    }

private:
    ScratchDir dir_;
    int files_ = 0;
};

INSTANTIATE_TEST_SUITE_P(TextReader, TextReaderTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "ReadAhead" : "OnDemand"; });

// The byte search the reader's line ends and Ctrl-Z rest on (on Windows its
// own, in blocks of 64, 16 and 8 bytes): the first one at every place, from
// starts at every alignment.
TEST(FindByte, FirstAtEveryPlace) {
    std::string bytes(200, 'x');
    for (std::size_t k = 0; k <= bytes.size(); ++k) {
        if (k < bytes.size()) bytes[k] = '\x1A';
        if (k + 70 < bytes.size()) bytes[k + 70] = '\x1A';
        const char* end = bytes.data() + bytes.size();
        for (const char* p = bytes.data(); p < bytes.data() + 20; ++p)
            EXPECT_EQ(FindByte(p, end, 0x1A), std::find(p, end, '\x1A')) << k << " from " << p - bytes.data();
        bytes.assign(bytes.size(), 'x');
    }
}

// Each line's start as PeekLine shows it, the line then skipped.
std::vector<std::string> Lines(TextReader& in) {
    std::vector<std::string> lines;
    while (!in.AtEnd()) {
        lines.emplace_back(in.PeekLine(TextReader::kMaxPeek));
        in.SkipLine();
    }
    return lines;
}

TEST_P(TextReaderTest, LinesAtEveryChunkSize) {
    for (std::size_t chunk : {4, 5, 6, 7, 8, 16, 1 << 20}) {
        // Bytes as they are: a text-mode open would drop the first CR of CR CR LF.
        TextReader in = Open("first\r\nsecond\rstill second\n\r\n\rlast\r\r\n\r", chunk);
        EXPECT_EQ(Lines(in), (std::vector<std::string>{"first", "second\rstill second", "", "\rlast\r", "\r"})) << chunk;
        EXPECT_EQ(in.line(), 5) << chunk;  // a lone CR ends no line
        TextReader stopped = Open("a\r\nb\r\x1A\r\nnever\n", chunk);
        EXPECT_EQ(Lines(stopped), (std::vector<std::string>{"a", "b\r"})) << chunk;
        TextReader counted = Open("first\r\nsecond\n", chunk);
        counted.SkipLine();
        EXPECT_EQ(counted.consumed(), 7u) << chunk;  // what progress shows
    }
    // A line is never held whole; PeekLine stops short of a CR LF at its limit.
    std::string longLine(300000, 'x');
    longLine[40] = '\r';
    TextReader in = Open("short\r\n" + longLine + "\r\n" + std::string(80, 'y') + "\r\nend", 4096);
    EXPECT_EQ(Lines(in), (std::vector<std::string>{"short", longLine.substr(0, 80), std::string(80, 'y'), "end"}));
    TextReader cut = Open(std::string(79, 'z') + "\r\n", 4);
    EXPECT_EQ(cut.PeekLine(79), std::string(79, 'z'));
    EXPECT_EQ(cut.PeekLine(78), std::string(78, 'z'));
}

// Integers within a line stop at its end, whatever white space is before it.
TEST_P(TextReaderTest, LineIntegersStopAtTheLineEnd) {
    for (std::size_t chunk : {4, 7, 1 << 20}) {
        TextReader in = Open("  12\t-3 \r \r\n7\n\n+8" + std::string(1000, ' ') + "99999999999x\n", chunk);
        std::int32_t n = 0;
        EXPECT_EQ(in.ScanLineInteger(n), ScanStatus::ok);
        EXPECT_EQ(n, 12);
        EXPECT_EQ(in.ScanLineInteger(n), ScanStatus::ok);
        EXPECT_EQ(n, -3);
        EXPECT_EQ(in.ScanLineInteger(n), ScanStatus::end);
        in.SkipLine();
        EXPECT_EQ(in.ScanLineInteger(n), ScanStatus::ok);
        EXPECT_EQ(n, 7);
        in.SkipLine();
        EXPECT_EQ(in.ScanLineInteger(n), ScanStatus::end);
        in.SkipLine();
        EXPECT_EQ(in.ScanLineInteger(n), ScanStatus::ok);
        EXPECT_EQ(n, 8);
        EXPECT_EQ(in.ScanLineInteger(n), ScanStatus::overflow);
        EXPECT_EQ(in.line(), 4) << chunk;
        in.SkipLine();
        EXPECT_TRUE(in.AtEnd());
    }
}

// Fields cut by chunk boundaries read as the same tokens do in memory:
// lines of an integer and a real, with blanks, tabs and blank CR LF lines
// between, ordinary reals at every offset to a chunk's end, and tokens far
// longer than the buffer, read on the way through: digits past 800
// significant ones (a 1 after them can decide a halfway rounding), leading
// zeros, long exponents.
TEST_P(TextReaderTest, FieldsAcrossChunkBoundariesReadExactly) {
    const std::string halfway = "9007199254740993";  // 2^53 + 1: halfway between two doubles
    std::vector<std::string> tokens = {
        halfway + std::string(2000, '0'),
        halfway + std::string(2000, '0') + "1",
        halfway + std::string(2000, '0') + "e-2000",
        halfway + std::string(2000, '0') + "1e-2000",
        "-" + std::string(3000, '0') + "." + std::string(3000, '0') + "17e3005",
        "0." + std::string(5000, '0') + "4940656458412465441765687928682213723651e-318",
        std::string(400, '1') + "." + std::string(400, '2') + "E+" + std::string(500, '0') + "12",
        std::string(500, '7') + "e" + std::string(300, '9'),
        "-" + std::string(500, '7') + "e-" + std::string(300, '9'),
        "+" + std::string(700, '0'),
        std::string(600, '5') + "e+",
        std::string(600, '5') + "e",
        "." + std::string(900, '3') + ".5",
    };
    for (int i = 0; i < 200; ++i) {
        tokens.insert(tokens.end(), {"-1.25e+07", "3.5E-3", "6.02214076e23", ".5", "7."});
        tokens.push_back("1" + std::string(i, '0'));  // tokens longer than a chunk are read whole
    }
    std::string bytes;
    for (std::size_t k = 0; k < tokens.size(); ++k)
        bytes += std::to_string(int(k) * 7919 - 500000) + (k % 3 ? " " : "\t") + tokens[k] + (k % 4 ? "\r\n" : "\r\n\r\n");
    for (std::size_t chunk : {4, 5, 9, 13, 100, 1 << 20}) {
        TextReader in = Open(bytes, chunk);
        for (std::size_t k = 0; k < tokens.size(); ++k) {
            const std::string& token = tokens[k];
            std::int32_t n = 0;
            ASSERT_EQ(in.ScanInteger(n), ScanStatus::ok);
            EXPECT_EQ(n, int(k) * 7919 - 500000);
            const char* begin = token.data();
            const char* end = begin + RealTokenLength(begin, begin + token.size());
            double want = 0, got = 0;
            ASSERT_EQ(ParseReal(begin, end, want), ScanStatus::ok);
            ASSERT_EQ(in.ScanReal(got), ScanStatus::ok) << token.substr(0, 40);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(want))
                << "chunk " << chunk << ": " << token.substr(0, 40);
            // What is left of the token is next: an exponent marker without digits, a second point.
            if (end != begin + token.size()) {
                EXPECT_TRUE(in.Match(*end)) << token.substr(0, 40);
                in.SkipLine();
            }
        }
        double last;
        EXPECT_EQ(in.ScanReal(last), ScanStatus::end);
        EXPECT_EQ(in.line(), std::count(bytes.begin(), bytes.end(), '\n') + 1) << "chunk " << chunk;
        std::int32_t n = 0;
        TextReader integers = Open("-" + std::string(5000, '0') + "2147483648 " + std::string(900, '0') + "2147483648 +" + std::string(900, '0') + "12", chunk);
        EXPECT_EQ(integers.ScanInteger(n), ScanStatus::ok);
        EXPECT_EQ(n, INT32_MIN);
        EXPECT_EQ(integers.ScanInteger(n), ScanStatus::overflow);
        integers.SkipSpace();
        TextReader plus = Open("+" + std::string(900, '0') + "12", chunk);
        EXPECT_EQ(plus.ScanInteger(n), ScanStatus::ok);
        EXPECT_EQ(n, 12);
    }
}

// A field that does not scan is quoted alike at every chunk size: up to the
// line's end or 20 bytes, other bytes than printable ASCII shown as '?'.
TEST_P(TextReaderTest, QuotesAFailedFieldsTextAtEveryChunkSize) {
    for (std::size_t chunk : {4, 5, 7, 1 << 20}) {
        TextReader in = Open("1 5.O 0.0\r\n2 x\t\x01\xE3\x81\x82 abcdefghijklmnopqrstuvwxyz\n", chunk);
        std::int32_t label = 0;
        double value = 0;
        ASSERT_EQ(in.ScanInteger(label), ScanStatus::ok);
        ASSERT_EQ(in.ScanReal(value), ScanStatus::ok);
        EXPECT_EQ(value, 5.0);
        ASSERT_EQ(in.ScanReal(value), ScanStatus::mismatch);
        EXPECT_EQ(in.QuoteAhead(), "O 0.0") << chunk;
        in.SkipLine();
        ASSERT_EQ(in.ScanInteger(label), ScanStatus::ok);
        ASSERT_EQ(in.ScanReal(value), ScanStatus::mismatch);
        EXPECT_EQ(in.QuoteAhead(), "x ???? abcdefghijklm") << chunk;
        EXPECT_EQ(in.line(), 2);
    }
}

// A record read by the calls one by one; what it holds, as fields written.
std::string OneRecord(TextReader& in, bool colon, int width) {
    std::int32_t label = 0;
    std::vector<Cell> cells(static_cast<std::size_t>(width));
    int scanned = 0;
    const bool ok = in.ScanInteger(label) == ScanStatus::ok && (!colon || in.Match(':')) &&
                    in.ScanCells(cells.data(), width, scanned) == ScanStatus::ok;
    in.SkipLine();
    if (!ok) return "bad";
    std::string text = std::to_string(label);
    char field[kValueFieldWidth];
    for (const Cell& cell : cells) text.append(field, FormatCell(DecideCell(cell), field));
    return text;
}

// Records at the columns of the ones before them, each byte of a record
// changed in turn into bytes near what the columns want: what FastRecords
// reads in one go is what the calls one by one read.
TEST_P(TextReaderTest, RecordsAtKnownColumnsReadAsOneByOne) {
    struct Layout {
        const char* fields;  // a record's fields after its label
        bool colon;
        int width;
    };
    const Layout layouts[] = {
        {" -1.0105265392571956E-01  9.9999999999999995E+02 -4.4983823074372231E+02"
         "  2.6607402682446072E+01 -4.0950061601386506E-02  1.2500000000000000E-00", true, 6},
        {"   1.6640393793070224E-02  -6.1445439315675282e+02   1.1775068839669905E-01", false, 3},
        {" -1.010527E-01  8.279003E+01  1.999999E-05", true, 3},
        {"-4.771504E+00-8.003707E-01 1.035383E+02", true, 3},
        {"-1.0105265392571956E-01 9.9999999999999995E+02-4.4983823074372231E+02", true, 3},
    };
    for (const Layout& layout : layouts) {
        const std::string plain = std::string(layout.colon ? "      37:" : "      37") + layout.fields + "\r\n";
#ifdef __SSE2__
        // The columns learned from one record fit the next.
        RecordLayout columns;
        const std::string line = (layout.colon ? "     137:" : "     137") + std::string(layout.fields);
        const std::string bytes = line + std::string(RecordLayout::kMaxBytes, ' ');
        const char* fields = bytes.data() + (layout.colon ? 9 : 8);
        columns.Learn(bytes.data(), bytes.data() + 8, fields, bytes.data() + line.size(), layout.width);
        Cell fitted[6];
        std::int32_t label = 0;
        EXPECT_EQ(LayoutCells(columns, bytes.data(), label, fitted), bytes.data() + line.size()) << layout.fields;
        EXPECT_EQ(label, 137);
#endif
        for (char c : std::string(" -+.0eEx\t\r\n\0", 12)) {
            // Each changed record after two plain ones, the last followed by
            // enough for a record's columns to be checked in memory.
            std::string bytes = plain;
            for (std::size_t at = 0; at < plain.size(); ++at) {
                std::string changed = plain;
                changed[at] = c;
                bytes += plain + plain + changed;
            }
            bytes += plain + plain + plain;
            const int records = static_cast<int>(3 * plain.size() + 4);
            TextReader fast = Open(bytes, 4096), slow = Open(bytes, 4096);
            std::vector<Cell> cells(std::size_t(records * layout.width));
            std::vector<std::int32_t> labels(std::size_t(records), 0);
            for (int j = 0; j < records && !HasFailure();) {
                const int n = fast.FastRecords(labels.data() + j, layout.colon, cells.data() + j * layout.width,
                                               layout.width, records - j);
                for (int k = j; k < j + n; ++k) {
                    std::string text = std::to_string(labels[std::size_t(k)]);
                    char field[kValueFieldWidth];
                    for (int f = 0; f < layout.width; ++f)
                        text.append(field, FormatCell(DecideCell(cells[std::size_t(k * layout.width + f)]), field));
                    EXPECT_EQ(text, OneRecord(slow, layout.colon, layout.width))
                        << "record " << k << ", a byte as '" << c << "' in " << layout.fields;
                }
                j += n;
                if (j < records) {
                    EXPECT_EQ(OneRecord(fast, layout.colon, layout.width), OneRecord(slow, layout.colon, layout.width))
                        << "record " << j << ", a byte as '" << c << "' in " << layout.fields;
                    ++j;
                }
            }
            EXPECT_EQ(fast.line(), slow.line()) << "a byte as '" << c << "' in " << layout.fields;
        }
    }
}

}  // namespace
}  // namespace cor2tavik
