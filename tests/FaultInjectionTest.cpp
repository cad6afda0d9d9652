// The console converter under failing I/O and hostile input, run as a
// subprocess. Whatever goes wrong: the exit status keeps its meaning, a
// refusal is one line on stderr, an existing neutral file is never lost, and
// no temporary file is left behind.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RunCmd.h"
#include "TestSupport.h"

namespace cor2tavik {
namespace {

using test::CmdResult;
using test::RunCmd;
using test::RunOptions;
using test::kCannotDropRoot;
using test::ScratchDir;

// Names of temporary output files in `dir`.
std::string TemporaryFiles(const std::string& dir) {
    std::string names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.rfind(".cor2tavik-", 0) == 0) names += name + " ";
        }
        ::closedir(d);
    }
    return names;
}

std::size_t Lines(const std::string& text) {
    std::size_t n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

constexpr char kEarlier[] = "an earlier neutral file\r\n";

// A refusal: status 1, exactly `line` on stderr, the earlier neutral file
// at `neutralFile` byte for byte, and no temporary file in its directory.
void ExpectRefused(const CmdResult& run, const std::string& line, const std::string& neutralFile,
                   const std::string& context = "") {
    SCOPED_TRACE(context);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, line + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(test::ReadFile(neutralFile), kEarlier);
    EXPECT_EQ(TemporaryFiles(neutralFile.substr(0, neutralFile.rfind('/') + 1)), "");
}

// Framed as a neutral file: the header first, the end code last, and every
// line ended by CR LF.
void ExpectNeutralFile(const std::string& output, const std::string& context = "") {
    SCOPED_TRACE(context);
    ASSERT_GT(output.size(), 8u);
    EXPECT_EQ(output.rfind(" 1\r\nVERSION  5. 0. 0DATE", 0), 0u);
    EXPECT_EQ(output.substr(output.size() - 8), "-1\r\n99\r\n");
    std::size_t bareLf = 0, bareCr = 0;
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\n' && (i == 0 || output[i - 1] != '\r')) ++bareLf;
        if (output[i] == '\r' && (i + 1 == output.size() || output[i + 1] != '\n')) ++bareCr;
    }
    EXPECT_EQ(bareLf, 0u);
    EXPECT_EQ(bareCr, 0u);
}

// The second line holds the time of the run.
std::string WithoutTimestamp(std::string output) {
    const std::size_t from = output.find('\n') + 1;
    return output.erase(from, output.find('\n', from) - from);
}

// ---------------------------------------------------------------------------
// Files that cannot be opened or written.

constexpr char kModel[] = "t\ns\nNODE 1\n1 1 2 3\nELEM 1\n1 304 4 1 1 1 1\n";

TEST(FaultInjection, ModelThatCannotBeOpened) {
    {
        ScratchDir dir;
        dir.Write("missing.std", kEarlier);
        ExpectRefused(RunCmd({"missing.dat3"}, dir.path()), "missing.dat3: cannot open: No such file or directory",
                      dir / "missing.std", "missing");
        EXPECT_EQ(dir.List(), "missing.std");
    }
    {
        ScratchDir dir;
        ASSERT_EQ(::mkdir((dir / "model.dat3").c_str(), 0755), 0);
        dir.Write("model.std", kEarlier);
        ExpectRefused(RunCmd({"model.dat3"}, dir.path()), "model.dat3: cannot open: Is a directory", dir / "model.std",
                      "directory");
        EXPECT_EQ(dir.List(), "model.dat3 model.std");
    }
}

// Permissions do not bind root: as root the converter runs as nobody.
TEST(FaultInjection, UnreadableModelAndResultFile) {
    ScratchDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    dir.Write("model.dat3", kModel);
    dir.Write("model.std", kEarlier);
    ASSERT_EQ(::chmod((dir / "model.dat3").c_str(), 0), 0);
    RunOptions options;
    options.unprivileged = true;
    if (::geteuid() != 0 && ::access((dir / "model.dat3").c_str(), R_OK) == 0)
        GTEST_SKIP() << "a file of mode 000 stays readable";
    CmdResult run = RunCmd({"model.dat3"}, dir.path(), options);
    if (run.status == kCannotDropRoot) GTEST_SKIP() << "cannot run the converter as nobody";
    ExpectRefused(run, "model.dat3: cannot open: Permission denied", dir / "model.std", "model");

    // An unreadable result file is left out, with a warning.
    ASSERT_EQ(::chmod((dir / "model.dat3").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    dir.Write("Stress.dat", "S\nELEMENT = 1\n\n1: 1 2 3 4 5 6\n");
    ASSERT_EQ(::chmod((dir / "Stress.dat").c_str(), 0), 0);
    run = RunCmd({"model.dat3"}, dir.path(), options);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "./Stress.dat: cannot open: Permission denied; the block is left out\n");
    const std::string output = dir.Read("model.std");
    ExpectNeutralFile(output);
    EXPECT_EQ(output.find("\r\n72\r\n"), std::string::npos);
    EXPECT_EQ(TemporaryFiles(dir.path()), "");
}

TEST(FaultInjection, OutputDirectoryNotWritable) {
    ScratchDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "out").c_str(), 0755), 0);
    dir.Write("out/model.dat3", kModel);
    dir.Write("out/model.std", kEarlier);
    ASSERT_EQ(::chmod((dir / "out").c_str(), 0555), 0);
    RunOptions options;
    options.unprivileged = true;
    if (::geteuid() != 0 && ::access((dir / "out").c_str(), W_OK) == 0)
        GTEST_SKIP() << "a directory of mode 555 stays writable";
    CmdResult run = RunCmd({"out/model.dat3"}, dir.path(), options);
    if (run.status == kCannotDropRoot) GTEST_SKIP() << "cannot run the converter as nobody";
    ExpectRefused(run, "out/model.std: cannot create: Permission denied", dir / "out/model.std");
    EXPECT_EQ(dir.List(), "out");
}

TEST(FaultInjection, OutputPathIsADirectory) {
    ScratchDir dir;
    dir.Write("model.dat3", kModel);
    ASSERT_EQ(::mkdir((dir / "model.std").c_str(), 0755), 0);
    dir.Write("model.std/inside", kEarlier);
    CmdResult run = RunCmd({"model.dat3"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "model.std: cannot write: Is a directory\n");
    EXPECT_EQ(dir.Read("model.std/inside"), kEarlier);
    EXPECT_EQ(dir.List(), "model.dat3 model.std");
}

// ---------------------------------------------------------------------------
// The disk fills up: a file size limit makes a write fail with EFBIG.

std::string ManyNodes(int count) {
    std::string model = "t\ns\nNODE " + std::to_string(count) + "\n";
    for (int i = 1; i <= count; ++i) model += std::to_string(i) + " 1.5 -2.5 3\n";
    return model + "ELEM 0\n";
}

TEST(FaultInjection, DiskFullWhileWriting) {
    ScratchDir dir;
    // About 250 KB of output: the limit is hit when the buffer is written at
    // the end. (Below a few bytes the message on stderr could not be written.)
    dir.Write("model.dat3", ManyNodes(3000));
    CmdResult free = RunCmd({"model.dat3"}, dir.path());
    ASSERT_EQ(free.status, 0) << free.err;
    const rlim_t size = test::ReadFile(dir / "model.std").size();
    ASSERT_GT(size, 200000u);

    for (rlim_t limit : {rlim_t{4096}, size / 2, size - 1}) {
        dir.Write("model.std", kEarlier);
        RunOptions options;
        options.fileSizeLimit = limit;
        ExpectRefused(RunCmd({"model.dat3"}, dir.path(), options), "model.std: cannot write: File too large",
                      dir / "model.std", "limit " + std::to_string(limit));
        EXPECT_EQ(dir.List(), "model.dat3 model.std");
    }
    // Exactly the file's size is enough.
    dir.Write("model.std", kEarlier);
    RunOptions options;
    options.fileSizeLimit = size;
    CmdResult exact = RunCmd({"model.dat3"}, dir.path(), options);
    EXPECT_EQ(exact.status, 0) << exact.err;
    EXPECT_EQ(test::ReadFile(dir / "model.std").size(), size);
    EXPECT_EQ(dir.List(), "model.dat3 model.std");
}

TEST(FaultInjection, DiskFullBeforeTheLastBuffer) {
    // About 2.5 MB of output: the first 1 MiB buffer is written part-way and
    // everything after it fails.
    ScratchDir dir;
    dir.Write("model.dat3", ManyNodes(30000));
    dir.Write("model.std", kEarlier);
    RunOptions options;
    options.fileSizeLimit = 1536 * 1024;
    ExpectRefused(RunCmd({"model.dat3"}, dir.path(), options), "model.std: cannot write: File too large",
                  dir / "model.std");
    EXPECT_EQ(dir.List(), "model.dat3 model.std");
}

// ---------------------------------------------------------------------------
// Paths at and beyond the 511-byte limit, made of names a file system takes.

// `length` bytes of directories, each ending in '/'.
std::string Directories(std::size_t length, char fill) {
    std::string path;
    while (path.size() < length) {
        const std::size_t name = std::min<std::size_t>(200, length - path.size() - 1);
        path += std::string(name, fill) + "/";
    }
    return path;
}

void MakeDirectories(const ScratchDir& dir, const std::string& path) {
    for (std::size_t at = path.find('/'); at != std::string::npos; at = path.find('/', at + 1))
        ::mkdir((dir / path.substr(0, at)).c_str(), 0755);
}

TEST(FaultInjection, PathsOf511And512And4000Bytes) {
    // 511 bytes, and the result files' names composed from its directory
    // ("<dir>/" + "/Displacement.dat") are 511 bytes too: it converts.
    {
        ScratchDir dir;
        const std::string path = Directories(494, 'd') + std::string(12, 'm') + ".dat3";
        ASSERT_EQ(path.size(), 511u);
        MakeDirectories(dir, path);
        dir.Write(path, kModel);
        CmdResult run = RunCmd({path}, dir.path());
        EXPECT_EQ(run.status, 0) << run.err;
        ExpectNeutralFile(dir.Read(path.substr(0, 506) + ".std"));
        EXPECT_EQ(TemporaryFiles(dir / Directories(494, 'd')), "");
    }
    // 511 bytes whose result file names would be 512: refused before anything
    // is opened.
    {
        ScratchDir dir;
        const std::string path = Directories(495, 'd') + std::string(11, 'm') + ".dat3";
        ASSERT_EQ(path.size(), 511u);
        MakeDirectories(dir, path);
        dir.Write(path, kModel);
        const std::string stem = path.substr(0, 506);
        dir.Write(stem + ".std", kEarlier);
        ExpectRefused(RunCmd({path}, dir.path()),
                      Directories(495, 'd') + "/Displacement.dat: file name is longer than 511 bytes",
                      dir / (stem + ".std"));
    }
    // 512 and 4000 bytes: refused as given.
    for (std::size_t length : {512, 4000}) {
        ScratchDir dir;
        const std::string path = Directories(length - 17, 'd') + std::string(12, 'm') + ".dat3";
        ASSERT_EQ(path.size(), length);
        MakeDirectories(dir, path);
        dir.Write(path, kModel);
        const std::string stem = path.substr(0, length - 5);
        dir.Write(stem + ".std", kEarlier);
        ExpectRefused(RunCmd({path}, dir.path()), path + ": path is longer than 511 bytes", dir / (stem + ".std"),
                      std::to_string(length));
    }
}

// ---------------------------------------------------------------------------
// Counts that would ask for huge tables, in files too small to hold them.
// The converter runs with allocations capped at 64 MB, so a count used
// before it is checked fails the run.

TEST(FaultInjection, HugeAndNegativeCountsInTinyFiles) {
    RunOptions capped;
    capped.memoryLimitMb = 64;
    struct ModelCase {
        std::string model;
        std::string err;
    };
    auto tooMany = [](const std::string& what, const std::string& file) {
        return what + " count line: 2147483647 records cannot fit in a file of " + std::to_string(file.size()) +
               " bytes";
    };
    const std::string nodes = "t\ns\nNODE 2147483647\n", elements = "t\ns\nNODE 0\nELEM 2147483647\n";
    const ModelCase models[] = {
        {nodes, "model.dat3:3: " + tooMany("node", nodes)},
        {"t\ns\nNODE -1\n", "model.dat3:3: node count line: negative count -1"},
        {"t\ns\nNODE 2147483648\n", "model.dat3:3: node count line: the count does not fit 32 bits"},
        {elements, "model.dat3:4: " + tooMany("element", elements)},
        {"t\ns\nNODE 0\nELEM -1\n", "model.dat3:4: element count line: negative count -1"},
        {"t\ns\nNODE 1\n1 2 3 4\nELEM -2147483648\n", "model.dat3:5: element count line: negative count -2147483648"},
    };
    for (const ModelCase& c : models) {
        ScratchDir dir;
        dir.Write("model.dat3", c.model);
        dir.Write("model.std", kEarlier);
        ExpectRefused(RunCmd({"model.dat3"}, dir.path(), capped), c.err, dir / "model.std", c.model);
    }

    struct ResultCase {
        const char* name;
        std::string file;
        std::string err;
    };
    const ResultCase results[] = {
        {"Displacement.dat", "D\nNODE = 2147483647\n", "2147483647 records cannot fit in a file of 20 bytes"},
        {"Displacement.dat", "D\nNODE = -1\n", "negative record count -1"},
        {"Stress.dat", "S\nELEMENT = 2147483647\n", "2147483647 records cannot fit in a file of 23 bytes"},
        {"Strain.dat", "S\nELEMENT = -1\n", "negative record count -1"},
    };
    for (const ResultCase& c : results) {
        ScratchDir dir;
        dir.Write("model.dat3", kModel);
        dir.Write(c.name, c.file);
        CmdResult run = RunCmd({"model.dat3"}, dir.path(), capped);
        EXPECT_EQ(run.status, 3) << c.file;
        EXPECT_EQ(run.err, "./" + std::string(c.name) + ":2: " + c.err + "; the block is left out\n");
        ExpectNeutralFile(dir.Read("model.std"), c.file);
    }
}

// ---------------------------------------------------------------------------
// Truncated files: every prefix of a small sample with CR LF line ends.

constexpr char kSampleModel[] =
    "PREFIX SAMPLE\r\nthree nodes, two elements\r\nNODE 3\r\n"
    "1 0.5 -1.25 2E+01\r\n2 1.0 0.0 -0.0\r\n3 1.5e-3 2 3\r\n"
    "ELEM 2\r\n10 304 4 1 2 3 1\r\n20 308 8 1 2 3 1 2 3 1 2\r\n";

struct SampleResult {
    const char* name;
    const char* code;  // the block's code line
    const char* countLine;
    const char* text;
};

const SampleResult kSampleResults[] = {
    {"Displacement.dat", "52", "NODE = 3",
     "DISPLACEMENT\r\nNODE = 3\r\nLABEL: UX UY UZ\r\n1: 0.1 0.2 0.3\r\n2: -1 -2 -3\r\n3: 1e-5 0 5\r\n"},
    {"Stress.dat", "72", "ELEMENT = 2",
     "STRESS\r\nELEMENT = 2\r\nLABEL: XX YY ZZ XY YZ ZX\r\n10: 1 2 3 4 5 6\r\n20: -1 -2 -3 -4 -5 -6\r\n"},
    {"Strain.dat", "73", "ELEMENT = 2",
     "STRAIN\r\nELEMENT = 2\r\nLABEL: XX YY ZZ XY YZ ZX\r\n10: 1e-3 2e-3 3e-3 0 0 0\r\n20: 0 0 0 4e-3 5e-3 6e-3\r\n"},
};

void WriteSample(const ScratchDir& dir) {
    dir.Write("model.dat3", kSampleModel);
    for (const SampleResult& r : kSampleResults) dir.Write(r.name, r.text);
}

bool HasBlock(const std::string& output, const std::string& code) {
    return output.find("\r\n" + code + "\r\n") != std::string::npos;
}

// Each problem line names `file`.
void ExpectProblemsOf(const std::string& err, const std::string& file, const std::string& context) {
    std::size_t at = 0;
    while (at < err.size()) {
        EXPECT_EQ(err.compare(at, file.size() + 1, file + ":"), 0) << context << "\n" << err;
        at = err.find('\n', at) + 1;
        if (at == 0) break;
    }
}

TEST(FaultInjection, EveryPrefixOfTheModel) {
    const std::string model = kSampleModel;
    // Until the element count line has its digit, no count can be read.
    const std::size_t counted = model.find("ELEM 2") + 6;
    ScratchDir dir;
    WriteSample(dir);
    for (std::size_t length = 0; length <= model.size(); ++length) {
        const std::string context = "prefix of " + std::to_string(length) + " bytes";
        dir.Write("model.dat3", model.substr(0, length));
        dir.Write("model.std", kEarlier);
        CmdResult run = RunCmd({"model.dat3"}, dir.path());
        if (length < counted) {
            EXPECT_EQ(run.status, 1) << context;
            EXPECT_EQ(Lines(run.err), 1u) << context << "\n" << run.err;
            EXPECT_EQ(run.err.rfind("model.dat3:", 0), 0u) << context << "\n" << run.err;
            EXPECT_EQ(dir.Read("model.std"), kEarlier) << context;
        } else {
            EXPECT_EQ(run.status, length == model.size() ? 0 : run.err.empty() ? 0 : 3) << context;
            ExpectProblemsOf(run.err, "model.dat3", context);
            const std::string output = dir.Read("model.std");
            ExpectNeutralFile(output, context);
            for (const SampleResult& r : kSampleResults) EXPECT_TRUE(HasBlock(output, r.code)) << context;
        }
        EXPECT_EQ(TemporaryFiles(dir.path()), "") << context;
        if (HasFailure()) break;
    }
}

TEST(FaultInjection, EveryPrefixOfEachResultFile) {
    for (const SampleResult& r : kSampleResults) {
        const std::string text = r.text;
        // The block is written once the count line has its digit.
        const std::size_t counted = text.find(r.countLine) + std::strlen(r.countLine);
        ScratchDir dir;
        WriteSample(dir);
        for (std::size_t length = 0; length <= text.size(); ++length) {
            const std::string context = std::string(r.name) + " prefix of " + std::to_string(length) + " bytes";
            dir.Write(r.name, text.substr(0, length));
            CmdResult run = RunCmd({"model.dat3"}, dir.path());
            EXPECT_EQ(run.status, length == text.size() ? 0 : run.err.empty() ? 0 : 3) << context;
            ExpectProblemsOf(run.err, "./" + std::string(r.name), context);
            const std::string output = dir.Read("model.std");
            ExpectNeutralFile(output, context);
            EXPECT_EQ(HasBlock(output, r.code), length >= counted) << context;
            EXPECT_EQ(TemporaryFiles(dir.path()), "") << context;
            if (HasFailure()) return;
        }
    }
}

// ---------------------------------------------------------------------------
// Random bytes, alone and after a valid start.

TEST(FaultInjection, RandomBinaryGarbage) {
    std::mt19937 rng(20040120);
    auto garbage = [&](std::size_t max) {
        std::string bytes(rng() % max, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        return bytes;
    };
    for (int i = 0; i < 36; ++i) {
        ScratchDir dir;
        const std::string context = "case " + std::to_string(i);
        switch (i % 3) {
        case 0:
            dir.Write("model.dat3", garbage(4096));
            break;
        case 1:
            dir.Write("model.dat3", "t\ns\nNODE 3\n" + garbage(2048));
            break;
        default:
            dir.Write("model.dat3", kSampleModel);
            for (const SampleResult& r : kSampleResults)
                dir.Write(r.name, i % 2 ? garbage(2048) : std::string("X\nNODE = 3\n\n") + garbage(1024));
        }
        dir.Write("model.std", kEarlier);
        CmdResult run = RunCmd({"model.dat3"}, dir.path());
        EXPECT_EQ(run.out, "") << context;
        if (run.status == 1) {
            EXPECT_EQ(Lines(run.err), 1u) << context << "\n" << run.err;
            EXPECT_EQ(dir.Read("model.std"), kEarlier) << context;
        } else {
            EXPECT_EQ(run.status, run.err.empty() ? 0 : 3) << context;
            ExpectNeutralFile(dir.Read("model.std"), context);
        }
        EXPECT_EQ(TemporaryFiles(dir.path()), "") << context;
    }
}

// ---------------------------------------------------------------------------
// Lines of 10 MB where a line's content is not read, or where a record may
// run on: the neutral file is the sample's own.

TEST(FaultInjection, TenMegabyteLines) {
    const std::string huge(10 << 20, 'x');
    const std::string blanks(10 << 20, ' ');
    ScratchDir base;
    WriteSample(base);
    ASSERT_EQ(RunCmd({"model.dat3"}, base.path()).status, 0);
    const std::string expected = WithoutTimestamp(base.Read("model.std"));

    std::string model = kSampleModel;
    struct Case {
        const char* what;
        const char* file;
        std::string text;
    };
    const Case cases[] = {
        {"title line", "model.dat3", huge + "\r\n" + model.substr(model.find('\n') + 1)},
        {"blanks inside a node record", "model.dat3",
         std::string(model).insert(model.find("-0.0"), blanks)},
        {"junk after an element's nodes", "model.dat3", model.substr(0, model.size() - 2) + " " + huge + "\r\n"},
        {"result header line", "Stress.dat",
         std::string(kSampleResults[1].text).insert(std::strlen("STRESS\r\nELEMENT = 2\r\n"), huge)},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        WriteSample(dir);
        dir.Write(c.file, c.text);
        CmdResult run = RunCmd({"model.dat3"}, dir.path());
        EXPECT_EQ(run.status, 0) << c.what << "\n" << run.err;
        EXPECT_EQ(WithoutTimestamp(dir.Read("model.std")), expected) << c.what;
    }

    // A 10 MB number is read whole: beyond the range of a double.
    {
        ScratchDir dir;
        WriteSample(dir);
        dir.Write("model.dat3", std::string(model).replace(model.find("0.5"), 3, "1" + std::string(10 << 20, '0')));
        CmdResult run = RunCmd({"model.dat3"}, dir.path());
        EXPECT_EQ(run.status, 3);
        EXPECT_EQ(run.err, "model.dat3:4: node record 1: x is beyond the range of a double\n");
        EXPECT_NE(dir.Read("model.std").find("1.#INF00E+000"), std::string::npos);
    }
    // A model that is one 10 MB line has no count line.
    {
        ScratchDir dir;
        dir.Write("model.dat3", huge);
        dir.Write("model.std", kEarlier);
        ExpectRefused(RunCmd({"model.dat3"}, dir.path()),
                      "model.dat3:1: the file ends before its node count line (line 3)", dir / "model.std");
    }
}

}  // namespace
}  // namespace cor2tavik
