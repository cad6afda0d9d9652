// Running out of memory at every point of a job: the Nth allocation made
// while a conversion runs fails, for N = 1, 2, 3, ... until the job gets
// through. Each job that fails says "out of memory" against a file it
// reads, keeps the earlier neutral file and leaves nothing behind; the one
// that gets through writes the right bytes. With one thread and with two.
#include <atomic>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

// The allocation that fails: 0 for none. Counted on every thread.
std::atomic<long> g_failAt{0};
std::atomic<long> g_count{0};

void* Allocate(std::size_t size) {
    if (g_failAt.load() != 0 && g_count.fetch_add(1) + 1 == g_failAt.load()) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

// The replacements pair with each other: malloc behind new, free behind delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace cor2tavik {
namespace {

using test::ScratchDir;

TEST(AllocationFailure, AtEveryPointOfAJob) {
    // Two batches a block, and an input problem, which is kept too.
    test::LargeModel model(5000);
    model.results[2][model.results[2].find(test::Int(4000, 8) + ":") + 9 + 2 * 24 + 1] = 'x';
    constexpr char kEarlier[] = "an earlier neutral file\r\n";
    for (unsigned threads : {1u, 2u}) {
        ScratchDir dir;
        const test::Converted free = model.ConvertIn(dir);
        ASSERT_EQ(test::Problems(free.report), "Strain.dat:4003: record 4000: component 3 is not a number\n");
        const std::string files = dir.List();
        ConversionOptions options = test::FixedOptions();
        options.threads = threads;
        const std::string stem = dir / "model", directory = dir.path() + "/";
        long points = 0;
        for (long n = 1;; ++n) {
            dir.Write("model.std", kEarlier);
            g_count = 0;
            g_failAt = n;
            const ConversionReport report = RunConversion(stem, directory, options);
            const bool reached = g_count.load() >= n;
            g_failAt = 0;
            // A job may get round a failure: without memory for a second
            // thread it runs on one.
            if (report.written()) {
                EXPECT_EQ(test::Problems(report), test::Problems(free.report)) << n;
                EXPECT_EQ(test::FirstDifference(dir.Read("model.std"), free.output), "") << n;
                if (!reached) break;
                continue;
            }
            ++points;
            EXPECT_EQ(report.failure->reason, Reason::memoryExhausted) << n << ": " << Message(*report.failure);
            EXPECT_EQ(Message(*report.failure), "out of memory");
            EXPECT_NE(files.find(report.failure->file.substr(report.failure->file.find_last_of("/\\") + 1)), std::string::npos)
                << report.failure->file;
            EXPECT_EQ(dir.Read("model.std"), kEarlier) << n;
            EXPECT_EQ(dir.List(), files) << n;
            ASSERT_LT(n, 10000);
        }
        std::printf("threads %u: %ld allocation points\n", threads, points);
        EXPECT_GT(points, 20);
    }
}

}  // namespace
}  // namespace cor2tavik
