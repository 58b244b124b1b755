#include "crashreport/base/ThunkArea.h"

#include "crashreport/base/TmyComponent.h"
#include "crashreport/sys/CodePages.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

#include <atomic>
#include <cstring>
#include <new>

namespace errvane {

namespace {

std::atomic<ThunkArea*> g_current{nullptr};
thread_local TmyComponent* t_waiting = nullptr;

static_assert(ThunkArea::kSlots * ThunkArea::kThunkBytes <= ThunkArea::kBytes, "every thunk fits the area");
static_assert(sizeof(void*) == 8, "the thunks are x86-64 code");

// Where every thunk jumps: the window procedure's four arguments are still in their registers,
// and the thunk has put its slot number in the fifth argument register.
plat::win::LResult Dispatch(plat::win::Hwnd hwnd, std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam,
                            std::uint32_t slot) {
    ThunkArea* area = ThunkArea::Current();
    TmyComponent* component = area != nullptr ? area->Component(static_cast<std::int32_t>(slot)) : nullptr;
    if (component == nullptr || component->Window() != hwnd) {
        // A window whose component is gone: default handling only.
        return plat::win::DefWindowProc(hwnd, msg, wParam, lParam);
    }
    return component->HandleMessage(msg, wParam, lParam);
}

constexpr std::size_t kPage = 4096;

// One thunk: mov r8d, slot; jmp [rip + to the dispatcher's address]; int3.
void WriteThunk(std::byte* at, std::uint32_t slot, const std::byte* target) {
    const std::byte* next = at + 12;
    const auto displacement = static_cast<std::int32_t>(target - next);
    const std::uint8_t code[ThunkArea::kThunkBytes] = {
        0x41, 0xB8, static_cast<std::uint8_t>(slot), static_cast<std::uint8_t>(slot >> 8),
        static_cast<std::uint8_t>(slot >> 16), static_cast<std::uint8_t>(slot >> 24),
        0xFF, 0x25, static_cast<std::uint8_t>(displacement), static_cast<std::uint8_t>(displacement >> 8),
        static_cast<std::uint8_t>(displacement >> 16), static_cast<std::uint8_t>(displacement >> 24),
        0xCC,
    };
    std::memcpy(at, code, sizeof code);
}

}  // namespace

ThunkArea::ThunkArea() : used_(kSlots - 1) {
    std::byte* code = CodePages::Allocate(kBytes + kPage);
    if (code == nullptr) return;
    std::byte* target = code + kBytes;
    using DispatchProcedure = decltype(&Dispatch);
    const DispatchProcedure dispatch = &Dispatch;
    std::memcpy(target, &dispatch, sizeof dispatch);
    for (std::uint32_t slot = 0; slot < kSlots; ++slot) WriteThunk(code + slot * kThunkBytes, slot, target);
    slots_ = new (std::nothrow) TmyComponent*[kSlots]();
    if (slots_ == nullptr || !CodePages::MakeExecutable(code, kBytes) || !CodePages::MakeReadOnly(target, kPage)) {
        CodePages::Free(code, kBytes + kPage);
        delete[] slots_;
        slots_ = nullptr;
        return;
    }
    code_ = code;
    ThunkArea* none = nullptr;
    g_current.compare_exchange_strong(none, this);
}

ThunkArea::~ThunkArea() {
    ThunkArea* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    CodePages::Free(code_, kBytes + kPage);
    delete[] slots_;
}

ThunkArea* ThunkArea::Current() { return g_current.load(); }

std::int32_t ThunkArea::Acquire(TmyComponent* component) {
    std::lock_guard lock(mutex_);
    if (!IsValid() || component == nullptr) return -1;
    for (std::uint32_t slot = 0; slot < kSlots; ++slot) {
        if (used_.Contains(slot)) continue;
        used_.Add(slot);
        slots_[slot] = component;
        if (static_cast<std::int32_t>(slot) > maxIndex_) maxIndex_ = static_cast<std::int32_t>(slot);
        return static_cast<std::int32_t>(slot);
    }
    return -1;
}

void ThunkArea::Release(std::int32_t slot, const TmyComponent* component) {
    std::lock_guard lock(mutex_);
    if (!IsValid() || slot < 0 || slot >= static_cast<std::int32_t>(kSlots)) return;
    const auto at = static_cast<std::uint32_t>(slot);
    if (!used_.Contains(at) || slots_[at] != component) return;
    slots_[at] = nullptr;
    used_.Remove(at);
}

TmyComponent* ThunkArea::Component(std::int32_t slot) const {
    std::lock_guard lock(mutex_);
    if (!IsValid() || slot < 0 || slot >= static_cast<std::int32_t>(kSlots)) return nullptr;
    return slots_[slot];
}

plat::win::WndProc ThunkArea::Procedure(std::int32_t slot) const {
    if (code_ == nullptr || slot < 0 || slot >= static_cast<std::int32_t>(kSlots)) return nullptr;
    return reinterpret_cast<plat::win::WndProc>(code_ + static_cast<std::size_t>(slot) * kThunkBytes);
}

void ThunkArea::SetWaiting(TmyComponent* component) { t_waiting = component; }

plat::win::LResult ThunkArea::Entry(plat::win::Hwnd hwnd, std::uint32_t msg, plat::win::WParam wParam,
                                    plat::win::LParam lParam) {
    TmyComponent* component = t_waiting;
    t_waiting = nullptr;
    if (component == nullptr) return 0;
    component->Bind(hwnd);
    ThunkArea* area = Current();
    const plat::win::WndProc procedure = area != nullptr ? area->Procedure(component->ThunkIndex()) : nullptr;
    if (procedure != nullptr) {
        plat::win::SetWindowLongPtr(hwnd, plat::win::GWLP_WNDPROC, reinterpret_cast<plat::win::LParam>(procedure));
    }
    return component->HandleMessage(msg, wParam, lParam);
}

}  // namespace errvane
