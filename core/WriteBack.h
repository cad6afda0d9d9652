// Gets a file's data on its way to the disk while the file is written, so
// that the sync before the file takes its name waits only for the tail.
#pragma once

#include <cstdint>
#include <mutex>
#include <thread>

#include "Parallel.h"
#include "Platform.h"

namespace cor2tavik {

// A sync of the file's data (platform::SyncData) on a thread of its own
// every kStep bytes written. Left alone, the system writes back lazily (and
// Linux's ranged write-back, asked for each buffer, still left a third of
// the file for the end on a disk slower than the conversion), so the last
// sync waited for most of the file. The writer never waits: a request made
// while a sync runs is merged with any pending one.
class WriteBack {
public:
    static constexpr std::uint64_t kStep = std::uint64_t{32} << 20;

    // `sync` is platform::SyncData but in tests.
    explicit WriteBack(int fd, int (*sync)(int) = platform::SyncData);
    ~WriteBack() { End(); }
    WriteBack(const WriteBack&) = delete;
    WriteBack& operator=(const WriteBack&) = delete;

    // `size` more bytes were written.
    void Written(std::uint64_t size);
    // Waits for a sync under way and ends the thread. Returns the first
    // error a sync met: on Linux a write error is reported to one sync
    // only, so the sync at the end would not see it again.
    int End();

private:
    void Run();

    int fd_;
    int (*sync_)(int);
    std::uint64_t unsynced_ = 0;  // the writer's alone
    Mutex mutex_;
    Condition wake_;
    bool asked_ = false;
    bool ending_ = false;
    int error_ = 0;
    std::jthread thread_;  // declared last: started once the rest exists
};

}  // namespace cor2tavik
