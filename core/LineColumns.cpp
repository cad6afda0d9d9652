#include "LineColumns.h"

#include "NumberScan.h"

namespace cor2tavik {

namespace {
constexpr int kRest = 256;
}  // namespace

bool LineColumns::Integers(const char* q, int first, int n, std::int32_t* values) {
    const bool read = first + n <= count_ && ColumnIntegers(q, ends_ + first, widths_ + first, n, values);
    reads_ += read & (first == 0);
    return read;
}

bool LineColumns::Learning() {
    if (resting_ > 0) {
        --resting_;
        return false;
    }
    short_ = learned_ && reads_ <= 1 ? short_ + 1 : 0;
    if (short_ == 3) {
        short_ = 0;
        resting_ = kRest;
        return false;
    }
    learned_ = true;
    reads_ = 0;
    count_ = 0;
    return true;
}

void LineColumns::Learn(const char* q, int room) {
    if (!Learning()) return;
    for (const char* p = q; count_ < kMaxFields && p - q + 9 <= room; ++count_) {
        // Reading checks each field again: here only its place matters, and
        // that no field reads before the line.
        const char* start = p;
        while (*p == ' ' && p - start < 8) ++p;
        while (IsDigit(*p) && p - start < 8) ++p;
        if (p == start || !IsDigit(p[-1]) || (count_ == 0 && p - q != 8)) break;
        ends_[count_] = static_cast<std::uint8_t>(p - q);
        widths_[count_] = static_cast<std::uint8_t>(p - start);
    }
}

}  // namespace cor2tavik
