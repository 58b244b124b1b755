#pragma once
// A combo box listing the wave-in or wave-out devices of an audio object, read again some time
// after the system reports an audio device arriving or leaving.

#include "demod/ui/toolkit/RC_ComboBox.h"

#include <deque>

class RC_AudioWave;

class RC_DeviceCombo : public RC_ComboBox {
public:
    // Style bits.
    static constexpr std::uint32_t kWaveIn = 0x2000;
    static constexpr std::uint32_t kWaveOut = 0x4000;
    static constexpr std::uint32_t kHideVirtualCard = 0x8000;
    // Messages of the device-change refresh.
    static constexpr std::uint32_t kMsgRefresh = 0x8001;
    static constexpr std::uint32_t kDeviceNodesChanged = 7;
    // A refresh waits this long after the report, so that the system has settled its devices.
    static constexpr std::int64_t kSettleSeconds = 10;

    RC_DeviceCombo(RC_Window* parent, int x, int y, int w, int h);
    ~RC_DeviceCombo() override;

    // Stores the audio object (null detaches) and fills the items from its device list.
    void Attach(RC_AudioWave* audio);
    // Selects the listed name and the audio object's device of that name; -1 when not listed.
    int SelectByName(const char* name);

    // The window that receives device-change reports and the refresh message.
    plat::win::Hwnd NotifyWindow() const { return notifyWindow_; }
    plat::win::LResult HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) override;

private:
    void Fill();
    // Posts the refreshes whose time has come and waits for the next one.
    void ReleaseDue();
    static plat::win::LResult NotifyProc(plat::win::Hwnd hwnd, std::uint32_t msg, plat::win::WParam wParam,
                                         plat::win::LParam lParam);

    RC_AudioWave* audio_ = nullptr;
    plat::win::Hwnd notifyWindow_ = 0;
    // Stamps of refreshes that came too early, oldest first.
    std::deque<std::int64_t> waiting_;
};
