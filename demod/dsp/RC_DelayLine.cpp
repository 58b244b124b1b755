#include "demod/dsp/RC_DelayLine.h"

#include "demod/dsp/RC_Heap.h"

#include <cstring>

RC_DelayLine::RC_DelayLine() { Layout(); }

RC_DelayLine::~RC_DelayLine() { RC_Free(buffer_); }

bool RC_DelayLine::Layout() {
    const std::uint64_t needed = std::uint64_t{delay_} + 2ull * blockSize_;
    if (needed > UINT32_MAX / sizeof(std::int32_t)) {
        return false;
    }
    void* block = buffer_;
    if (!RC_GrowBlock(block, capacity_, needed * sizeof(std::int32_t))) {
        return false;
    }
    buffer_ = static_cast<std::int32_t*>(block);
    input_ = buffer_ + delay_;
    output_ = input_ + blockSize_;
    std::memset(buffer_, 0, std::size_t{delay_} * sizeof(std::int32_t));
    return true;
}

void RC_DelayLine::SetBlockSize(std::uint32_t n) {
    RC_ChangeLayout(blockSize_, n < 1 ? 1u : n, [this] { return Layout(); });
}

void RC_DelayLine::SetDelay(std::uint32_t d) {
    RC_ChangeLayout(delay_, d, [this] { return Layout(); });
}

std::int32_t* RC_DelayLine::Process(std::int32_t* output, std::uint32_t n) {
    if (n == 0 || n > blockSize_) {
        n = blockSize_;
    }
    if (output == nullptr) {
        output = output_;
    }
    std::memmove(output, buffer_, std::size_t{n} * sizeof(std::int32_t));
    std::memmove(buffer_, buffer_ + n, std::size_t{delay_} * sizeof(std::int32_t));
    return output;
}
