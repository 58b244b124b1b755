#include "crashreport/base/TmyBuffer.h"

#include "crashreport/base/ReportHeap.h"

#include <cstring>

namespace errvane {

TmyBuffer::TmyBuffer(std::size_t initialBytes, std::size_t maximumBytes, std::size_t minimumBytes)
    : maximum_(maximumBytes), minimum_(minimumBytes) {
    RegisterType(kTypeBuffer);
    Resize(initialBytes);
}

TmyBuffer::~TmyBuffer() { ReportHeap::Release(data_); }

bool TmyBuffer::Resize(std::size_t bytes) {
    if (maximum_ != 0 && bytes > maximum_) bytes = maximum_;
    if (minimum_ != 0 && bytes < minimum_) bytes = minimum_;
    if (bytes < used_) bytes = used_;
    if (bytes < 4) bytes = 4;
    if (bytes == capacity_) return true;
    void* block = ReportHeap::Reallocate(data_, capacity_, bytes);
    if (block == nullptr) return false;
    data_ = static_cast<unsigned char*>(block);
    capacity_ = bytes;
    return true;
}

bool TmyBuffer::SetLength(std::size_t bytes) {
    if (maximum_ != 0 && bytes > maximum_) bytes = maximum_;
    while (capacity_ < bytes) {
        const std::size_t before = capacity_;
        if (!Resize(capacity_ * 2 > bytes ? capacity_ * 2 : bytes) || capacity_ == before) return false;
    }
    used_ = bytes;
    return true;
}

void TmyBuffer::RemoveRange(std::size_t offset, std::size_t bytes) {
    if (offset >= used_) return;
    if (bytes > used_ - offset) bytes = used_ - offset;
    std::memmove(data_ + offset, data_ + offset + bytes, used_ - offset - bytes);
    used_ -= bytes;
}

}  // namespace errvane
