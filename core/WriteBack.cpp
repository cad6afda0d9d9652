#include "WriteBack.h"

#include "Parallel.h"

namespace cor2tavik {

WriteBack::WriteBack(int fd, int (*sync)(int)) : fd_(fd), sync_(sync), thread_(StartWorker(true, [this] { Run(); })) {}

void WriteBack::Run() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return asked_ || ending_; });
            if (ending_) return;
            asked_ = false;
        }
        const int error = sync_(fd_);
        std::lock_guard lock(mutex_);
        if (error_ == 0) error_ = error;
    }
}

void WriteBack::Written(std::uint64_t size) {
    if (!thread_.joinable()) return;
    unsynced_ += size;
    if (unsynced_ < kStep) return;
    unsynced_ = 0;
    {
        std::lock_guard lock(mutex_);
        asked_ = true;
    }
    wake_.notify_one();
}

int WriteBack::End() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    return error_;
}

}  // namespace cor2tavik
