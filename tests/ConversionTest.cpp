// Whole conversions in this process: the version line at a fixed time, the
// new file's mode, and models large enough to span many 1 MiB input chunks
// and output buffers and the 2048-record runs of the helper threads, which
// the case directories are too small for.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace cor2tavik {
namespace {

using test::Convert;
using test::Header;
using test::Problems;
using test::ScratchDir;

TEST(Conversion, VersionLineAndModeOfTheNewFile) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 0\nELEM 0\n");
    dir.Write("model.std", "earlier");
    ::chmod((dir / "model.std").c_str(), 0600);
    const mode_t old = ::umask(022);
    auto result = Convert(dir);
    ::umask(old);
    EXPECT_EQ(result.output, Header() + "12\r\n-1\r\n13\r\n-1\r\n99\r\n");
    struct stat status;
    ASSERT_EQ(::stat((dir / "model.std").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);

    std::tm late{};
    late.tm_year = 12026 - 1900;  // wider than its field: the line grows
    // Each field is padded with blanks, minutes and seconds too.
    late.tm_mon = 11;
    late.tm_mday = 7;
    late.tm_hour = 23;
    late.tm_min = 5;
    late.tm_sec = 9;
    ConversionOptions options;
    options.timestamp = late;
    ConversionReport report;
    ASSERT_EQ(RunConversion(dir / "model", dir.path() + "/", report, options), 0);
    EXPECT_EQ(dir.Read("model.std").substr(0, 49), " 1\r\nVERSION  5. 0. 0DATE12026/12/ 7TIME23: 5: 9\r\n");
}

std::string Int(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%*d", width, value);
    return text;
}

// Small integers written as 17-digit reals, and their fields.
std::string Real(int k) {
    char text[32];
    std::snprintf(text, sizeof text, "%24.16E", static_cast<double>(k));
    return text;
}

std::string Field(int k) {
    char text[16];
    if (k == 0) return "0.000000E+000";
    std::snprintf(text, sizeof text, k > 0 ? "%d.000000E+000" : "%d.00000E+000", k);
    return text;
}

int Value(int record, int component) { return (record * 7 + component * 3) % 19 - 9; }

// A model of `n` nodes and `n` 8-node elements with all three result files,
// CR LF ended, and the neutral file it converts to.
struct LargeModel {
    explicit LargeModel(int n) {
        model = "LARGE\r\nMODEL\r\nNODE" + Int(n, 8) + "\r\n";
        displacement = "DISPLACEMENT\r\nNODE = " + std::to_string(n) + "\r\n  LABEL: X Y Z\r\n";
        stress = "STRESS\r\nELEMENT = " + std::to_string(n) + "\r\n  LABEL: XX YY ZZ XY YZ ZX\r\n";
        strain = "STRAIN\r\nELEMENT = " + std::to_string(n) + "\r\n  LABEL: XX YY ZZ XY YZ ZX\r\n";
        std::string nodes, elements, block52, block72, block73;
        for (int i = 0; i < n; ++i) {
            model += Int(1000 + i, 8);
            displacement += Int(i + 1, 8) + ":";
            nodes += "  " + Int(1000 + i, 8) + "       0       0  000000       ";
            block52 += "  " + Int(1000 + i, 8) + "\r\n  ";
            for (int c = 0; c < 3; ++c) {
                model += Real(Value(i, c));
                displacement += Real(Value(i, c + 1));
                nodes += Field(Value(i, c));
                block52 += Field(Value(i, c + 1));
            }
            model += "\r\n";
            displacement += "\r\n";
            nodes += "\r\n";
            block52 += "\r\n";
        }
        model += "ELEM" + Int(n, 8) + "\r\n";
        for (int i = 0; i < n; ++i) {
            model += Int(i + 1, 8) + "   308     8";
            elements += "  " + Int(i + 1, 8) + "   308        " + Int(0, 8);
            for (int j = 0; j < 8; ++j) {
                model += Int(1000 + (i + j) % n, 8);
                elements += Int(1000 + (i + j) % n, 8);
                if (j == 5) elements += "\r\n        ";  // the line breaks after the 6th
            }
            model += "\r\n";
            elements += "\r\n";
            stress += Int(i + 1, 8) + ":";
            strain += Int(i + 1, 8) + ":";
            const std::string head = "  " + Int(i + 1, 8) + "   308       1       1       0\r\n  ";
            block72 += head;
            block73 += head;
            for (int c = 0; c < 6; ++c) {
                stress += Real(Value(i, c + 2));
                strain += Real(-Value(i, c));
                block72 += Field(Value(i, c + 2));
                block73 += Field(-Value(i, c));
            }
            stress += "\r\n";
            strain += "\r\n";
            block72 += "\r\n";
            block73 += "\r\n";
        }
        const std::string preamble = "         1     1\r\n         1\r\n";
        output = Header() + "12\r\n" + nodes + "-1\r\n13\r\n" + elements + "-1\r\n52\r\n" + preamble + block52 +
                 "-1\r\n72\r\n" + preamble + block72 + "-1\r\n73\r\n" + preamble + block73 + "-1\r\n99\r\n";
    }

    void WriteInto(const ScratchDir& dir) const {
        dir.Write("model.dat3", model);
        dir.Write("Displacement.dat", displacement);
        dir.Write("Stress.dat", stress);
        dir.Write("Strain.dat", strain);
    }

    std::string model, displacement, stress, strain, output;
};

constexpr int kLarge = 40000;

// Where two large texts part, not the megabytes.
std::string FirstDifference(const std::string& got, const std::string& want) {
    const auto at = static_cast<std::size_t>(std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first -
                                             got.begin());
    if (at == got.size() && at == want.size()) return "";
    const std::size_t from = at > 40 ? at - 40 : 0;
    return "at byte " + std::to_string(at) + ": got \"" + got.substr(from, 120) + "\", want \"" +
           want.substr(from, 120) + "\"";
}

TEST(LargeConversion, ByteExactAcrossChunksBuffersAndThreads) {
    const LargeModel large(kLarge);
    ASSERT_GT(large.output.size(), 8u << 20);
    ScratchDir dir;
    large.WriteInto(dir);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Problems(result.report), "");
    EXPECT_EQ(FirstDifference(result.output, large.output), "");
    EXPECT_EQ(dir.List(), "Displacement.dat Strain.dat Stress.dat model.dat3 model.std");
}

// Records of some 850 bytes, more than a helper thread's run holds.
TEST(LargeConversion, LongElementRecords) {
    constexpr int kElements = 20000;
    std::string model = "t\r\ns\r\nNODE 0\r\nELEM " + std::to_string(kElements) + "\r\n";
    std::string elements;
    for (int i = 0; i < kElements; ++i) {
        model += std::to_string(i + 1) + " 400 10";
        elements += "  " + Int(i + 1, 8) + "   400        " + Int(0, 8);
        for (int j = 0; j < 100; ++j) {
            if (j < 10) model += Int(i * 10 + j, 8);
            elements += Int(j < 10 ? i * 10 + j : 0, 8);
            if (j == 5 || j == 14) elements += "\r\n        ";
        }
        model += "\r\n";
        elements += "\r\n";
    }
    ScratchDir dir;
    dir.Write("model.dat3", model);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.report.problemCount, std::size_t{kElements});  // type code 400 against 10 nodes
    EXPECT_EQ(FirstDifference(result.output, Header() + "12\r\n-1\r\n13\r\n" + elements + "-1\r\n99\r\n"), "");
}

// Problems come in file order, model first, whichever thread found them.
TEST(LargeConversion, ProblemsInFileOrder) {
    LargeModel large(kLarge);
    auto spoil = [](std::string& text, const std::string& what, const std::string& by) {
        const std::size_t at = text.rfind(what);
        ASSERT_NE(at, std::string::npos) << what;
        text.replace(at, what.size(), by);
    };
    spoil(large.model, Int(1000 + kLarge - 2, 8) + Real(Value(kLarge - 2, 0)), Int(1000 + kLarge - 2, 8) + " x");
    spoil(large.displacement, Int(kLarge - 1, 8) + ":", Int(kLarge - 1, 8) + " ");
    spoil(large.stress, "ELEMENT = " + std::to_string(kLarge), "ELEMENT = " + std::to_string(kLarge + 1));
    spoil(large.strain, Int(kLarge, 8) + ":" + Real(-Value(kLarge - 1, 0)), Int(kLarge, 8) + ": y");
    ScratchDir dir;
    large.WriteInto(dir);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Problems(result.report), "model.dat3:40002: node record 39999: x is not a number\n"
                                       "Displacement.dat:40002: record 39999: ':' after the label is missing\n"
                                       "Stress.dat:2: the file holds 40001 records, the model has 40000 elements; "
                                       "the extra ones are ignored\n"
                                       "Strain.dat:40003: record 40000: component 1 is not a number\n");
}

// A model refused after its node block: nothing is written, and what the
// result reader found meanwhile is not reported.
TEST(LargeConversion, ModelRefusedLate) {
    LargeModel large(kLarge);
    large.model.replace(large.model.find("ELEM"), 12, "ELEM  -1");
    large.displacement.replace(large.displacement.find("       1:"), 9, "       1 ");
    ScratchDir dir;
    large.WriteInto(dir);
    dir.Write("model.std", "earlier");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, -1);
    ASSERT_TRUE(result.report.failure);
    EXPECT_EQ(result.report.failure->message, "element count line: negative count -1");
    EXPECT_EQ(Problems(result.report), "");
    EXPECT_EQ(result.output, "earlier");
    EXPECT_EQ(dir.List(), "Displacement.dat Strain.dat Stress.dat model.dat3 model.std");
}

// A result file that is a pipe without a writer is only opened once the
// model is read: a refused model ends the job instead of waiting for ever.
TEST(LargeConversion, ModelRefusedWithAPipeForResults) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 1\n1 0 0 0\nELEM x\n");
    ASSERT_EQ(::mkfifo((dir / "Displacement.dat").c_str(), 0600), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        _exit(Convert(dir).status == -1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
}  // namespace cor2tavik
