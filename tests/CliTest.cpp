// The console converter's contract: exit status, messages, and files left.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "RunCmd.h"
#include "TestSupport.h"
#include "cor2tavik/VersionInfo.h"

namespace cor2tavik {
namespace {

using test::CmdResult;
using test::RunCmd;
using test::ScratchDir;

constexpr char kModel[] = "t\ns\nNODE 1\n1 1 2 3\nELEM 1\n1 304 4 1 1 1 1\n";

TEST(Cli, WritesBesideTheModelAndSaysNothing) {
    ScratchDir dir;
    ::mkdir((dir / "sub").c_str(), 0755);
    dir.Write("sub/model.dat3", kModel);
    CmdResult run = RunCmd({"sub/model.dat3", "ignored", "arguments"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    std::string output = dir.Read("sub/model.std");
    EXPECT_EQ(output.substr(0, 4), " 1\r\n");
    EXPECT_EQ(output.substr(output.size() - 4), "99\r\n");
}

TEST(Cli, UsageAndHelp) {
    ScratchDir dir;
    CmdResult none = RunCmd({}, dir.path());
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err.rfind("usage: Cor2TavikCmd MODEL.dat3\n", 0), 0u);
    for (const char* flag : {"-h", "--help"}) {
        CmdResult help = RunCmd({flag}, dir.path());
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out, none.err);
        EXPECT_EQ(help.err, "");
    }
    EXPECT_EQ(dir.List(), "");
}

TEST(Cli, VersionAndAModelNamedLikeTheOption) {
    ScratchDir dir;
    for (const char* flag : {"-V", "--version"}) {
        CmdResult version = RunCmd({flag}, dir.path());
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, "Cor2TavikCmd " VER_VERSION_STR "\n");
        EXPECT_EQ(version.err, "");
    }
    EXPECT_EQ(dir.List(), "");
    dir.Write("--version.dat3", kModel);
    EXPECT_EQ(RunCmd({"./--version.dat3"}, dir.path()).status, 0);
    EXPECT_TRUE(dir.Exists("--version.std"));
}

TEST(Cli, ProblemsGiveStatus3AndOneLineEach) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 2\n1 1 2 x\n2 1 2 3\nELEM 1\n1 306 6\n");
    CmdResult run = RunCmd({"model.dat3"}, dir.path());
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err,
              "model.dat3:4: node record 1: z is not a number\n"
              "model.dat3:7: element 1: node count 6 is not 4, 8 or 10; no node numbers are stored\n");
    EXPECT_TRUE(dir.Exists("model.std"));
}

TEST(Cli, ManyProblemsAreCapped) {
    ScratchDir dir;
    std::string model = "t\ns\nNODE 120\n";
    for (int i = 0; i < 120; ++i) model += "1 2 3 x\n";
    dir.Write("model.dat3", model + "ELEM 0\n");
    CmdResult run = RunCmd({"model.dat3"}, dir.path());
    EXPECT_EQ(run.status, 3);
    std::size_t lines = 0;
    for (char c : run.err) lines += c == '\n';
    EXPECT_EQ(lines, 51u);
    EXPECT_NE(run.err.find("\n... and 70 more problems\n"), std::string::npos);
}

TEST(Cli, FailuresGiveStatus1AndKeepTheOldFile) {
    struct Case {
        std::string arg;
        std::string model;  // "" for none
        std::string err;
    };
    const std::string longPath(600, 'a');
    const Case cases[] = {
        {"missing.dat3", "", "missing.dat3: cannot open: No such file or directory\n"},
        {"model.dat3", "t\ns\nNODE\n", "model.dat3:3: node count line is shorter than five characters\n"},
        {longPath, "", longPath + ": path is longer than 511 bytes\n"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const std::string stem = c.arg.substr(0, c.arg.rfind('.'));
        if (!c.model.empty()) dir.Write("model.dat3", c.model);
        if (c.arg.size() < 200) dir.Write(stem + ".std", "keep me\r\n");
        CmdResult run = RunCmd({c.arg}, dir.path());
        EXPECT_EQ(run.status, 1) << c.arg;
        EXPECT_EQ(run.err, c.err) << c.arg;
        EXPECT_EQ(run.out, "");
        if (c.arg.size() < 200) {
            EXPECT_EQ(dir.Read(stem + ".std"), "keep me\r\n");
        }
        const std::string expected = c.model.empty() ? (c.arg.size() < 200 ? stem + ".std" : "")
                                                     : "model.dat3 " + stem + ".std";
        EXPECT_EQ(dir.List(), expected) << c.arg;
    }
}

// The bundled sample converts cleanly, with all eight kinds of block.
TEST(Cli, ConvertsTheBundledSample) {
    ScratchDir dir;
    for (const char* name : {"model1.dat3", "Displacement.dat", "Stress.dat", "Strain.dat"})
        dir.Write(name, test::ReadFile(std::string(COR2TAVIK_EXAMPLES) + "/" + name));
    CmdResult run = RunCmd({"model1.dat3"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    std::string output = dir.Read("model1.std");
    std::string codes;
    std::size_t at = 0;
    while (at < output.size()) {
        std::size_t end = output.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        if (end - at == 2) codes += output.substr(at, 2) + " ";
        at = end + 2;
    }
    EXPECT_EQ(codes, " 1  2  3 12 -1 13 -1 52 -1 72 -1 73 -1 99 ");
}

}  // namespace
}  // namespace cor2tavik
