#pragma once
// A window of the test's thread that hears a block scan's end message (0, 0), as a program's
// window does: the list a scan overwrites belongs to the scan thread until then, so a test reads
// it only once this has heard the end.

#include "platform/win/Messages.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"
#include "tests/support/Eventually.h"
#include "tests/support/PumpMessages.h"

#include <cstdint>

namespace lxq_test {

class ScanEndWindow {
public:
    static constexpr std::uint32_t kMessage = plat::win::WM_USER + 0x51;

    ScanEndWindow() : window_(plat::win::CreateMessageWindow(&Proc, reinterpret_cast<plat::win::LParam>(this))) {}
    ~ScanEndWindow() { plat::win::DestroyWindow(window_); }
    ScanEndWindow(const ScanEndWindow&) = delete;
    ScanEndWindow& operator=(const ScanEndWindow&) = delete;

    plat::win::Hwnd Handle() const { return window_; }
    // Handles the thread's messages until the end message of the scan started last has come.
    bool WaitForEnd() {
        const bool heard = Eventually([this] {
            PumpMessages();
            return ended_;
        });
        ended_ = false;
        return heard;
    }

private:
    static plat::win::LResult Proc(plat::win::Hwnd h, std::uint32_t msg, plat::win::WParam w, plat::win::LParam l) {
        if (msg == kMessage && w == 0 && l == 0)
            reinterpret_cast<ScanEndWindow*>(plat::win::GetWindowLongPtr(h, plat::win::GWLP_USERDATA))->ended_ = true;
        return 0;
    }

    plat::win::Hwnd window_;
    bool ended_ = false;
};

} // namespace lxq_test
