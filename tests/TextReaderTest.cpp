// The reader under both input formats, at chunk sizes small enough that
// lines, tokens and CR LF pairs are cut by a chunk boundary.
#include <gtest/gtest.h>

#include "Platform.h"
#include "TestSupport.h"
#include "TextReader.h"

namespace cor2tavik {
namespace {

using test::ScratchDir;

TextReader Open(const ScratchDir& dir, const std::string& bytes, std::size_t chunk) {
    dir.Write("in.txt", bytes);
    int fd = -1;
    std::uint64_t size = 0;
    EXPECT_EQ(platform::OpenForReading(dir / "in.txt", fd, size), 0);
    return TextReader(FileDescriptor(fd), chunk);
}

std::vector<std::string> Lines(TextReader& in) {
    std::vector<std::string> lines;
    std::string line;
    while (in.ReadLine(line)) lines.push_back(line);
    return lines;
}

TEST(TextReader, LinesAtEveryChunkSize) {
    ScratchDir dir;
    for (std::size_t chunk : {4, 5, 6, 7, 8, 16, 1 << 20}) {
        // Bytes as they are: a text-mode open would drop the first CR of CR CR LF.
        TextReader in = Open(dir, "first\r\nsecond\rstill second\n\r\n\rlast\r\r\n\r", chunk);
        EXPECT_EQ(Lines(in), (std::vector<std::string>{"first", "second\rstill second", "", "\rlast\r", "\r"})) << chunk;
        EXPECT_EQ(in.line(), 5) << chunk;  // a lone CR ends no line
        TextReader stopped = Open(dir, "a\r\nb\r\x1A\r\nnever\n", chunk);
        EXPECT_EQ(Lines(stopped), (std::vector<std::string>{"a", "b\r"})) << chunk;
    }
    std::string longLine(300000, 'x');
    longLine[123456] = '\r';
    TextReader in = Open(dir, "short\r\n" + longLine + "\r\nend", 4096);
    EXPECT_EQ(Lines(in), (std::vector<std::string>{"short", longLine, "end"}));
}

// A field that does not scan is quoted alike at every chunk size: up to the
// line's end or 20 bytes, other bytes than printable ASCII shown as '?'.
TEST(TextReader, QuotesAFailedFieldsTextAtEveryChunkSize) {
    ScratchDir dir;
    for (std::size_t chunk : {4, 5, 7, 1 << 20}) {
        TextReader in = Open(dir, "1 5.O 0.0\r\n2 x\t\x01\xE3\x81\x82 abcdefghijklmnopqrstuvwxyz\n", chunk);
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

TEST(TextReader, FieldsAcrossChunkBoundaries) {
    ScratchDir dir;
    std::string bytes;
    for (int i = 0; i < 200; ++i)
        bytes += "  " + std::to_string(i * 7919 - 500000) + " -1.25e+07 3.5E-3\r\n\r\n 6.02214076e23\t.5 7. 1" +
                 std::string(i, '0') + "\r\n";  // tokens longer than a chunk are read whole
    for (std::size_t chunk : {4, 5, 9, 13, 64, 1 << 20}) {
        TextReader in = Open(dir, bytes, chunk);
        for (int i = 0; i < 200; ++i) {
            std::int32_t n = 0;
            ASSERT_EQ(in.ScanInteger(n), ScanStatus::ok);
            EXPECT_EQ(n, i * 7919 - 500000);
            for (double want : {-1.25e7, 3.5e-3, 6.02214076e23, 0.5, 7.0, std::stod("1e" + std::to_string(i))}) {
                double value = 0;
                ASSERT_EQ(in.ScanReal(value), ScanStatus::ok);
                EXPECT_EQ(value, want) << "chunk " << chunk << ", record " << i;
            }
        }
        double last;
        EXPECT_EQ(in.ScanReal(last), ScanStatus::end);
        EXPECT_EQ(in.line(), 601) << "chunk " << chunk;
    }
}

}  // namespace
}  // namespace cor2tavik
