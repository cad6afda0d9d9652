// Whole conversions of model files without result files: the header, node
// and element blocks, byte for byte.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace cor2tavik {
namespace {

using test::Convert;
using test::Crlf;
using test::Header;
using test::Problems;
using test::ScratchDir;

constexpr char kFixedNodeText[] = "       0       0  000000       ";
constexpr char kZero3[] = "0.000000E+0000.000000E+0000.000000E+000";

std::string Blocks(const std::string& nodes, const std::string& elements) {
    return Header() + Crlf("12\n" + nodes + "-1\n13\n" + elements + "-1\n99\n");
}

TEST(MeshConversion, EmptyModel) {
    ScratchDir dir;
    dir.Write("model.dat3", "EMPTY MODEL\r\n\r\nNODE    0\r\nELEM    0\r\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.report.clean()) << Problems(result.report);
    EXPECT_EQ(result.output, Header() + Crlf("12\n-1\n13\n-1\n99\n"));
}

TEST(MeshConversion, NodeAtOriginAndFourNodeElement) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 1\n5 0.0 0.0 -0.0\nELEM 1\n7 304 4 1 2 3 4\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    const std::string node = std::string("         5") + kFixedNodeText + kZero3;
    const std::string element = "         7   304               0       1       2       3       4";
    EXPECT_EQ(node.size(), 80u);
    EXPECT_EQ(element.size(), 64u);
    EXPECT_EQ(result.output, Blocks(node + "\n", element + "\n"));
    EXPECT_TRUE(result.report.clean()) << Problems(result.report);
}

// Line breaks after the 6th and 15th node number; the element-count line is
// read from its first non-blank character after the last node record.
TEST(MeshConversion, ElementShapesAndFieldWidths) {
    ScratchDir dir;
    dir.Write("model.dat3",
              "MODEL\n"
              "   second line\n"
              "NODE    3\n"
              "  1234567890  1.0 -1.0 123.456\n"
              "        -5 0.1\n   1e-5\n1e100\n"  // a record may span lines
              "         6 -2.5e-300 1.0078125 -1.015625\n"
              "   ELEM 3\n"
              "12 308 8 1 2 3 4 5 6 7 8 99 100 junk\n"
              "-123456789 310 10 11 12 13 14 15 16 17 18 19 20\n"
              "2147483647 304 4 -1 -22 -333 -4444\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.report.clean()) << Problems(result.report);
    const std::string nodes =
        std::string("  1234567890") + kFixedNodeText + "1.000000E+000-1.00000E+0001.234560E+002\n" +
        "        -5" + kFixedNodeText + "1.000000E-0011.000000E-0051.000000E+100\n" +
        "         6" + kFixedNodeText + "-2.50000E-3001.007813E+000-1.01563E+000\n";
    const std::string elements =
        "        12   308               0       1       2       3       4       5       6\n"
        "               7       8\n"
        "  -123456789   310               0      11      12      13      14      15      16\n"
        "              17      18      19      20\n"
        "  2147483647   304               0      -1     -22    -333   -4444\n";
    EXPECT_EQ(result.output, Blocks(nodes, elements));
}

TEST(MeshConversion, CrLfAndLfInputGiveTheSameFile) {
    const std::string lf = "t\ns\nNODE 2\n1 1.5 2.5 3.5\n2 -1.5 -2.5 -3.5\nELEM 1\n1 304 4 1 2 1 2\n";
    ScratchDir a, b;
    a.Write("model.dat3", lf);
    b.Write("model.dat3", Crlf(lf));
    auto fromLf = Convert(a);
    auto fromCrLf = Convert(b);
    EXPECT_EQ(fromLf.status, 0);
    EXPECT_EQ(fromCrLf.status, 0);
    EXPECT_EQ(fromLf.output, fromCrLf.output);
    EXPECT_NE(fromLf.output.find("1.500000E+0002.500000E+0003.500000E+000\r\n"), std::string::npos);
}

TEST(MeshConversion, ControlZEndsTheModel) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 0\nELEM 1\n7 304 4 1 2 3 4\n\x1A" "8 304 4 5 6 7 8\ngarbage\x01\x02");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.report.clean()) << Problems(result.report);
    EXPECT_EQ(result.output, Blocks("", "         7   304               0       1       2       3       4\n"));
}

TEST(MeshConversion, LongTitleLinesAreOneLineEach) {
    ScratchDir dir;
    dir.Write("model.dat3", std::string(1000, 'T') + "\n" + std::string(300, 'S') + "\nNODE 0\nELEM 0\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, Blocks("", ""));
}

// Elements whose node count is not 4, 8 or 10 store nothing; each element is
// written from its own entries only, so a bad element cannot shift the node
// numbers of those after it.
TEST(MeshConversion, InconsistentElementsAreWrittenFromTheirOwnEntries) {
    ScratchDir dir;
    dir.Write("model.dat3",
              "t\ns\nNODE 0\nELEM 7\n"
              "1 306 6 1 2 3 4 5 6\n"
              "2 308 4 1 2 3 4\n"
              "3 304 8 1 2 3 4 5 6 7 8\n"
              "4 300 4 9 9 9 9\n"
              "5 304 4 1 2\n"
              "6 315 20 1 2 3\n"
              "7 304 4 5 6 7 8\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    const std::string elements =
        "         1   306               0       0       0       0       0       0       0\n"
        "         2   308               0       1       2       3       4       0       0\n"
        "               0       0\n"
        "         3   304               0       1       2       3       4\n"
        "         4   300               0\n"
        "         5   304               0       1       2       0       0\n"
        "         6   315               0       0       0       0       0       0       0\n"
        "               0       0       0       0       0       0       0       0       0\n"
        "         7   304               0       5       6       7       8\n";
    EXPECT_EQ(result.output, Blocks("", elements));
    EXPECT_EQ(Problems(result.report),
              "model.dat3:5: element 1: node count 6 is not 4, 8 or 10; no node numbers are stored\n"
              "model.dat3:6: element 2: type code 308 does not agree with node count 4\n"
              "model.dat3:7: element 3: type code 304 does not agree with node count 8\n"
              "model.dat3:8: element 4: type code 300 does not agree with node count 4\n"
              "model.dat3:9: element 5: 2 of 4 node numbers could be read; the rest are 0\n"
              "model.dat3:10: element 6: node count 20 is not 4, 8 or 10; no node numbers are stored\n"
              "model.dat3:10: element 6: type code 315 does not agree with node count 20\n");
}

// A type code is 300 plus the node count written; one that asks for more
// than 100 node numbers writes none rather than a flood of zeros.
TEST(MeshConversion, AbsurdTypeCodesWriteNoNodeNumbers) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 0\nELEM 2\n1 400 4 1 2 3 4\n2 2147483647 4 1 2 3 4\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    std::string zeros9, zeros85;
    for (int i = 0; i < 9; ++i) zeros9 += "       0";
    for (int i = 0; i < 85; ++i) zeros85 += "       0";
    const std::string elements =
        "         1   400               0       1       2       3       4       0       0\n"
        "        " + zeros9 + "\n"
        "        " + zeros85 + "\n"
        "         22147483647               0\n";
    EXPECT_EQ(result.output, Blocks("", elements));
    EXPECT_EQ(result.report.problemCount, 2u);
}

TEST(MeshConversion, BadRecordsWarnAndReadingResumesOnTheNextLine) {
    ScratchDir dir;
    dir.Write("model.dat3",
              "t\ns\nNODE 4\n"
              "1 0.5 x 2.0 3.0\n"
              "2 1 2 3\n"
              "99999999999 1 2 3\n"
              "4 1e999 -1e999 7\n"
              "ELEM 3\n"
              "abc\n"
              "11 304\n"
              "12 304 4 1 2 99999999999 4\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    const std::string nodes = std::string("         1") + kFixedNodeText + "5.000000E-0010.000000E+0000.000000E+000\n" +
                              "         2" + kFixedNodeText + "1.000000E+0002.000000E+0003.000000E+000\n" +
                              "         0" + kFixedNodeText + kZero3 + "\n" +
                              "         4" + kFixedNodeText + "1.#INF00E+000-1.#INF0E+0007.000000E+000\n";
    const std::string elements =
        "         0     0               0\n"
        "        11   304               0       0       0       0       0\n"
        "        12   304               0       1       2       0       0\n";
    EXPECT_EQ(result.output, Blocks(nodes, elements));
    EXPECT_EQ(Problems(result.report),
              "model.dat3:4: node record 1: y is not a number\n"
              "model.dat3:6: node record 3: node number does not fit 32 bits\n"
              "model.dat3:7: node record 4: x is beyond the range of a double\n"
              "model.dat3:7: node record 4: y is beyond the range of a double\n"
              "model.dat3:9: element line 1: element number is not a number\n"
              "model.dat3:10: element line 2: node count is missing\n"
              "model.dat3:11: element 12: 2 of 4 node numbers could be read; the rest are 0\n");
}

TEST(MeshConversion, FileEndingInsideTheElementLinesWritesZeroElements) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 0\nELEM 3\n7 304 4 1 2 3 4");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, Blocks("", "         7   304               0       1       2       3       4\n"
                                        "         0     0               0\n"
                                        "         0     0               0\n"));
    EXPECT_EQ(Problems(result.report),
              "model.dat3:5: the file ends after 1 of 3 element lines; the rest are written as zeros\n");
}

// A count that cannot be read refuses the whole file: nothing is written.
TEST(MeshConversion, UnusableCountsRefuseTheModel) {
    struct Case {
        const char* model;
        long line;
        const char* message;
    };
    const Case cases[] = {
        {"t\ns\n", 3, "the file ends before its node count line (line 3)"},
        {"t\ns\nNOD\n", 3, "node count line is shorter than five characters"},
        {"t\ns\nNODE\n", 3, "node count line is shorter than five characters"},
        {"t\ns\nNODEx5\n", 3, "node count line: no integer at column 5"},
        {"t\ns\nNODE 2147483648\n", 3, "node count line: the count does not fit 32 bits"},
        {"t\ns\nNODE -1\n", 3, "node count line: negative count -1"},
        {"t\ns\nNODE 2147483647\n", 3, "node count line: 2147483647 records cannot fit in a file of 20 bytes"},
        {"t\ns\nNODE 1\n1 2 3 4\n", 5, "the file ends before its element count line"},
        {"t\ns\nNODE 0\nELEM\n", 4, "element count line is shorter than five characters"},
        {"t\ns\nNODE 0\nELEM 30\n", 4, "element count line: 30 records cannot fit in a file of 19 bytes"},
        {"t\ns\nNODE 1\n1 2 3 4\n E 3\n", 5, "element count line is shorter than five characters"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        dir.Write("model.dat3", c.model);
        auto result = Convert(dir);
        EXPECT_EQ(result.status, -1) << c.model;
        ASSERT_TRUE(result.report.failure) << c.model;
        EXPECT_EQ(result.report.failure->line, c.line) << c.model;
        EXPECT_EQ(Message(*result.report.failure), c.message) << c.model;
        EXPECT_EQ(dir.List(), "model.dat3") << c.model;
    }
}

}  // namespace
}  // namespace cor2tavik
