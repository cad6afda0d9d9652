// Whole conversions in this process: the version line at a fixed time, the
// new file's mode, and models large enough to span many 1 MiB input chunks
// and output buffers and the 4096-row batches that pass from the readers to
// the writer, which the case directories are too small for.
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>
#include <string>

#include <gtest/gtest.h>

#include "ConversionModel.h"
#include "MeshReader.h"
#include "NumberScan.h"
#include "Platform.h"
#include "TestSupport.h"
#include "WriteBack.h"

namespace cor2tavik {
namespace {

using test::Convert;
using test::FirstDifference;
using test::Int;
using test::LargeModel;
using test::Header;
using test::Problems;
using test::ScratchDir;

// File modes and FIFOs are POSIX's; the rest runs on Windows too.
#ifndef _WIN32
TEST(Conversion, VersionLineAndModeOfTheFile) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 0\nELEM 0\n");
    const mode_t old = ::umask(022);
    auto result = Convert(dir);
    ::umask(old);
    EXPECT_EQ(result.output, Header() + "12\r\n-1\r\n13\r\n-1\r\n99\r\n");
    struct stat status;
    ASSERT_EQ(::stat((dir / "model.std").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);

    // A year wider than its field grows the line; the other fields are
    // padded with blanks, minutes and seconds too. Replacing the file keeps
    // its owner and group (which only an administrator may give away; its
    // mode: the case replace-keeps-mode).
    const bool administrator = ::geteuid() == 0;
    if (administrator) {
        ASSERT_EQ(::chown((dir / "model.std").c_str(), 65534, 65534), 0);
    }
    ASSERT_TRUE(RunConversion(dir / "model", dir.path() + "/", test::OptionsAt(12026, 12, 7, 23, 5, 9)).written());
    EXPECT_EQ(dir.Read("model.std").substr(0, 49), " 1\r\nVERSION  5. 0. 0DATE12026/12/ 7TIME23: 5: 9\r\n");
    ASSERT_EQ(::stat((dir / "model.std").c_str(), &status), 0);
    if (administrator) {
        EXPECT_EQ(status.st_uid, 65534u);
        EXPECT_EQ(status.st_gid, 65534u);
    }
}
#endif

// Element lines at the columns of the ones before them, each byte of a line
// changed in turn into bytes near what the columns want: converted as the
// same lines are when each starts with a tab, which sends every line the
// way of the calls one by one.
TEST(Conversion, ElementLinesAtKnownColumnsAsLinesReadOneByOne) {
    const std::string plain = "      37   308     8     101       2     102 9999999       5    1060     700      10";
#ifdef __SSE2__
    // The columns learned from one line fit the next: its node numbers as
    // they stand, and their values.
    ElementLayout columns;
    columns.Learn(plain.data(), plain.data() + plain.size(), 8);
    const std::string padded = plain + std::string(ElementLayout::kMaxBytes, ' ');
    std::int32_t number = 0, type = 0, nodes[kElementSlots] = {};
    std::uint64_t texts[kElementSlots] = {};
    ASSERT_EQ(LayoutElement(columns, padded.data(), 308, number, type, nodes, texts), padded.data() + plain.size());
    EXPECT_EQ(std::to_string(number) + " " + std::to_string(type) + " " + std::to_string(nodes[3]) + " " +
                  std::to_string(nodes[7]),
              "37 308 9999999 10");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(texts), 64), plain.substr(20));
#endif
    // The columns are learned in a conversion: of plain lines, all but the
    // first of each batch come with their node numbers' text.
    {
        class Rows final : public RowSink {
        public:
            void Begin(Block block) override { elements_ = block == Block::elements; }
            RecordBatch& Next(std::int64_t first, std::int32_t rows) override {
                batch_->Take(first, rows);
                return *batch_;
            }
            void Put() override {
                for (std::int32_t j = 0; elements_ && j < batch_->rows; ++j) withText += batch_->hasText[j];
                batch_->Wipe(elements_ ? Block::elements : Block::nodes);
            }
            void End() override {}
            int withText = 0;

        private:
            bool elements_ = false;
            std::unique_ptr<RecordBatch> batch_ = std::make_unique<RecordBatch>();
        } rows;
        std::string model = "t\r\ns\r\nNODE 1\r\n1 0 0 0\r\nELEM 5000\r\n";
        for (int i = 0; i < 5000; ++i) model += plain + "\r\n";
        ScratchDir dir;
        dir.Write("model.dat3", model);
        int fd = -1;
        std::uint64_t size = 0;
        ASSERT_EQ(platform::OpenForReading(dir / "model.dat3", fd, size), 0);
        TextReader in{FileDescriptor(fd)};
        ConversionModel read;
        ProblemList problems("model.dat3");
        EXPECT_FALSE(ReadMesh(in, size, read, problems, rows).has_value());
        EXPECT_GE(rows.withText, 4900);
    }
    for (char c : std::string(" -+.05x\t\r\n\0", 11)) {
        // Each line with its line end, which is changed too.
        const std::string ended = plain + "\r\n";
        std::vector<std::string> lines = {ended};
        for (std::size_t at = 0; at < ended.size(); ++at) {
            std::string changed = ended;
            changed[at] = c;
            lines.insert(lines.end(), {ended, ended, changed});
        }
        lines.insert(lines.end(), {ended, ended, ended, ended});
        std::string asIs, tabbed;
        for (const std::string& line : lines) {
            asIs += line;
            tabbed += "\t" + line;
        }
        const std::string head = "t\r\ns\r\nNODE 1\r\n1 0 0 0\r\nELEM " + std::to_string(lines.size()) + "\r\n";
        ScratchDir fastDir, slowDir;
        fastDir.Write("model.dat3", head + asIs);
        slowDir.Write("model.dat3", head + tabbed);
        const auto fast = Convert(fastDir), slow = Convert(slowDir);
        EXPECT_EQ(fast.status, slow.status);
        EXPECT_EQ(Problems(fast.report), Problems(slow.report)) << "a byte as '" << c << "'";
        EXPECT_EQ(FirstDifference(fast.output, slow.output), "") << "a byte as '" << c << "'";
    }
}

#if defined(__x86_64__) || defined(__i386__)
// A host program may have left the x87 unit at 24 bits; the job sets the
// precision the fast paths need, and puts it back.
TEST(Conversion, ExactAtAnyX87Precision) {
    ScratchDir dir;
    // 1.0000005 rounds up to 1.000001 only when read exactly; the second
    // record leaves the fast paths room to look ahead.
    const std::string zeros = " 0.0000000000000000E+00 0.0000000000000000E+00 0.0000000000000000E+00\n";
    dir.Write("model.dat3", "t\ns\nNODE 2\n12 1.0000005 0 0\n13" + zeros + "ELEM 0\n");
    dir.Write("Displacement.dat", "D\nNODE = 2\nlabel\n  101: 1.0000005 0 0\n  102:" + zeros);
    std::uint16_t saved, low;
    __asm__ volatile("fnstcw %0" : "=m"(saved));
    low = static_cast<std::uint16_t>(saved & ~0x300);  // precision control: 24 bits
    __asm__ volatile("fldcw %0" : : "m"(low));
    ConversionOptions options = test::FixedOptions();
    options.threads = 4;
    const bool written = RunConversion(dir / "model", dir.path() + "/", options).written();
    std::uint16_t after;
    __asm__ volatile("fnstcw %0" : "=m"(after));
    __asm__ volatile("fldcw %0" : : "m"(saved));
    ASSERT_TRUE(written);
    EXPECT_EQ(after, low);
    const std::string output = dir.Read("model.std");
    EXPECT_NE(output.find("  000000       1.000001E+0000.000000E+0000.000000E+000\r\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  1.000001E+0000.000000E+0000.000000E+000\r\n"), std::string::npos) << output;
}
#endif

constexpr int kLarge = 40000;

TEST(LargeConversion, ByteExactAcrossChunksBuffersAndThreads) {
    const LargeModel large(kLarge);
    ASSERT_GT(large.output.size(), 8u << 20);
    ScratchDir dir;
    auto result = large.ConvertIn(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Problems(result.report), "");
    EXPECT_EQ(FirstDifference(result.output, large.output), "");
    EXPECT_EQ(dir.List(), "Displacement.dat Strain.dat Stress.dat model.dat3 model.std");
}

// Problems come in file order, model first, whichever thread found them.
// Element lines that end in the third of ten batches: the end is reported
// once, and the rows after it are zero rows, as many as the count says. (A
// model refused after its node block: the case
// refused-element-count-after-the-node-block.)
TEST(LargeConversion, ProblemsInFileOrderAndModelEndsInsideElements) {
    LargeModel large(kLarge);
    large.model.replace(large.model.find(Int(1000 + kLarge - 2, 8)) + 8, 3, " x ");
    std::size_t cut = large.model.find("ELEM");
    for (int line = 0; line <= 10000; ++line) cut = large.model.find('\n', cut) + 1;
    large.model.resize(cut);
    large.results[0][large.results[0].rfind(Int(kLarge - 1, 8)) + 8] = ' ';
    large.results[1].replace(large.results[1].find("40000"), 5, "40001");
    large.results[2].replace(large.results[2].rfind(Int(kLarge, 8)) + 9, 3, " y ");
    ScratchDir dir;
    auto result = large.ConvertIn(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Problems(result.report), "model.dat3:40002: node record 39999: x: \"x 0000000000000000E+\" is not a number\n"
                                       "model.dat3:50005: the file ends after 10000 of 40000 element lines; the rest are written as zeros\n"
                                       "Displacement.dat:40002: record 39999: ':' after the label is missing\n"
                                       "Stress.dat:2: the count line says 40001 records, the model has 40000 elements; "
                                       "the extra ones are ignored\n"
                                       "Strain.dat:40003: record 40000: component 1: \"y 0000000000000000E+\" is not a number\n");
    std::string zeroRows;
    for (int i = 0; i < 30000; ++i) zeroRows += "         0     0               0\r\n";
    // Found from the block's end: a search from the start for a needle of
    // 30,000 like rows compares quadratically, minutes under ThreadSanitizer.
    const std::size_t end = result.output.find("-1\r\n52\r\n");
    ASSERT_NE(end, std::string::npos);
    ASSERT_GE(end, zeroRows.size() + 2);
    EXPECT_EQ(result.output.substr(end - zeroRows.size() - 2, zeroRows.size() + 2), "\r\n" + zeroRows);
}

// A 32-bit program cannot hold 429496730 elements (20 GB of tables; their
// slot count alone wraps round 32 bits): the job fails for want of memory
// and writes nothing. The (sparse) model file is as large as the count.
TEST(LargeConversion, TableBeyondTheAddressSpace) {
    if (sizeof(void*) > 4) GTEST_SKIP() << "only a 32-bit address space is that small";
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 0\nELEM 429496730\n1 304 4 1 2 3 4\n2 304 4 1 2 3 4\n\x1a");
    std::filesystem::resize_file(dir / "model.dat3", 429496730);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, -1);
    ASSERT_TRUE(result.report.failure);
    EXPECT_EQ(Message(*result.report.failure), "out of memory for 429496730 elements");
    EXPECT_EQ(dir.List(), "model.dat3");
}

#ifndef _WIN32
// The progress callback reports the fraction of the input read, never going
// down, last 1. Stress.dat is a pipe that gives its records after a pause;
// a pipe has no size to count, so every report while it is read is the
// model's and Displacement.dat's bytes against those and Strain.dat's.
TEST(LargeConversion, ProgressRisesToOne) {
    const LargeModel large(kLarge);
    ScratchDir dir;
    dir.Write("model.dat3", large.model);
    dir.Write("Displacement.dat", large.results[0]);
    dir.Write("Strain.dat", large.results[2]);
    ASSERT_EQ(::mkfifo((dir / "Stress.dat").c_str(), 0600), 0);
    std::thread writer([&] {
        std::ofstream pipe(dir / "Stress.dat", std::ios::binary);  // waits for the job to open it
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pipe << large.results[1];
    });
    std::vector<double> reports;
    ConversionOptions options = test::FixedOptions();
    options.progress = [&](double fraction) { reports.push_back(fraction); };
    const ConversionReport report = RunConversion(dir / "model", dir.path() + "/", options);
    writer.join();
    EXPECT_TRUE(report.clean()) << Problems(report);

    ASSERT_GE(reports.size(), 2u);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), 1.0);
    EXPECT_LT(reports.end()[-2], 1.0);
    const double before = double(large.model.size() + large.results[0].size());
    const double whilePiped = before / (before + double(large.results[2].size()));
    EXPECT_NE(std::find(reports.begin(), reports.end(), whilePiped), reports.end()) << whilePiped;
}
#endif

#ifdef _WIN32
// A named temporary file is deleted by the system when its handle closes,
// however the process ends, until the commit clears that: then it stays.
TEST(Conversion, NamedTemporaryFileGoesWithItsHandle) {
    test::ScratchDir dir;
    for (bool commit : {false, true}) {
        int fd = -1;
        std::string name;
        ASSERT_EQ(platform::CreateTemporary(dir.path() + "\\", false, fd, name), 0);
        ASSERT_FALSE(name.empty());
        ASSERT_EQ(platform::WriteAll(fd, "data", 4), 0);
        if (commit) {
            ASSERT_EQ(platform::Publish(fd, name, dir / "out.std"), 0);
            EXPECT_EQ(dir.List(), "out.std");
            EXPECT_EQ(dir.Read("out.std"), "data");
        } else {
            ASSERT_EQ(platform::Close(fd), 0);
            EXPECT_EQ(dir.List(), "");
        }
    }
}
#endif

// A sync on the way that fails is the commit's failure: on Linux the sync at
// the end would not hear of that write error again.
std::atomic<int> g_syncs{0};
int FailingSync(int) {
    ++g_syncs;
    return EIO;
}

TEST(Conversion, WriteBackKeepsTheFirstSyncError) {
    WriteBack writeBack(-1, FailingSync);
    writeBack.Written(WriteBack::kStep - 1);
    writeBack.Written(1);
    while (g_syncs == 0) std::this_thread::yield();
    EXPECT_EQ(writeBack.End(), EIO);
    EXPECT_EQ(g_syncs, 1);
}

}  // namespace
}  // namespace cor2tavik
