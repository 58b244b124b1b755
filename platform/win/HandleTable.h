#pragma once
// Maps 32-bit handles to shared objects. A handle is (generation << 16) | slot index; a freed slot
// gets a new generation, so a stale handle is never mistaken for the object that reuses its slot.
// Generations stay in 1..0x7FFF: a handle is never 0, 1 or one of the special values near
// 0xFFFFFFFF. Not synchronised: the owner guards it.

#include <cstdint>
#include <memory>
#include <vector>

namespace plat::win {

template <typename T>
class HandleTable {
public:
    static constexpr std::uint32_t kMaxSlots = 0xFFFF;

    // Returns 0 when every slot is in use.
    std::uint32_t Insert(std::shared_ptr<T> object) {
        std::uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kMaxSlots) return 0;
            slots_.push_back({});
            index = static_cast<std::uint32_t>(slots_.size()); // slot 0 is never handed out
        }
        Slot& slot = slots_[index - 1];
        slot.object = std::move(object);
        ++count_;
        return (static_cast<std::uint32_t>(slot.generation) << 16) | index;
    }

    std::shared_ptr<T> Find(std::uint32_t handle) const {
        const Slot* slot = SlotOf(handle);
        return slot ? slot->object : nullptr;
    }

    bool Remove(std::uint32_t handle) {
        Slot* slot = const_cast<Slot*>(SlotOf(handle));
        if (!slot) return false;
        slot->object.reset();
        slot->generation = static_cast<std::uint16_t>(slot->generation % 0x7FFF + 1);
        free_.push_back(handle & 0xFFFFu);
        --count_;
        return true;
    }

    std::size_t Count() const { return count_; }

    // Calls fn(handle, object) for every live entry.
    template <typename Fn>
    void ForEach(Fn&& fn) const {
        for (std::uint32_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i].object)
                fn((static_cast<std::uint32_t>(slots_[i].generation) << 16) | (i + 1), slots_[i].object);
        }
    }

private:
    struct Slot {
        std::uint16_t generation = 1;
        std::shared_ptr<T> object;
    };

    const Slot* SlotOf(std::uint32_t handle) const {
        const std::uint32_t index = handle & 0xFFFFu;
        if (index == 0 || index > slots_.size()) return nullptr;
        const Slot& slot = slots_[index - 1];
        if (!slot.object || slot.generation != (handle >> 16)) return nullptr;
        return &slot;
    }

    std::vector<Slot> slots_;
    std::vector<std::uint32_t> free_;
    std::size_t count_ = 0;
};

} // namespace plat::win
