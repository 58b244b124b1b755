#pragma once
// Memory another process handed over as a descriptor (the codec ring), mapped into this process.
// The mapping stays valid until this object goes, whatever the other process does meanwhile:
// only memory sealed against shrinking is mapped (a memory file with F_SEAL_SHRINK, F_SEAL_GROW
// and F_SEAL_SEAL, as the driver host makes its rings), so nobody can cut pages from under it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace plat::sys {

class DescriptorMapping {
public:
    // Maps `length` bytes of the descriptor for reading and writing and closes the descriptor;
    // null when the descriptor is no sealed memory of at least that length, with the reason in
    // *refusal when given and in the debug output.
    static std::unique_ptr<DescriptorMapping> Map(int descriptor, std::size_t length, std::string* refusal = nullptr);
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
