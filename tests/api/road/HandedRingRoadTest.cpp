// The codec ring as the library gets it from the driver host, through the real channel: the
// library maps it only when nobody can shrink it any more. A host (or whoever poses as one) that
// hands out memory it can still shrink gets the stream refused, with the reason in the debug
// output, and shrinking that memory afterwards harms nothing.

#include "api/DeviceControl.h"
#include "api/ReceiverApi.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/host/RecordingTransport.h"
#include "driver/transport/CodecRing.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace lxq::api::testing {
namespace {

using namespace lxq::host;

// A USB receiver whose codec start hands back memory of the right size with the given seals.
class HandingTransport final : public RecordingTransport {
public:
    HandingTransport(const std::string& serial, int seals) : RecordingTransport(Variant::Usb, serial), seals_(seals) {
        SetStreaming(true);
    }
    ~HandingTransport() override {
        if (kept_ >= 0) close(kept_);
    }
    bool HandleRequest(ReceiverDevice&, IoRequest& request, NtStatus& status) override {
        if (request.code == IOCTL_LXQ745_CODEC_STOP) {
            status = kStatusSuccess;
            return true;
        }
        if (request.code != IOCTL_LXQ745_CODEC_START) return false;
        CodecStartRequest in{};
        std::memcpy(&in, request.buffer.data(), sizeof in);
        const std::uint64_t length = transport::kCodecRingHeaderSize + in.ringSize;
        const int fd = memfd_create("ring", MFD_CLOEXEC | MFD_ALLOW_SEALING);
        EXPECT_EQ(ftruncate(fd, static_cast<off_t>(length)), 0);
        if (seals_ != 0) {
            EXPECT_EQ(fcntl(fd, F_ADD_SEALS, seals_), 0);
        }
        if (kept_ >= 0) close(kept_);
        kept_ = dup(fd);
        request.replyFd = fd;
        std::memcpy(request.buffer.data(), &length, sizeof length);
        request.bytes = sizeof length;
        status = kStatusSuccess;
        return true;
    }
    // What the giver can still do to the memory it handed out.
    bool Shrink() { return kept_ >= 0 && ftruncate(kept_, 0) == 0; }

private:
    int seals_;
    int kept_ = -1;
};

class HandedRing : public ::testing::Test {
protected:
    HandedRing() {
        RegisterBuiltInKinds(kinds);
        setenv("LXQ745_DEBUG_OUTPUT", debug.c_str(), 1);
    }
    ~HandedRing() override {
        api.reset();
        server.Stop();
        bus.RemoveAll();
        unsetenv("LXQ745_DEBUG_OUTPUT");
    }
    std::string Said() {
        std::ifstream in(debug);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    plat::sys::test::ScopedChannelNamespace ns{"ring-api"};
    plat::sys::testing::TempFolder dir;
    std::string debug = dir.File("debug.txt");
    DeviceKinds kinds;
    Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    ChannelServer server{bus};
    std::unique_ptr<ReceiverApi> api;
};

TEST_F(HandedRing, OnlyARingThatCannotShrinkIsMappedAndStreamed) {
    constexpr int kAll = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL;
    struct Case {
        const char* what;
        int seals;
        bool streams;
    };
    const Case cases[] = {
        {"sealed as the host seals its rings", kAll, true},
        {"not sealed", 0, false},
        {"sealed against growing only", F_SEAL_GROW | F_SEAL_SEAL, false},
    };
    std::vector<HandingTransport*> transports;
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const int seals = cases[k].seals;
        const std::string kind = "handing" + std::to_string(k);
        kinds.Register(kind, [seals, &transports](const std::string& busId, std::string&) {
            auto transport = std::make_unique<HandingTransport>(busId, seals);
            transports.push_back(transport.get());
            return std::make_unique<ReceiverDevice>(std::move(transport));
        });
        std::string message;
        ASSERT_EQ(bus.Plug(kind, "RX" + std::to_string(k), message), 0u) << message;
    }
    ASSERT_TRUE(server.Start());
    RadioLibrary::Options options;
    options.configPath = dir.File("LXQ745.INI");
    api = std::make_unique<ReceiverApi>(std::move(options));
    ASSERT_EQ(transports.size(), std::size(cases));

    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(c.what);
        const std::int32_t index = api->Library().OpenRadioDevice(static_cast<std::int32_t>(k + 1));
        ASSERT_EQ(index, static_cast<std::int32_t>(k + 1));
        EXPECT_EQ(api->Codec().Start(index, nullptr, nullptr), c.streams ? 1 : 0);
        if (c.streams) {
            EXPECT_FALSE(transports[k]->Shrink()) << "the host's seals hold";
        } else {
            EXPECT_NE(Said().find("shared ring refused, not mapped: the memory is not sealed against shrinking"),
                      std::string::npos)
                << Said();
            EXPECT_TRUE(transports[k]->Shrink());
        }
        std::uint8_t audio[64];
        api->Codec().Read(index, audio, sizeof audio);  // reads nothing, or the ring it mapped: never faults
        api->Codec().Stop(index);
        api->Library().CloseRadioDevice(index);
    }
}

} // namespace
} // namespace lxq::api::testing
