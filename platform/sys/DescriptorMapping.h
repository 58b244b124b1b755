#pragma once
// Memory another process handed over as a descriptor (the codec ring), mapped into this process.
// The mapping stays valid until this object goes, whatever the other process does meanwhile.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace plat::sys {

class DescriptorMapping {
public:
    // Maps `length` bytes of the descriptor for reading and writing and closes the descriptor;
    // null when the descriptor is no memory of at least that length.
    static std::unique_ptr<DescriptorMapping> Map(int descriptor, std::size_t length);
    ~DescriptorMapping();
    DescriptorMapping(const DescriptorMapping&) = delete;
    DescriptorMapping& operator=(const DescriptorMapping&) = delete;

    std::uint8_t* Base() const { return base_; }
    std::size_t Length() const { return length_; }

private:
    DescriptorMapping(std::uint8_t* base, std::size_t length) : base_(base), length_(length) {}
    std::uint8_t* base_;
    std::size_t length_;
};

} // namespace plat::sys
