// A failed job never costs the user an existing neutral file and leaves no
// temporary file behind; a written one looks like any newly created file.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace cor2tavik {
namespace {

using test::Convert;
using test::ScratchDir;

constexpr char kModel[] = "t\ns\nNODE 1\n1 1 2 3\nELEM 0\n";
constexpr char kPrecious[] = "an earlier neutral file\r\n";

TEST(OutputSafety, FailuresKeepAnExistingNeutralFile) {
    struct Case {
        const char* name;
        const char* model;  // nullptr: no model file
        const char* message;
    };
    const Case cases[] = {
        {"missing model", nullptr, "cannot open: No such file or directory"},
        {"refused header", "t\ns\nNODE x\n", "node count line: no integer at column 5"},
        {"model ends early", "t\n", "the file ends before its node count line (line 3)"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        dir.Write("model.std", kPrecious);
        if (c.model) dir.Write("model.dat3", c.model);
        auto result = Convert(dir);
        EXPECT_EQ(result.status, -1) << c.name;
        ASSERT_TRUE(result.report.failure) << c.name;
        EXPECT_EQ(Message(*result.report.failure), c.message) << c.name;
        EXPECT_EQ(dir.Read("model.std"), kPrecious) << c.name;
        EXPECT_EQ(dir.List(), c.model ? "model.dat3 model.std" : "model.std") << c.name;
    }
}

TEST(OutputSafety, ModelThatIsADirectory) {
    ScratchDir dir;
    ASSERT_EQ(::mkdir((dir / "model.dat3").c_str(), 0755), 0);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, -1);
    ASSERT_TRUE(result.report.failure);
    EXPECT_EQ(Message(*result.report.failure), "cannot open: Is a directory");
    EXPECT_EQ(dir.List(), "model.dat3");
}

TEST(OutputSafety, OutputPathThatIsADirectory) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    ASSERT_EQ(::mkdir((dir / "model.std").c_str(), 0755), 0);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, -1);
    ASSERT_TRUE(result.report.failure);
    EXPECT_EQ(result.report.failure->file, dir / "model.std");
    EXPECT_EQ(Message(*result.report.failure), "cannot write: Is a directory");
    EXPECT_EQ(dir.List(), "model.dat3 model.std");
}

TEST(OutputSafety, ReplacesAnExistingFileWithUmaskPermissions) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    dir.Write("model.std", kPrecious);
    ::chmod((dir / "model.std").c_str(), 0600);
    mode_t old = ::umask(022);
    auto result = Convert(dir);
    ::umask(old);
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.output, kPrecious);
    struct stat status;
    ASSERT_EQ(::stat((dir / "model.std").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_EQ(dir.List(), "model.dat3 model.std");
}

TEST(OutputSafety, UnreadableResultFileIsReportedAndLeftOut) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    ASSERT_EQ(::mkdir((dir / "Stress.dat").c_str(), 0755), 0);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.report.problemCount, 1u);
    EXPECT_EQ(result.report.problems[0].file, dir.path() + "//Stress.dat");
    EXPECT_EQ(Message(result.report.problems[0]), "cannot open: Is a directory; the block is left out");
    EXPECT_EQ(result.output.find("72\r\n"), std::string::npos);
}

}  // namespace
}  // namespace cor2tavik
