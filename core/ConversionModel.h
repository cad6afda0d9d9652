// What a job keeps of the model from start to end: the numbers that the
// result blocks repeat. Coordinates, connectivity and result values pass
// through in batches (RecordBatch.h) and are not kept.
//
// The threading rule (BlockWriter.h). Only the reading thread writes here:
// a count and its table before its block begins, and a row's table entry
// while the row's batch is filled, before the batch is handed on; nothing
// is written again after that. The formatter thread reads the entries of
// the rows of the batch it was handed, and nothing else; the tables are
// never reallocated while a job runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace cor2tavik {

// A zero-filled array from calloc: large tables cost no memory until touched,
// and an allocation failure is a value, not an exception. calloc multiplies
// the count by the entry's size itself, refusing a product that wraps round
// (a count times 8 bytes can, in a 32-bit program).
template <typename T>
class ZeroedArray {
public:
    bool Allocate(std::size_t count) {
        data_.reset(count == 0 ? nullptr : static_cast<T*>(std::calloc(count, sizeof(T))));
        size_ = data_ ? count : 0;
        return count == 0 || data_ != nullptr;
    }
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T[], Free> data_;
    std::size_t size_ = 0;
};

// Each element has this many connectivity slots; only 4-, 8- and 10-node
// elements store node numbers, so a slot never overflows and an element's
// entries never run into its neighbour's.
inline constexpr int kElementSlots = 10;

// An element's type code is 300 plus its node count.
inline constexpr int kElementTypeBase = 300;

struct ElementHead {
    std::int32_t number;
    std::int32_t typeCode;
};

struct ConversionModel {
    std::int32_t nodeCount = 0;
    ZeroedArray<std::int32_t> nodeNumbers;

    std::int32_t elementCount = 0;
    ZeroedArray<ElementHead> elements;
};

}  // namespace cor2tavik
