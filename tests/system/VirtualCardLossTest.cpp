// The virtual sound card on a loaded machine: a reader held off for seconds loses nothing of its
// receiver's IF, and a reader held off longer than the ring holds is told what it lost, in the
// debug output and in the count its capture stream gives.

#include "driver/host/Bus.h"
#include "driver/host/DeviceKinds.h"
#include "driver/host/SimulatedKinds.h"
#include "driver/host/VirtualCardServer.h"
#include "platform/audio/AudioBackend.h"
#include "platform/audio/VirtualSoundCard.h"
#include "platform/audio/VirtualCardWire.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/system/SystemRig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace lxq::systemtest {
namespace {

using namespace plat::audio;

// Numbers the samples, so that a gap shows where it is.
class CountingSource final : public host::IfSource {
public:
    void Render(std::span<std::int16_t> samples) override {
        for (auto& s : samples) s = static_cast<std::int16_t>(next_++);
    }

private:
    std::uint16_t next_ = 0;
};

class VirtualCardLoss : public ::testing::Test {
protected:
    VirtualCardLoss() {
        setenv("LXQ745_DEBUG_OUTPUT", debug_.c_str(), 1);
        host::RegisterSimulatedKinds(kinds_);
        std::string message;
        EXPECT_TRUE(IsSuccess(bus_.Plug("sim-pci", "pci0", message))) << message;
        EXPECT_TRUE(card_.Start(false)); // fed by the test: a stalled reader, not a stalled clock
        const auto devices = VirtualSoundCard::Devices(Direction::Capture);
        EXPECT_FALSE(devices.empty());
        if (!devices.empty()) {
            EXPECT_EQ(VirtualSoundCard::OpenCapture(devices.front(), MakePcmFormat(1, 16, 48000), false, stream_),
                      Result::NoError);
        }
    }
    ~VirtualCardLoss() override {
        stream_.reset();
        card_.Stop();
        bus_.RemoveAll();
        unsetenv("LXQ745_DEBUG_OUTPUT");
    }

    // Reads n samples, checking that they follow on from the last one read.
    bool ReadInOrder(std::size_t n) {
        std::vector<std::int16_t> x(n);
        std::uint32_t got = 0;
        if (stream_->Read(x.data(), static_cast<std::uint32_t>(2 * n), got) != Result::NoError || got != 2 * n)
            return false;
        for (const std::int16_t s : x) {
            if (static_cast<std::uint16_t>(s) != expected_) return false;
            ++expected_;
        }
        return true;
    }
    std::string Debug() const {
        std::ifstream in(debug_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    plat::sys::test::ScopedChannelNamespace ns_{"vsc-loss"};
    Folder folder_;
    std::string debug_ = folder_.File("debug.txt");
    host::DeviceKinds kinds_;
    host::Bus bus_{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds_.Make(kind, id, error);
    }};
    host::VirtualCardServer card_{host::SimulatedPins(bus_),
                                  [](std::shared_ptr<sim::SimReceiver>) { return std::make_unique<CountingSource>(); }};
    std::unique_ptr<CaptureStream> stream_;
    std::uint16_t expected_ = 0;
};

TEST_F(VirtualCardLoss, AReaderHeldOffForThreeSecondsLosesNothing) {
    ASSERT_NE(stream_, nullptr);
    card_.Feed(3 * vsc::kSampleRate);
    EXPECT_TRUE(ReadInOrder(3 * vsc::kSampleRate)) << "every sample, in order";
    EXPECT_EQ(stream_->LostSamples(), 0u);
    EXPECT_EQ(Debug().find("lost"), std::string::npos) << Debug();
}

TEST_F(VirtualCardLoss, ALossIsCountedAndTold) {
    ASSERT_NE(stream_, nullptr);
    card_.Feed(6 * vsc::kSampleRate);
    EXPECT_TRUE(ReadInOrder(vsc::kSampleRate)) << "what the ring held comes first, in order";
    const std::uint32_t lost = stream_->LostSamples();
    EXPECT_GT(lost, vsc::kSampleRate) << "two seconds did not fit";
    EXPECT_LT(lost, 3 * vsc::kSampleRate);
    const std::string debug = Debug();
    EXPECT_NE(debug.find("lxq745d: virtual sound card: " + std::to_string(lost) + " IF samples lost"), std::string::npos)
        << debug;
    EXPECT_NE(debug.find("Talvenor Virtual Sound Card 1: " + std::to_string(lost) + " IF samples lost"),
              std::string::npos)
        << debug;
}

} // namespace
} // namespace lxq::systemtest
