// Zero-filled arrays for the engine's lines and rings. Large ones are mapped straight
// from the system as fresh zero pages, so a new line costs nothing until it is touched
// and its memory goes back to the system when it is freed; small ones come from calloc.
// Allocated on construction and on a change of rate or latency, never inside a block.
// Without the memory the constructor throws std::bad_alloc.
#pragma once

#include <cstddef>
#include <utility>

namespace lumdel {

// Test hook: when set, asked before every ZeroBlock allocation; false makes that
// allocation fail as an exhausted memory would (std::bad_alloc). Never set in the
// plug-in; allocations happen at construction and rate changes only, never per block.
using BufferAllocationGate = bool (*)(std::size_t bytes);
void setBufferAllocationGate(BufferAllocationGate gate);

class ZeroBlock {
public:
    ZeroBlock() = default;
    explicit ZeroBlock(std::size_t bytes);
    ~ZeroBlock() { release(); }
    ZeroBlock(ZeroBlock&& other) noexcept { *this = std::move(other); }
    ZeroBlock& operator=(ZeroBlock&& other) noexcept;
    ZeroBlock(const ZeroBlock&) = delete;
    ZeroBlock& operator=(const ZeroBlock&) = delete;
    void* get() const { return data_; }
    std::size_t bytes() const { return bytes_; }

private:
    void release();
    void* data_ = nullptr;
    std::size_t bytes_ = 0;
    bool mapped_ = false;
};

template <typename T>
class ZeroArray {
public:
    ZeroArray() = default;
    explicit ZeroArray(std::size_t n) : block_(n * sizeof(T)) {}
    T* get() const { return static_cast<T*>(block_.get()); }
    T& operator[](std::size_t i) const { return get()[i]; }
    void reset() { block_ = ZeroBlock(); }

private:
    ZeroBlock block_;
};

}  // namespace lumdel
