#include "demod/audio/RC_ReceiverApi.h"
#include "demod/audio/RC_ReceiverInfo.h"

#include "tests/demod/audio/FakeReceiverApi.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

FakeApiState& StateOf(const char* path) {
    // The same library instance the binding holds: the loader shares it.
    static auto full = plat::sys::Module::Load(FAKE_API_PATH);
    static auto partial = plat::sys::Module::Load(FAKE_API_PARTIAL_PATH);
    auto& module = std::strcmp(path, FAKE_API_PATH) == 0 ? full : partial;
    return *reinterpret_cast<FakeApiStateFn>(module->Symbol("FakeApi_State"))();
}

void FillInfo(FakeApiState& s, const char* serial, const char* model, std::int64_t low,
              std::int64_t high) {
    std::memset(s.info, 0, sizeof s.info);
    s.info[0] = 42;
    std::memcpy(s.info + 4, serial, std::strlen(serial) + 1);
    std::memcpy(s.info + 13, model, std::strlen(model) + 1);
    std::memcpy(s.info + 22, &low, 8);
    std::memcpy(s.info + 30, &high, 8);
}

class ReceiverApiTest : public ::testing::Test {
protected:
    ReceiverApiTest() : state_(StateOf(FAKE_API_PATH)) { state_ = FakeApiState{}; }
    FakeApiState& state_;
};

} // namespace

TEST_F(ReceiverApiTest, WithoutTheLibraryEveryOperationIsNeutral) {
    RC_ReceiverApi api("/nonexistent/liblxq745api.so");
    EXPECT_FALSE(api.HasLibrary());
    EXPECT_EQ(api.Bind(), 0);
    EXPECT_EQ(api.pQ7Open, nullptr);
    EXPECT_EQ(api.Open("12345678"), 0);
    EXPECT_FALSE(api.IsOpen());
    api.SetAgc(3);
    api.SetFrequency(7'000'000);
    api.SetFMW(1);
    EXPECT_EQ(api.Agc(), 0);
    EXPECT_EQ(api.GetFrequency(), 0);
    EXPECT_EQ(api.GetSignalStrength(), 0.0);
    EXPECT_EQ(api.CodecStart(), 0);
    EXPECT_EQ(api.WriteEeprom(0, 1, "x"), 0);
    EXPECT_EQ(api.LowestFrequency(), 9'000);
    EXPECT_EQ(api.HighestFrequency(), 30'000'000);
}

TEST_F(ReceiverApiTest, OpenReadsTheEepromAndTheModelDecidesTheKind) {
    const struct {
        const char* model;
        std::int32_t kind;
        const char* description;
    } cases[] = {
        {"Q7PCIv12", RC_Receiver::kKindPci, "Talvenor Q745i"},
        {"Q7SERv03", RC_Receiver::kKindSerial, "Talvenor Q745e/Ser"},
        {"Q7USBv20", RC_Receiver::kKindUsb, "Talvenor Q745e/USB"},
        {"Q7XYZv01", RC_Receiver::kKindNone, ""},
    };
    for (const auto& c : cases) {
        state_.eeprom[80] = 0x02;
        FillInfo(state_, "AB123456", c.model, 100'000, 1'800'000'000);
        RC_ReceiverApi api(FAKE_API_PATH);
        ASSERT_EQ(api.Open("AB123456"), 1) << c.model;
        EXPECT_EQ(api.Handle(), 3);
        EXPECT_EQ(api.Eeprom()[80], 0x02);
        EXPECT_EQ(state_.getInfo.lastValue, 42); // the record's size goes in first
        EXPECT_STREQ(api.SerialNumber().Text(), "AB123456");
        EXPECT_EQ(api.InterfaceKind(), c.kind) << c.model;
        EXPECT_STREQ(api.Description().Text(), c.description);
        EXPECT_EQ(api.LowestFrequency(), 100'000);
        EXPECT_EQ(api.HighestFrequency(), 1'800'000'000);
    }
}

TEST_F(ReceiverApiTest, OpenWithoutInformationFallsBackToTheArgument) {
    state_.infoResult = 0;
    RC_ReceiverApi api(FAKE_API_PATH);
    ASSERT_EQ(api.Open("CD987654"), 1);
    EXPECT_STREQ(api.SerialNumber().Text(), "CD987654");
    EXPECT_EQ(api.InterfaceKind(), RC_Receiver::kKindPci);
    EXPECT_STREQ(api.Description().Text(), "Talvenor Q745");

    state_.openResult = 0;
    RC_ReceiverApi refused(FAKE_API_PATH);
    EXPECT_EQ(refused.Open("CD987654"), 0);
    EXPECT_FALSE(refused.IsOpen());
}

TEST_F(ReceiverApiTest, SettersCallOnlyWhenOpenAndChangedAndCacheOnlySuccess) {
    RC_ReceiverApi api(FAKE_API_PATH);
    api.SetAgc(2); // closed: neither called nor cached
    EXPECT_EQ(state_.setAgc.count, 0);
    EXPECT_EQ(api.Agc(), 0);
    ASSERT_EQ(api.Open(nullptr), 1);

    api.SetAgc(2);
    api.SetAgc(2);
    EXPECT_EQ(state_.setAgc.count, 1);
    EXPECT_EQ(api.Agc(), 2);

    state_.setResult = 0; // the library refuses: nothing cached, so the same value goes again
    api.SetAttenuator(1);
    api.SetAttenuator(1);
    EXPECT_EQ(state_.setAtten.count, 2);
    EXPECT_EQ(api.Attenuator(), 0);
    state_.setResult = 1;

    api.SetFMW(0); // the cache starts at -2, so even 0 reaches the library
    EXPECT_EQ(state_.setFmw.count, 1);
    api.SetFMW(0);
    EXPECT_EQ(state_.setFmw.count, 1);

    api.SetIfGain(5);
    api.SetPower(1);
    api.SetRfAmp(1);
    EXPECT_EQ(state_.setIfGain.lastValue, 5);
    EXPECT_EQ(state_.setPower.lastValue, 1);
    EXPECT_EQ(state_.setRfAmp.lastValue, 1);
}

// A switch whose set failed (timed out at a sleeping receiver) may still be carried out when the
// receiver wakes: the user's way back to the setting before must reach the library too.
TEST_F(ReceiverApiTest, AWideFmSetThatFailedLeavesTheSwitchUnknownSoTheOldValueIsSentAgain) {
    RC_ReceiverApi api(FAKE_API_PATH);
    ASSERT_EQ(api.Open(nullptr), 1);
    api.SetFMW(0);
    ASSERT_EQ(api.FmWide(), 0);
    state_.setResult = 0;
    api.SetFMW(1);
    EXPECT_EQ(api.FmWide(), RC_ReceiverApi::kFmWideUnknown);
    state_.setResult = 1;
    api.SetFMW(0);
    EXPECT_EQ(state_.setFmw.count, 3);
    EXPECT_EQ(state_.setFmw.lastValue, 0);
    EXPECT_EQ(api.FmWide(), 0);
}

TEST_F(ReceiverApiTest, FrequenciesDifferingInTheHighHalfAreSentAgain) {
    RC_ReceiverApi api(FAKE_API_PATH);
    ASSERT_EQ(api.Open(nullptr), 1);
    api.SetFrequency(10'000'000);
    api.SetFrequency(10'000'000 + (std::int64_t{1} << 32));
    EXPECT_EQ(state_.setFrequency.count, 2);
    EXPECT_EQ(state_.setFrequency.lastValue, 10'000'000); // only the low 32 bits travel
    EXPECT_EQ(api.CachedFrequency(), 10'000'000 + (std::int64_t{1} << 32));

    api.SetIF2Frequency(12'000);
    api.SetIF2Frequency(12'000);
    EXPECT_EQ(state_.setIf2.count, 1);

    state_.frequency = 14'200'000;
    EXPECT_EQ(api.GetFrequency(), 14'200'000);
    state_.signalTenths = -735;
    EXPECT_DOUBLE_EQ(api.GetSignalStrength(), -73.5);
}

TEST_F(ReceiverApiTest, EepromWriteCarriesTheGuardAndRefreshesTheCopy) {
    RC_ReceiverApi api(FAKE_API_PATH);
    ASSERT_EQ(api.Open(nullptr), 1);
    const unsigned char bytes[3] = {0xA1, 0xB2, 0xC3};
    ASSERT_EQ(api.WriteEeprom(100, 3, bytes), 1);
    EXPECT_EQ(state_.lastGuard, 0x6B3Eu);
    EXPECT_EQ(api.Eeprom()[101], 0xB2);

    state_.setResult = 0;
    EXPECT_EQ(api.WriteEeprom(100, 1, "\x55"), 0);
    EXPECT_EQ(api.Eeprom()[100], 0xA1);
}

TEST_F(ReceiverApiTest, MissingExportsLeaveTheirOperationsNeutral) {
    FakeApiState& partial = StateOf(FAKE_API_PARTIAL_PATH);
    partial = FakeApiState{};
    partial.eeprom[7] = 0x77;
    RC_ReceiverApi api(FAKE_API_PARTIAL_PATH);
    EXPECT_EQ(api.pQ7GetInfo, nullptr);
    EXPECT_EQ(api.pCodecStart, nullptr);
    ASSERT_EQ(api.Open("EF000001"), 1); // no information export: the argument's fallback
    EXPECT_STREQ(api.Description().Text(), "Talvenor Q745");
    EXPECT_EQ(api.WriteEeprom(7, 1, "\x01"), 0);
    EXPECT_EQ(api.Eeprom()[7], 0x77);
    api.SetFMW(1);
    EXPECT_EQ(api.FmWide(), -2);
    EXPECT_EQ(api.CodecStart(), 0);
    api.SetAgc(1); // the common group still works
    EXPECT_EQ(partial.setAgc.count, 1);
}

TEST_F(ReceiverApiTest, CodecBlocksReachTheOwnerThroughTheTrampoline) {
    RC_ReceiverApi api(FAKE_API_PATH);
    struct Owner {
        int blocks = 0;
        std::uint32_t read = 0;
    } owner;
    api.SetCodecBlockCallback(
        [](void* user, RC_ReceiverApi* receiver) {
            auto* o = static_cast<Owner*>(user);
            ++o->blocks;
            unsigned char buffer[64];
            o->read += receiver->CodecRead(buffer, sizeof buffer);
        },
        &owner);
    EXPECT_EQ(api.CodecStart(), 0); // not open
    ASSERT_EQ(api.Open(nullptr), 1);
    ASSERT_EQ(api.CodecStart(), 1);
    ASSERT_NE(state_.codecCallback, nullptr);
    state_.codecCallback(state_.codecContext); // as the library's codec thread does
    EXPECT_EQ(owner.blocks, 1);
    EXPECT_EQ(owner.read, 64u);
    EXPECT_EQ(api.CodecStop(), 1);
}

TEST_F(ReceiverApiTest, CloseForgetsIdentityAndKeepsSettings) {
    FillInfo(state_, "AB123456", "Q7USBv20", 100'000, 1'800'000'000);
    {
        RC_ReceiverApi api(FAKE_API_PATH);
        ASSERT_EQ(api.Open("AB123456"), 1);
        api.SetAgc(4);
        api.Close();
        EXPECT_FALSE(api.IsOpen());
        EXPECT_EQ(state_.close.lastValue, 3);
        EXPECT_STREQ(api.SerialNumber().Text(), "");
        EXPECT_EQ(api.InterfaceKind(), RC_Receiver::kKindNone);
        EXPECT_EQ(api.Agc(), 4);
        ASSERT_EQ(api.Open("AB123456"), 1);
        ASSERT_EQ(api.Open("AB123456"), 1); // an open receiver is closed first
        EXPECT_EQ(state_.close.count, 2);
    }
    EXPECT_EQ(state_.close.count, 3); // destruction closes
}

TEST(ReceiverApiReal, BindsEveryNameOfTheRealLibrary) {
    RC_ReceiverApi api(REAL_API_PATH);
    ASSERT_TRUE(api.HasLibrary());
    const void* pointers[] = {
        reinterpret_cast<void*>(api.pCloseRadioDevice), reinterpret_cast<void*>(api.pQ7GetEEP),
        reinterpret_cast<void*>(api.pQ7GetInfo), reinterpret_cast<void*>(api.pQ7Open),
        reinterpret_cast<void*>(api.pQ7WriteEEPROM), reinterpret_cast<void*>(api.pIsDeviceConnected),
        reinterpret_cast<void*>(api.pOpenRadioDevice), reinterpret_cast<void*>(api.pSetAGC),
        reinterpret_cast<void*>(api.pSetAtten), reinterpret_cast<void*>(api.pSetFrequency),
        reinterpret_cast<void*>(api.pSetIFGain), reinterpret_cast<void*>(api.pSetPower),
        reinterpret_cast<void*>(api.pQ7GetInternalRSSI), reinterpret_cast<void*>(api.pQ7GetLock),
        reinterpret_cast<void*>(api.pQ7IsBusy), reinterpret_cast<void*>(api.pGetFrequency),
        reinterpret_cast<void*>(api.pGetHwInfo), reinterpret_cast<void*>(api.pGetSignalStrengthdBm),
        reinterpret_cast<void*>(api.pSetFMW), reinterpret_cast<void*>(api.pSetIF2Frequency),
        reinterpret_cast<void*>(api.pSetRFAmp), reinterpret_cast<void*>(api.pIsSpectrumInverted),
    };
    for (std::size_t i = 0; i < std::size(pointers); ++i) EXPECT_NE(pointers[i], nullptr) << i;
}

TEST(ReceiverInfoCopy, CopiesTheWholeRecordWithItsTail) {
    unsigned char record[400] = {};
    const std::uint32_t size = sizeof record;
    std::memcpy(record, &size, 4);
    const std::uint32_t tailOffset = 390; // a slot refers into the tail by offset
    std::memcpy(record + 172, &tailOffset, 4);
    std::memcpy(record + 390, "tail", 5);
    void* copy = RC_CloneReceiverInfo(record);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, record, sizeof record), 0);
    std::uint32_t offset = 0;
    std::memcpy(&offset, static_cast<unsigned char*>(copy) + 172, 4);
    EXPECT_STREQ(static_cast<const char*>(copy) + offset, "tail");
    RC_FreeReceiverInfo(copy);
    EXPECT_EQ(RC_CloneReceiverInfo(nullptr), nullptr);
    RC_FreeReceiverInfo(nullptr);
}
