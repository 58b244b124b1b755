#pragma once
// Named shared memory (POSIX) that several processes map at once. New memory reads as zeros.
//
// The memory is this user's own: its name carries the user's id, it is created exclusively with
// mode 0600, and a section found under the name that belongs to someone else, is open to other
// users or has not the size asked for is refused, never mapped: another user could read it, or
// shrink it under the mapping and make every access past its new end fault.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace plat::sys {

class SharedMemory {
public:
    // Opens the named section, creating it with `size` bytes when it does not exist yet.
    // `created` tells which happened. Null on failure, with the reason in *refusal when given.
    // The name gets the object namespace and the user's id.
    static std::unique_ptr<SharedMemory> OpenOrCreate(std::string_view name, std::size_t size,
                                                      bool& created, std::string* refusal = nullptr);
    // Removes the name; processes that mapped it keep their mapping.
    static void Remove(std::string_view name);
    // Where the section of `name` lives, for messages ("/dev/shm/...").
    static std::string PathOf(std::string_view name);

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
