// The shared library as clients load it: by its system name, every export found by name.

#include "api/Lxq745Api.h"
#include "platform/sys/Module.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"

#include <gtest/gtest.h>

namespace {

TEST(Exports, EveryFunctionTheDemodulatorBindsResolvesByName) {
    plat::sys::test::ScopedChannelNamespace ns("exports");
    auto lib = plat::sys::Module::Load("lxq745api.dll");
    ASSERT_TRUE(lib) << "liblxq745api.so next to the program";
    for (const char* name :
         {"Q7Open", "OpenRadioDevice", "CloseRadioDevice", "Q7GetEEP", "Q7GetInfo",
          "Q7WriteEEPROM", "IsDeviceConnected", "SetAGC", "SetAtten", "SetIFGain", "SetPower",
          "SetRFAmp", "SetFrequency", "GetFrequency", "GetSignalStrengthdBm", "SetFMW",
          "SetIF2Frequency", "CodecStart", "CodecRead", "CodecStop", "Q7InvertSpectrum",
          "CodecSetGain", "Q7GetInternalRSSI", "Q7GetLock", "Q7IsBusy", "GetHwInfo",
          "IsSpectrumInverted"})
        EXPECT_NE(lib->Symbol(name), nullptr) << name;
    for (const char* second :
         {"Open", "GetInfo", "GetRadioList", "SetFreqAsync", "WaitFreqAsync", "SetFreqPipelined",
          "GetSSPipelined", "SetRefClock", "GetRefClock", "GetLock", "IsBusy", "GetLastSSdBm",
          "GetLastRawSS", "GetInternalRSSI", "GetPath", "GetPath2", "InvertSpectrum", "BlockScan",
          "StopBlockScan", "PauseBlockScan", "ResumeBlockScan"})
        EXPECT_NE(lib->Symbol(second), nullptr) << second;
    EXPECT_EQ(lib->Symbol("_ZN3lxq3api12RadioLibrary6LookupEi"), nullptr) << "internals hidden";

    // One body under two names, working through the pointers as a client calls them.
    auto open = reinterpret_cast<decltype(&Q7Open)>(lib->Symbol("Open"));
    auto setFrequency = reinterpret_cast<decltype(&SetFrequency)>(lib->Symbol("SetFrequency"));
    auto getFrequency = reinterpret_cast<decltype(&GetFrequency)>(lib->Symbol("GetFrequency"));
    auto invert = reinterpret_cast<decltype(&Q7InvertSpectrum)>(lib->Symbol("InvertSpectrum"));
    auto close = reinterpret_cast<decltype(&CloseRadioDevice)>(lib->Symbol("CloseRadioDevice"));
    EXPECT_EQ(lib->Symbol("Open"), lib->Symbol("Q7Open"));
    const int i = open(nullptr);
    ASSERT_EQ(i, 1);
    EXPECT_EQ(setFrequency(i, 433'920'000), 1);
    EXPECT_EQ(getFrequency(i), 433'920'000u);
    int16_t samples[256] = {};
    EXPECT_EQ(invert(i, samples, 256, 11'025.0f, 16, 1), 1);
    EXPECT_EQ(invert(i, samples, 256, 11'025.0f, 8, 1), 0);
    EXPECT_EQ(close(i), 1);
    EXPECT_EQ(getFrequency(i), 0u);
}

} // namespace
