// The road through the real socket with simulated receivers: the driver host runs in this process
// on a fresh channel name, the API library is loaded by name and drives each variant as a program
// would. What the simulator decodes from the words it was sent must be what was asked for.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <thread>

#include "driver/host/BuiltInKinds.h"
#include "driver/host/BusControlClient.h"
#include "driver/host/ChannelServer.h"
#include "driver/sim/SimRegistry.h"
#include "driver/sim/UsbReceiverSimulator.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"

namespace lxq::sim {
namespace {

std::string ProgramFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

// The exports a program uses, bound by name from the library.
struct Api {
    void* library = nullptr;
    std::int32_t (*OpenRadioDevice)(std::int32_t) = nullptr;
    std::int32_t (*CloseRadioDevice)(std::int32_t) = nullptr;
    std::int32_t (*SetPower)(std::int32_t, std::int32_t) = nullptr;
    std::int32_t (*SetFrequency)(std::int32_t, std::uint32_t) = nullptr;
    std::uint64_t (*GetFrequency)(std::int32_t) = nullptr;
    std::int32_t (*GetSignalStrengthdBm)(std::int32_t) = nullptr;
    std::int32_t (*SetAtten)(std::int32_t, std::int32_t) = nullptr;
    std::int32_t (*SetAGC)(std::int32_t, std::int32_t) = nullptr;
    std::int32_t (*SetIFGain)(std::int32_t, std::int32_t) = nullptr;
    std::int32_t (*SetRFAmp)(std::int32_t, std::int32_t) = nullptr;
    std::int32_t (*IsDeviceConnected)(std::int32_t) = nullptr;

    template <typename F> void Bind(F& f, const char* name) {
        f = reinterpret_cast<F>(dlsym(library, name));
        EXPECT_NE(f, nullptr) << name;
    }
    bool Load() {
        const std::string path = ProgramFolder() + "/liblxq745api.so";
        if (!std::filesystem::exists(path)) return false;
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(library, nullptr) << dlerror();
        Bind(OpenRadioDevice, "OpenRadioDevice");
        Bind(CloseRadioDevice, "CloseRadioDevice");
        Bind(SetPower, "SetPower");
        Bind(SetFrequency, "SetFrequency");
        Bind(GetFrequency, "GetFrequency");
        Bind(GetSignalStrengthdBm, "GetSignalStrengthdBm");
        Bind(SetAtten, "SetAtten");
        Bind(SetAGC, "SetAGC");
        Bind(SetIFGain, "SetIFGain");
        Bind(SetRFAmp, "SetRFAmp");
        Bind(IsDeviceConnected, "IsDeviceConnected");
        return library != nullptr;
    }
    ~Api() {
        if (library != nullptr) dlclose(library);
    }
};

class SimulatedRoad : public ::testing::TestWithParam<const char*> {
protected:
    SimulatedRoad() {
        host::RegisterBuiltInKinds(kinds);
        EXPECT_TRUE(server.Start());
    }
    ~SimulatedRoad() override {
        server.Stop();
        bus.RemoveAll();
    }

    void Plug(const std::string& kind, const std::string& id) {
        std::string reply;
        ASSERT_EQ(host::BusControlClient::Send("plug " + kind + " " + id, reply), kStatusSuccess) << reply;
    }

    plat::sys::test::ScopedChannelNamespace ns{"simroad"};
    host::DeviceKinds kinds;
    host::Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    host::ChannelServer server{bus};
};

TEST_P(SimulatedRoad, TuneMeasureAndSettingsReachTheSimulatedReceiver) {
    const std::string kind = GetParam();
    Plug(kind, "rx");
    const SimulatedDevice sim = SimRegistry::Find("rx");
    ASSERT_NE(sim.receiver, nullptr);
    Api api;
    if (!api.Load()) GTEST_SKIP() << "no API library";

    const std::int32_t index = api.OpenRadioDevice(0);
    ASSERT_GE(index, 1);
    ASSERT_EQ(api.SetPower(index, 1), 1);
    EXPECT_TRUE(sim.receiver->Powered());
    if (sim.usb != nullptr) {
        // A USB receiver takes tuner state only while its audio pipe is open.
        sim.usb->StopRealTime();
    }
    for (std::uint32_t hz : {7'050'000u, 145'500'000u, 1'296'000'000u}) {
        ASSERT_EQ(api.SetFrequency(index, hz), 1) << kind << " " << hz;
        EXPECT_EQ(api.GetFrequency(index), hz);
        if (sim.usb == nullptr) {
            EXPECT_TRUE(sim.receiver->IsTunedTo(hz)) << kind << " " << hz;
        }
    }

    sim.receiver->SetDetector(157, 900);
    EXPECT_EQ(api.GetSignalStrengthdBm(index), -1000);
    sim.receiver->SetDetector(763, 900); // another table point: -90.0 dBm
    EXPECT_EQ(api.GetSignalStrengthdBm(index), -900);

    if (sim.usb == nullptr) {
        ASSERT_EQ(api.SetAtten(index, 1), 1);
        EXPECT_EQ(sim.receiver->Tuner().bandWord & kBandWordAttenuatorOff, 0);
        ASSERT_EQ(api.SetRFAmp(index, 0), 1);
        EXPECT_NE(sim.receiver->Tuner().bandWord & kBandWordRfAmpOff, 0);
        ASSERT_EQ(api.SetAGC(index, 0), 1);
        ASSERT_EQ(api.SetIFGain(index, 100), 1);
        EXPECT_EQ(sim.receiver->Tuner().gain[1], 0); // byte 17: full IF gain
        EXPECT_EQ(sim.receiver->Tuner().gain[0], 63);
    }
    EXPECT_EQ(api.IsDeviceConnected(index), 1);
    EXPECT_EQ(api.CloseRadioDevice(index), 1);
}

INSTANTIATE_TEST_SUITE_P(Variants, SimulatedRoad, ::testing::Values("sim-usb", "sim-serial", "sim-pci"));

} // namespace
} // namespace lxq::sim
