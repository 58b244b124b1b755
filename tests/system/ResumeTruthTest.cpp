// What the panel shows after its receiver slept past the request time-out is what the receiver
// has. The user tunes (typing, then a digit spinner), switches the attenuator on and chooses
// another AGC while the receiver sleeps in its host and the requests go unanswered; once it is
// back, the screen, the library and the receiver agree: the meter reads the level of the station
// on the frequency shown, and the settings file keeps what the receiver holds.

#include "app/controls/TmyUpDown.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TDiscForm.h"
#include "api/Lxq745Api.h"
#include "platform/sys/DeviceChannel.h"
#include "tests/system/FrontPanelRig.h"

#include <cmath>
#include <future>
#include <sstream>

namespace lxq::systemtest {
namespace {

class ResumeTruth : public FrontPanelSystem {
protected:
    ResumeTruth() { plat::sys::SetRequestTimeout(kTimeout); }
    ~ResumeTruth() override { plat::sys::SetRequestTimeout(oldTimeout_); }

    static constexpr std::chrono::milliseconds kTimeout{1000};

private:
    std::chrono::milliseconds oldTimeout_ = plat::sys::RequestTimeout();
};

TEST_F(ResumeTruth, WhatWasSetWhileTheReceiverSleptPastTheTimeOutIsWhatItHasAfterTheResume) {
    Start("usb", "noise -125\n"
                 "station 145000000 -70 am tone=1000\n"
                 "station 145500000 -45 am tone=1000\n");
    Mode("AM");
    form->stSpeedButton5->Click(); // AGC medium
    Tune(145'000'000);
    Run(3000, [&] { return std::abs(form->Q7->SignalLevel() - -70.0) < 3.0; });
    ASSERT_NEAR(form->Q7->SignalLevel(), -70.0, 3.0) << "the first station";

    // The notice that the receiver is gone shows once a request has waited the whole time-out;
    // then the receiver wakes, as its user wakes it, and the notice runs as it does.
    std::vector<std::string> shown;
    std::future<int> resumed;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        resumed = std::async(std::launch::async, [] { return Control({"resume", "sim-usb0"}); });
        return f.ShowModal();
    };
    ASSERT_EQ(Control({"suspend", "sim-usb0"}), 0);
    Run(100); // the level poll's request waits in the host now
    form->myFrequencyEdit1->SetValue(145'400'000); // typed
    int up = 1;
    form->myUpDown8->OnDirection(form->myUpDown8, up); // the 100 kHz digit: 145.5 MHz
    form->stSpeedButton2->SetDown(true);
    form->stSpeedButton2->Click(); // the attenuator
    form->stSpeedButton4->SetDown(true);
    form->stSpeedButton4->Click(); // AGC slow
    Run(static_cast<int>(kTimeout.count()) * 10, [&] { return !shown.empty(); });
    ASSERT_EQ(shown, std::vector<std::string>{"TDiscForm"}) << "the receiver was shown as gone";
    ASSERT_TRUE(resumed.valid());
    ASSERT_EQ(resumed.get(), 0);
    ASSERT_EQ(form->DiscForm->ModalResult(), plat::comp::mrOk) << "ended by the receiver's return";

    // The meter reads the station on the frequency shown at its level (the attenuator's 18 dB
    // counted back only when the receiver has it on, as the panel shows it).
    Run(5000, [&] { return std::abs(form->Q7->SignalLevel() - -45.0) < 3.0; });
    EXPECT_NEAR(form->Q7->SignalLevel(), -45.0, 3.0) << "the meter";
    // The screen shows what the user set...
    EXPECT_EQ(form->myFrequencyEdit1->Value(), 145'500'000);
    EXPECT_TRUE(form->stSpeedButton2->Down()) << "Atten";
    EXPECT_TRUE(form->stSpeedButton4->Down()) << "Slow";
    // ...and the receiver has it, as the library read after its answers tells.
    ApiLibrary api;
    const std::int32_t handle = form->Q7->Handle();
    form->Q7->FinishRequests();
    EXPECT_EQ(api.Get<decltype(::GetFrequency)>("GetFrequency")(handle), 145'500'000u);
    EXPECT_EQ(api.Get<decltype(::GetAtten)>("GetAtten")(handle), 1);
    EXPECT_EQ(api.Get<decltype(::GetAGC)>("GetAGC")(handle), 1);
    EXPECT_EQ(form->Q7->GetFreq(), 145'500'000);
    EXPECT_EQ(form->Q7->GetAtten(), 1);
    EXPECT_EQ(form->Q7->GetAGC(), 1);

    // The settings saved are the receiver's.
    form->WriteSettings();
    std::stringstream ini;
    ini << std::ifstream(form->DataFolder() + "LXQ745.ini").rdbuf();
    const std::string section = "[Receiver-" + form->Q7->GetSerialNum() + "]";
    const std::string text = ini.str();
    const std::size_t at = text.find(section);
    ASSERT_NE(at, std::string::npos) << text;
    const std::string receiver = text.substr(at, text.find("\n[", at + 1) - at);
    for (const char* line : {"Freq=145500000", "Atten=1", "AGC=1"})
        EXPECT_NE(receiver.find(line), std::string::npos) << line << " in\n" << receiver;
}

} // namespace
} // namespace lxq::systemtest
