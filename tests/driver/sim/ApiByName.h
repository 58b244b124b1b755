#pragma once
// The API library as a program sees it: loaded by name from the program's folder, each export
// bound by its name. The road tests drive the simulated receivers through these.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace lxq::sim::test {

inline std::string ProgramFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

struct ApiByName {
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
    std::int32_t (*IsSpectrumInverted)(std::int32_t) = nullptr;
    std::int32_t (*CodecStart)(std::int32_t, void (*)(void*), void*) = nullptr;
    std::int32_t (*CodecStop)(std::int32_t) = nullptr;
    std::uint64_t (*CodecRead)(std::int32_t, void*, std::uint64_t) = nullptr;
    std::int32_t (*CodecSetGain)(std::int32_t, std::int32_t) = nullptr;
    std::int32_t (*Q7GetDebug)(std::int32_t, void*) = nullptr;
    std::int32_t (*Q7BlockScan)(std::int32_t, std::uint32_t*, std::uint32_t, std::int32_t, std::uint32_t,
                                std::uint32_t, std::uint32_t) = nullptr;

    ApiByName() = default;
    ApiByName(const ApiByName&) = delete;
    ApiByName& operator=(const ApiByName&) = delete;
    ~ApiByName() {
        if (library != nullptr) dlclose(library);
    }

    // False when the library was not built (the test then skips); a missing export fails the test.
    bool Load() {
        const std::string path = ProgramFolder() + "/liblxq745api.so";
        if (!std::filesystem::exists(path)) return false;
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(library, nullptr) << dlerror();
        if (library == nullptr) return false;
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
        Bind(IsSpectrumInverted, "IsSpectrumInverted");
        Bind(CodecStart, "CodecStart");
        Bind(CodecStop, "CodecStop");
        Bind(CodecRead, "CodecRead");
        Bind(CodecSetGain, "CodecSetGain");
        Bind(Q7GetDebug, "Q7GetDebug");
        Bind(Q7BlockScan, "Q7BlockScan");
        return true;
    }

private:
    template <typename F> void Bind(F& f, const char* name) {
        f = reinterpret_cast<F>(dlsym(library, name));
        EXPECT_NE(f, nullptr) << name;
    }
};

} // namespace lxq::sim::test
