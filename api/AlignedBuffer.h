#pragma once
// A zero-initialised array aligned to 64 bytes that only grows: steady-state signal processing
// reuses it without allocating.

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace lxq::api {

template <typename T> class AlignedBuffer {
public:
    T* Data() { return data_.get(); }
    const T* Data() const { return data_.get(); }
    std::size_t Size() const { return size_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

    // Makes room for at least n elements; keeps the first `keep` elements when it grows.
    void Reserve(std::size_t n, std::size_t keep = 0) {
        if (n <= size_) return;
        const std::size_t bytes = (n * sizeof(T) + 63) / 64 * 64;
        T* p = static_cast<T*>(std::aligned_alloc(64, bytes));
        if (!p) throw std::bad_alloc();
        std::memset(p, 0, bytes);
        if (data_ && keep) std::memcpy(p, data_.get(), (keep < size_ ? keep : size_) * sizeof(T));
        data_.reset(p);
        size_ = n;
    }

private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T[], Free> data_;
    std::size_t size_ = 0;
};

} // namespace lxq::api
