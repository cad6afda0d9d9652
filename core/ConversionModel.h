// The tables the readers fill and the writers read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace cor2tavik {

// A zero-filled array from calloc: large tables cost no memory until touched,
// and an allocation failure is a value, not an exception. `count` rows of
// `width` entries, multiplied by calloc, which refuses a product that wraps
// round (a record count times its width can, in a 32-bit program).
template <typename T>
class ZeroedArray {
public:
    bool Allocate(std::size_t count, std::size_t width = 1) {
        data_.reset(count == 0 ? nullptr : static_cast<T*>(std::calloc(count, width * sizeof(T))));
        size_ = data_ ? count * width : 0;
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

enum class ResultKind { displacement, stress, strain };

inline constexpr int ResultWidth(ResultKind kind) {
    return kind == ResultKind::displacement ? 3 : 6;
}

struct ResultTable {
    bool present = false;  // the file was read and its block is written
    ZeroedArray<double> values;  // ResultWidth values per node or element
};

struct ConversionModel {
    std::int32_t nodeCount = 0;
    ZeroedArray<std::int32_t> nodeNumbers;
    ZeroedArray<double> nodeCoordinates;  // x, y, z per node

    std::int32_t elementCount = 0;
    ZeroedArray<std::int32_t> elementNumbers;
    ZeroedArray<std::int32_t> elementTypeCodes;
    ZeroedArray<std::int32_t> connectivity;  // kElementSlots per element

    ResultTable displacement;
    ResultTable stress;
    ResultTable strain;

    ResultTable& result(ResultKind kind) {
        return kind == ResultKind::displacement ? displacement
               : kind == ResultKind::stress     ? stress
                                                : strain;
    }
    const ResultTable& result(ResultKind kind) const { return const_cast<ConversionModel*>(this)->result(kind); }
};

}  // namespace cor2tavik
