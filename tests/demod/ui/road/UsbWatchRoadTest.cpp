// A USB receiver on a driver host of our own, reached through the real API library: the
// demodulator window opens it, receives its codec stream, and notices within a second or two
// when the receiver is pulled out.

#include "demod/ui/DemodWindow.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

using namespace lxq::host;
namespace win = plat::win;

// A host whose receiver is on, not scanning, with no secondary squelch type; other calls answer 0.
std::int32_t PoweredHost(std::int32_t, std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData, void* lpData) {
    if (code == 0x4002 && dwParam == 0x100) return 1;
    if (code == 0x4002 && dwParam == 0xB01 && lpData != nullptr) std::memset(lpData, 0, cbData);
    return 0;
}

// Serves the window's queue until the condition holds, for at most a few seconds.
bool Within(std::chrono::milliseconds limit, const std::function<bool()>& condition) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        win::Msg msg;
        while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
            win::TranslateMessage(msg);
            win::DispatchMessage(msg);
        }
        std::this_thread::yield();
    }
    return true;
}

class UsbWatchRoadTest : public ::testing::Test {
protected:
    UsbWatchRoadTest() {
        RegisterBuiltInKinds(kinds_);
        EXPECT_TRUE(server_.Start());
        std::string message;
        EXPECT_EQ(bus_.Plug("sim-usb", "rx1", message), 0u) << message;
        setenv("XDG_DOCUMENTS_DIR", folder_.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", folder_.Path().c_str(), 1);
        backend_->AddDevice(plat::audio::Direction::Playback, "Speakers", folder_.File("out.wav"));
    }
    ~UsbWatchRoadTest() override {
        server_.Stop();
        bus_.RemoveAll();
        unsetenv("XDG_DOCUMENTS_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }

    plat::sys::test::ScopedChannelNamespace ns_{"dui-road-"};
    plat::sys::testing::TempFolder folder_;
    std::shared_ptr<plat::audio::FileAudioBackend> backend_ = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend audio_{backend_};
    DeviceKinds kinds_;
    Bus bus_{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds_.Make(kind, id, error);
    }};
    ChannelServer server_{bus_};
};

TEST_F(UsbWatchRoadTest, APulledOutReceiverIsNoticedByTheWindow) {
    std::vector<unsigned char> caps(400, 0);
    const std::uint32_t size = 400;
    std::memcpy(caps.data(), &size, 4);
    std::memcpy(caps.data() + 4, &size, 4);
    std::strcpy(reinterpret_cast<char*>(caps.data() + 12), "Talvenor Communications");
    std::strcpy(reinterpret_cast<char*>(caps.data() + 44), "Q7USBv10");
    std::strcpy(reinterpret_cast<char*>(caps.data() + 76), "SIMU0001"); // the simulated USB receiver
    std::uint32_t mask = 0;
    auto* window = new DemodWindow(1, caps.data(), &PoweredHost, &mask, DemodWindow::kUsb, REAL_API_PATH);
    ASSERT_TRUE(window->Started());
    ASSERT_NE(window->ReceiverApi().Handle(), 0) << "the receiver opened";
    EXPECT_TRUE(Within(std::chrono::seconds(3), [&] { return window->CodecRunning(); })) << "the codec stream arrives";

    bus_.Unplug("rx1");
    EXPECT_TRUE(Within(std::chrono::seconds(3), [&] { return !window->CodecRunning(); }))
        << "the once-a-second watch notices the receiver is gone";
    delete window;
}

} // namespace
