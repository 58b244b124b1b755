#pragma once
#include "crashreport/base/TmyObject.h"

#include <cstddef>

namespace errvane {

// A growable block of bytes with an optional maximum and minimum size.
class TmyBuffer : public TmyObject {
public:
    TmyBuffer(std::size_t initialBytes, std::size_t maximumBytes, std::size_t minimumBytes = 0);
    ~TmyBuffer() override;

    // Sizes the block to N bytes, within the maximum and not below the minimum, the used length
    // or 4; false when the block could not be reallocated.
    virtual bool Resize(std::size_t bytes);
    // Sets the used length, doubling the capacity until it fits; false when it cannot.
    virtual bool SetLength(std::size_t bytes);
    virtual void RemoveRange(std::size_t offset, std::size_t bytes);
    virtual std::size_t Used() const { return used_; }
    virtual std::size_t MaximumSize() const { return maximum_; }
    virtual std::size_t Capacity() const { return capacity_; }
    virtual std::size_t FreeRoom() const { return capacity_ - used_; }

    unsigned char* Data() { return data_; }
    const unsigned char* Data() const { return data_; }

private:
    unsigned char* data_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
    std::size_t maximum_;
    std::size_t minimum_;
};

}  // namespace errvane
