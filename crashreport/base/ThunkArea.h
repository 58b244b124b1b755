#pragma once
#include "crashreport/base/TmySet.h"
#include "platform/win/Types.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace errvane {

class TmyComponent;

// Window-procedure thunks: 0x10000 bytes of committed memory holding 5041 small procedures of
// 13 bytes, one per slot, each handing its window's messages with its slot number to the
// dispatcher, which passes them to the component bound to the slot. A component's window starts
// with the entry procedure of the class "TmyComponent", which binds the window to the component
// the creating thread left waiting and swaps in the slot's procedure. The thunks are written once
// and then made read-only and executable (never writable and executable at once). One area
// serves the process.
class ThunkArea {
public:
    static constexpr std::uint32_t kSlots = 5041;
    static constexpr std::size_t kBytes = 0x10000;
    static constexpr std::size_t kThunkBytes = 13;

    ThunkArea();
    ~ThunkArea();
    ThunkArea(const ThunkArea&) = delete;
    ThunkArea& operator=(const ThunkArea&) = delete;

    // The area of the loaded library, null before load and after unload.
    static ThunkArea* Current();

    bool IsValid() const { return code_ != nullptr && slots_ != nullptr && used_.IsValid(); }
    // The lowest free slot, now bound to the component; -1 when every slot is taken.
    std::int32_t Acquire(TmyComponent* component);
    // Frees the slot when it is still the component's.
    void Release(std::int32_t slot, const TmyComponent* component);
    TmyComponent* Component(std::int32_t slot) const;
    // The highest slot taken since the area was made (0 when none was).
    std::int32_t MaxIndex() const { return maxIndex_; }

    // The slot's own window procedure; null for a slot out of range or without an area.
    plat::win::WndProc Procedure(std::int32_t slot) const;
    // The class procedure: binds a new window to the component waiting on this thread.
    static plat::win::LResult Entry(plat::win::Hwnd hwnd, std::uint32_t msg, plat::win::WParam wParam,
                                    plat::win::LParam lParam);
    // Leaves the component for the first message of the window this thread creates next.
    static void SetWaiting(TmyComponent* component);

private:
    std::byte* code_ = nullptr;  // the thunks, then a page holding the dispatcher's address
    TmyComponent** slots_ = nullptr;
    TmySet used_;
    std::int32_t maxIndex_ = 0;
    mutable std::mutex mutex_;
};

}  // namespace errvane
