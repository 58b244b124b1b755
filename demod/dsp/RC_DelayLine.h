#pragma once
// Delays blocks of 32-bit samples by a fixed number of samples, to keep a signal in step with a
// filtered copy of another (the filter's group delay).

#include <cstddef>
#include <cstdint>

class RC_DelayLine {
public:
    RC_DelayLine();
    RC_DelayLine(const RC_DelayLine&) = delete;
    RC_DelayLine& operator=(const RC_DelayLine&) = delete;
    virtual ~RC_DelayLine();

    // Each re-lays out (restarting from silence) when the value changes; block size at least 1.
    void SetBlockSize(std::uint32_t n);
    void SetDelay(std::uint32_t d);
    std::uint32_t BlockSize() const { return blockSize_; }
    std::uint32_t Delay() const { return delay_; }

    // Where the caller writes up to a block of new samples.
    std::int32_t* InputPosition() { return input_; }
    std::int32_t* Output() { return output_; }
    // Writes the n samples that entered `delay` samples earlier to output (its own buffer when
    // null; a block when n is 0). Returns where they went.
    std::int32_t* Process(std::int32_t* output, std::uint32_t n);

private:
    bool Layout();

    std::int32_t* buffer_ = nullptr;
    std::uint32_t blockSize_ = 1024;
    std::int32_t* input_ = nullptr;
    std::int32_t* output_ = nullptr;
    std::uint32_t delay_ = 1;
    std::size_t capacity_ = 0; // in bytes
};
