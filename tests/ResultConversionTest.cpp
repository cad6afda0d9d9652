// Whole conversions with result files: blocks 52, 72 and 73, byte for byte.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace cor2tavik {
namespace {

using test::Convert;
using test::Crlf;
using test::Header;
using test::Problems;
using test::ScratchDir;

// Two nodes (12 and 13) and one 4-node element (7).
constexpr char kModel[] = "t\ns\nNODE 2\n12 0 0 0\n13 1 0 0\nELEM 1\n7 304 4 12 13 12 13\n";

std::string ModelBlocks() {
    return Header() + Crlf("12\n"
                           "        12       0       0  000000       0.000000E+0000.000000E+0000.000000E+000\n"
                           "        13       0       0  000000       1.000000E+0000.000000E+0000.000000E+000\n"
                           "-1\n13\n"
                           "         7   304               0      12      13      12      13\n"
                           "-1\n");
}

constexpr char kPreamble[] = "         1     1\n         1\n";
constexpr char kElementHeader[] = "         7   304       1       1       0\n";
constexpr char kSixZeros[] = "  0.000000E+0000.000000E+0000.000000E+0000.000000E+0000.000000E+0000.000000E+000\n";

std::string DisplacementBlock(const std::string& first, const std::string& second) {
    return Crlf(std::string("52\n") + kPreamble + "        12\n  " + first + "\n        13\n  " + second + "\n-1\n");
}

TEST(ResultConversion, DisplacementOnly) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    dir.Write("Displacement.dat", "DISPLACEMENT\nNODE = 2\nlabel: x y z\n  101: 0.5 -0.25 0\n  102: 1e-3 2E+2 -0.0\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.report.clean()) << Problems(result.report);
    EXPECT_EQ(result.output, ModelBlocks() +
                                 DisplacementBlock("5.000000E-001-2.50000E-0010.000000E+000",
                                                   "1.000000E-0032.000000E+0020.000000E+000") +
                                 Crlf("99\n"));
}

TEST(ResultConversion, StressOnlyWithSixZeros) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    dir.Write("Stress.dat", "STRESS\r\ncount=   1 trailing\r\nheader\r\n1: 0 0 0 0 0 0\r\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.report.clean()) << Problems(result.report);
    EXPECT_EQ(result.output, ModelBlocks() + Crlf(std::string("72\n") + kPreamble + kElementHeader + kSixZeros +
                                                  "-1\n99\n"));
}

TEST(ResultConversion, AllThreeInOrder) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    // Records may span lines; labels are not looked at.
    dir.Write("Strain.dat", "STRAIN\nELEMENT = 1\n\n9: 1 2 3\n 4 5 6\n");
    dir.Write("Stress.dat", "STRESS\nELEMENT=1\n\n 5001: -1 -2 -3 -4 -5 -6\n");
    dir.Write("Displacement.dat", "D\nN =2\n\n1: 1 1 1\n2: 2 2 2\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.report.clean()) << Problems(result.report);
    EXPECT_EQ(result.output,
              ModelBlocks() +
                  DisplacementBlock("1.000000E+0001.000000E+0001.000000E+000", "2.000000E+0002.000000E+0002.000000E+000") +
                  Crlf(std::string("72\n") + kPreamble + kElementHeader +
                       "  -1.00000E+000-2.00000E+000-3.00000E+000-4.00000E+000-5.00000E+000-6.00000E+000\n-1\n" +
                       "73\n" + kPreamble + kElementHeader +
                       "  1.000000E+0002.000000E+0003.000000E+0004.000000E+0005.000000E+0006.000000E+000\n-1\n" +
                       "99\n"));
}

// The model's counts stay in force: missing records are 0, extra ones are
// ignored, and the model blocks keep every node and element.
TEST(ResultConversion, CountsThatDifferFromTheModel) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    dir.Write("Displacement.dat", "D\nNODE = 1\n\n1: 3 3 3\n");
    dir.Write("Stress.dat", "S\nELEMENT = 3\n\n1: 1 1 1 1 1 1\n2: 2 2 2 2 2 2\n3: 3 3 3 3 3 3\n");
    dir.Write("Strain.dat", "S\nELEMENT = 0\n\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output,
              ModelBlocks() + DisplacementBlock("3.000000E+0003.000000E+0003.000000E+000", "0.000000E+0000.000000E+0000.000000E+000") +
                  Crlf(std::string("72\n") + kPreamble + kElementHeader +
                       "  1.000000E+0001.000000E+0001.000000E+0001.000000E+0001.000000E+0001.000000E+000\n-1\n" +
                       "73\n" + kPreamble + kElementHeader + kSixZeros + "-1\n99\n"));
    EXPECT_EQ(Problems(result.report),
              "Displacement.dat:2: the file holds 1 records, the model has 2 nodes; the missing ones are 0\n"
              "Stress.dat:2: the file holds 3 records, the model has 1 elements; the extra ones are ignored\n"
              "Strain.dat:2: the file holds 0 records, the model has 1 elements; the missing ones are 0\n");
}

TEST(ResultConversion, UnusableCountLinesLeaveTheBlockOut) {
    struct Case {
        const char* file;
        const char* problem;
    };
    const Case cases[] = {
        {"D\nNODE 2\n\n1: 1 1 1\n2: 2 2 2\n",
         "Displacement.dat:2: record count line has no '=' in its first 80 characters; the block is left out\n"},
        {"D\nNODE = x\n", "Displacement.dat:2: record count is missing after '='; the block is left out\n"},
        {"D\nNODE = -2\n", "Displacement.dat:2: negative record count -2; the block is left out\n"},
        {"D\nNODE = 99999999999\n", "Displacement.dat:2: record count does not fit 32 bits; the block is left out\n"},
        {"D\nNODE = 500\n\n", "Displacement.dat:2: 500 records cannot fit in a file of 14 bytes; the block is left out\n"},
        {"D\n", "Displacement.dat:2: the file ends before its record count line; the block is left out\n"},
        {"", "Displacement.dat:1: the file ends before its record count line; the block is left out\n"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        dir.Write("model.dat3", kModel);
        dir.Write("Displacement.dat", c.file);
        auto result = Convert(dir);
        EXPECT_EQ(result.status, 0) << c.file;
        EXPECT_EQ(result.output, ModelBlocks() + Crlf("99\n")) << c.file;
        EXPECT_EQ(Problems(result.report), c.problem) << c.file;
    }
    // An '=' past the 80th character does not count.
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    dir.Write("Displacement.dat", "D\n" + std::string(80, ' ') + "=2\n\n");
    auto result = Convert(dir);
    EXPECT_EQ(result.output, ModelBlocks() + Crlf("99\n"));
    EXPECT_EQ(result.report.problemCount, 1u);
}

TEST(ResultConversion, BadAndMissingRecords) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    // A blank before the colon spoils that record; reading resumes on the
    // next line.
    dir.Write("Displacement.dat", "D\r\nNODE = 2\r\n\r\n1 : 9 9 9\r\n2: 0.5 -0.25 0\r\n");
    dir.Write("Stress.dat", "S\nELEMENT = 1\n\n1: 1 2 x 4 5 6\n");
    dir.Write("Strain.dat", "S\nELEMENT = 1\n\n1: 1 2");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output,
              ModelBlocks() +
                  DisplacementBlock("0.000000E+0000.000000E+0000.000000E+000", "5.000000E-001-2.50000E-0010.000000E+000") +
                  Crlf(std::string("72\n") + kPreamble + kElementHeader +
                       "  1.000000E+0002.000000E+0000.000000E+0000.000000E+0000.000000E+0000.000000E+000\n-1\n" +
                       "73\n" + kPreamble + kElementHeader +
                       "  1.000000E+0002.000000E+0000.000000E+0000.000000E+0000.000000E+0000.000000E+000\n-1\n" +
                       "99\n"));
    EXPECT_EQ(Problems(result.report),
              "Displacement.dat:4: record 1: ':' after the label is missing\n"
              "Stress.dat:4: record 1: component 3 is not a number\n"
              "Strain.dat:4: the file ends after 0 of 1 records; the rest are 0\n");
}

}  // namespace
}  // namespace cor2tavik
