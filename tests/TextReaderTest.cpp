#include <fcntl.h>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TextReader.h"

namespace cor2tavik {
namespace {

using test::ScratchDir;

TextReader Open(const ScratchDir& dir, const std::string& bytes, std::size_t chunk = 1 << 20) {
    dir.Write("in.txt", bytes);
    return TextReader(FileDescriptor(::open((dir / "in.txt").c_str(), O_RDONLY)), chunk);
}

std::vector<std::string> Lines(TextReader& in) {
    std::vector<std::string> lines;
    std::string line;
    while (in.ReadLine(line)) lines.push_back(line);
    return lines;
}

TEST(TextReader, ReadsTextModeLinesAtEveryChunkSize) {
    ScratchDir dir;
    const std::string bytes = "first\r\nsecond\rstill second\n\r\n\rlast\r";
    const std::vector<std::string> expected = {"first", "second\rstill second", "", "\rlast\r"};
    for (std::size_t chunk : {4, 5, 6, 7, 8, 16, 1 << 20}) {
        TextReader in = Open(dir, bytes, chunk);
        EXPECT_EQ(Lines(in), expected) << "chunk " << chunk;
        EXPECT_EQ(in.line(), 4) << "chunk " << chunk;  // a lone CR ends no line
    }
}

TEST(TextReader, StopsAtControlZ) {
    ScratchDir dir;
    for (std::size_t chunk : {4, 7, 1 << 20}) {
        TextReader in = Open(dir, "a\r\nb\r\x1A\r\nnever\n", chunk);
        EXPECT_EQ(Lines(in), (std::vector<std::string>{"a", "b\r"})) << chunk;
    }
}

TEST(TextReader, ReadsLinesOfAnyLength) {
    ScratchDir dir;
    std::string longLine(300000, 'x');
    longLine[123456] = '\r';
    TextReader in = Open(dir, "short\r\n" + longLine + "\r\nend", 4096);
    EXPECT_EQ(Lines(in), (std::vector<std::string>{"short", longLine, "end"}));
}

// Fields must scan the same whatever the chunk size, including tokens and
// CR LF pairs cut by a chunk boundary.
TEST(TextReader, ScansFieldsAcrossChunkBoundaries) {
    ScratchDir dir;
    std::string bytes;
    for (int i = 0; i < 200; ++i)
        bytes += "  " + std::to_string(i * 7919 - 500000) + " -1.25e+07 3.5E-3\r\n\r\n 6.02214076e23\t.5 7.\r\n";
    for (std::size_t chunk : {4, 5, 9, 13, 64, 1 << 20}) {
        TextReader in = Open(dir, bytes, chunk);
        for (int i = 0; i < 200; ++i) {
            std::int32_t n = 0;
            double a = 0, b = 0, c = 0, d = 0, e = 0;
            ASSERT_EQ(in.ScanInteger(n), ScanStatus::ok);
            ASSERT_EQ(in.ScanReal(a), ScanStatus::ok);
            ASSERT_EQ(in.ScanReal(b), ScanStatus::ok);
            ASSERT_EQ(in.ScanReal(c), ScanStatus::ok);
            ASSERT_EQ(in.ScanReal(d), ScanStatus::ok);
            ASSERT_EQ(in.ScanReal(e), ScanStatus::ok);
            EXPECT_EQ(n, i * 7919 - 500000);
            EXPECT_EQ(a, -1.25e7);
            EXPECT_EQ(b, 3.5e-3);
            EXPECT_EQ(c, 6.02214076e23);
            EXPECT_EQ(d, 0.5);
            EXPECT_EQ(e, 7.0);
        }
        double last;
        EXPECT_EQ(in.ScanReal(last), ScanStatus::end);
        EXPECT_EQ(in.line(), 601) << "chunk " << chunk;
    }
}

TEST(TextReader, RealSyntax) {
    ScratchDir dir;
    struct Case {
        const char* text;
        ScanStatus status;
        double value;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"+7", ScanStatus::ok, 7},
        {"-.5e-3", ScanStatus::ok, -0.0005},
        {"1e400", ScanStatus::ok, inf},
        {"-1.5E+999", ScanStatus::ok, -inf},
        {"0.000001e-320", ScanStatus::ok, 0},
        {"4.9406564584124654e-324", ScanStatus::ok, std::numeric_limits<double>::denorm_min()},
        {"2.2250738585072011e-308", ScanStatus::ok, 2.2250738585072011e-308},
        {"inf", ScanStatus::mismatch, 0},
        {"nan", ScanStatus::mismatch, 0},
        {"-", ScanStatus::mismatch, 0},
        {".", ScanStatus::mismatch, 0},
        {"e5", ScanStatus::mismatch, 0},
        {"", ScanStatus::end, 0},
        {" \r\n\t ", ScanStatus::end, 0},
    };
    for (const Case& c : cases) {
        TextReader in = Open(dir, c.text, 8);
        double value = 0;
        ASSERT_EQ(in.ScanReal(value), c.status) << c.text;
        if (c.status == ScanStatus::ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    // What is not part of a number stays for the next field.
    struct Rest {
        const char* text;
        double value;
        const char* next;
    };
    const Rest rests[] = {{"1e ", 1, "e"}, {"1e+x", 1, "e"}, {"0x10", 0, "x"}, {"2.5:", 2.5, ":"}, {"3.e1", 30, ""}};
    for (const Rest& r : rests) {
        TextReader in = Open(dir, r.text, 8);
        double value = -1;
        ASSERT_EQ(in.ScanReal(value), ScanStatus::ok) << r.text;
        EXPECT_EQ(value, r.value) << r.text;
        std::string rest;
        in.ReadLine(rest);
        EXPECT_EQ(rest.substr(0, 1), r.next) << r.text;
    }
}

TEST(TextReader, IntegerSyntaxAndRange) {
    ScratchDir dir;
    TextReader in = Open(dir, "2147483647 -2147483648 +12 2147483648 x", 8);
    std::int32_t v = 0;
    ASSERT_EQ(in.ScanInteger(v), ScanStatus::ok);
    EXPECT_EQ(v, 2147483647);
    ASSERT_EQ(in.ScanInteger(v), ScanStatus::ok);
    EXPECT_EQ(v, -2147483647 - 1);
    ASSERT_EQ(in.ScanInteger(v), ScanStatus::ok);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(in.ScanInteger(v), ScanStatus::overflow);
    EXPECT_EQ(v, 12);  // untouched
}

}  // namespace
}  // namespace cor2tavik
