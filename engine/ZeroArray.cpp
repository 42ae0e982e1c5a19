#include "ZeroArray.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace lumdel {

namespace {
constexpr std::size_t kMapThreshold = 256 * 1024;
std::atomic<BufferAllocationGate> allocationGate{nullptr};
}  // namespace

void setBufferAllocationGate(BufferAllocationGate gate) { allocationGate.store(gate); }

ZeroBlock::ZeroBlock(std::size_t bytes) : bytes_(bytes) {
    if (BufferAllocationGate gate = allocationGate.load(); gate && !gate(bytes))
        throw std::bad_alloc();
    if (bytes == 0) bytes = 1;
    if (bytes >= kMapThreshold) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        data_ = p;
        mapped_ = true;
    } else {
        data_ = std::calloc(1, bytes);
        if (!data_) throw std::bad_alloc();
    }
}

ZeroBlock& ZeroBlock::operator=(ZeroBlock&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

void ZeroBlock::release() {
    if (!data_) return;
    if (mapped_)
        munmap(data_, bytes_ ? bytes_ : 1);
    else
        std::free(data_);
    data_ = nullptr;
    bytes_ = 0;
    mapped_ = false;
}

}  // namespace lumdel
