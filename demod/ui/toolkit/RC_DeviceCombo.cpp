#include "demod/ui/toolkit/RC_DeviceCombo.h"

#include "demod/audio/RC_AudioWave.h"
#include "platform/sys/Clock.h"
#include "platform/win/Win.h"

#include <cstring>

namespace win = plat::win;

namespace {
// The system's own virtual sound card, which the device choice may leave out.
constexpr const char* kVirtualCardName = "Talvenor ";

constexpr std::uintptr_t kRefreshTimer = 1;

std::int64_t NowSeconds() { return plat::sys::ActiveClock().Now() / plat::sys::kNsPerSecond; }
} // namespace

RC_DeviceCombo::RC_DeviceCombo(RC_Window* parent, int x, int y, int w, int h) : RC_ComboBox(parent, x, y, w, h) {
    SetStyle(Style() | kWaveIn | kWaveOut);
    // A windowless control has no window of its own: device reports reach it through a hidden one.
    notifyWindow_ = win::CreateMessageWindow(&RC_DeviceCombo::NotifyProc, reinterpret_cast<win::LParam>(this));
}

RC_DeviceCombo::~RC_DeviceCombo() {
    if (notifyWindow_ != 0) win::DestroyWindow(notifyWindow_);
}

win::LResult RC_DeviceCombo::NotifyProc(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    auto* self = reinterpret_cast<RC_DeviceCombo*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
    if (self != nullptr && msg == win::WM_TIMER && wParam == kRefreshTimer) {
        self->ReleaseDue();
        return 0;
    }
    if (self == nullptr || (msg != win::WM_DEVICECHANGE && msg != kMsgRefresh))
        return win::DefWindowProc(hwnd, msg, wParam, lParam);
    return self->HandleMessage(msg, wParam, lParam);
}

win::LResult RC_DeviceCombo::HandleMessage(std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    if (msg == win::WM_DEVICECHANGE) {
        if (wParam != kDeviceNodesChanged) win::PostMessage(notifyWindow_, kMsgRefresh, wParam, NowSeconds());
        return 1;
    }
    if (msg == kMsgRefresh) {
        // The refresh waits until the devices had time to settle: on a timer rather than by
        // posting itself again, which would keep the thread busy for the whole wait.
        if (NowSeconds() - static_cast<std::int64_t>(lParam) < kSettleSeconds) {
            waiting_.push_back(static_cast<std::int64_t>(lParam));
            ReleaseDue();
            return 1;
        }
        if (audio_ != nullptr) audio_->EnumerateDevices();
        Fill();
        FireChange();
        return 1;
    }
    return RC_ComboBox::HandleMessage(msg, wParam, lParam);
}

void RC_DeviceCombo::ReleaseDue() {
    win::KillTimer(notifyWindow_, kRefreshTimer);
    const std::int64_t now = NowSeconds();
    while (!waiting_.empty() && now - waiting_.front() >= kSettleSeconds) {
        win::PostMessage(notifyWindow_, kMsgRefresh, 0, static_cast<win::LParam>(waiting_.front()));
        waiting_.pop_front();
    }
    if (waiting_.empty()) return;
    const std::int64_t dueMs = (waiting_.front() + kSettleSeconds - now) * 1000;
    win::SetTimer(notifyWindow_, kRefreshTimer, static_cast<std::uint32_t>(dueMs), nullptr);
}

void RC_DeviceCombo::Attach(RC_AudioWave* audio) {
    audio_ = audio;
    Fill();
}

void RC_DeviceCombo::Fill() {
    Clear();
    if (audio_ == nullptr) return;
    const bool input = (Style() & kWaveIn) != 0;
    const RC_StringList& names = input ? audio_->InDeviceNames() : audio_->OutDeviceNames();
    const bool hideVirtual = (Style() & kHideVirtualCard) != 0;
    for (std::size_t i = 0; i < names.Count(); ++i) {
        const char* name = names.Item(i);
        if (hideVirtual && std::strstr(name, kVirtualCardName) != nullptr) continue;
        AddItem(name);
    }
    const char* current = names.Item(static_cast<std::size_t>(input ? audio_->InDevice() : audio_->OutDevice()));
    SetSelection(current != nullptr ? static_cast<int>(Items().Find(current)) : -1);
}

int RC_DeviceCombo::SelectByName(const char* name) {
    const long index = Items().Find(name);
    if (index < 0) return -1;
    SetSelection(static_cast<int>(index));
    if (audio_ != nullptr) {
        if ((Style() & kWaveIn) != 0) audio_->SetInDeviceByName(name);
        else if ((Style() & kWaveOut) != 0) audio_->SetOutDeviceByName(name);
    }
    return static_cast<int>(index);
}
