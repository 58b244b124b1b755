#pragma once
// Named shared memory (POSIX) that several processes map at once. New memory reads as zeros.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace plat::sys {

class SharedMemory {
public:
    // Opens the named section, creating it with `size` bytes when it does not exist yet.
    // `created` tells which happened. Null on failure. The name gets the object namespace.
    static std::unique_ptr<SharedMemory> OpenOrCreate(std::string_view name, std::size_t size,
                                                      bool& created);
    // Removes the name; processes that mapped it keep their mapping.
    static void Remove(std::string_view name);

    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    std::byte* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    SharedMemory(std::byte* data, std::size_t size) : data_(data), size_(size) {}
    std::byte* data_;
    std::size_t size_;
};

} // namespace plat::sys
