// The small forms of start-up and receiver loss: the receiver chooser, the no-receiver dialog and
// its help, the splash window's status line and the disconnection notice's timer.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TDiscForm.h"
#include "app/forms/TNoRecForm.h"
#include "app/forms/TNoRecHelpForm.h"
#include "app/forms/TOpenForm.h"
#include "app/forms/TSplashForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TApplication.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TTimer.h"
#include "platform/sys/Clock.h"

namespace lxq {
namespace {

using namespace plat::comp;

RADIO_INFO Info(const char* serial, const char* model, std::uint32_t min, std::uint32_t max) {
    RADIO_INFO r{};
    r.size = sizeof r;
    std::memcpy(r.serial, serial, std::min(std::strlen(serial), sizeof r.serial - 1));
    std::memcpy(r.model, model, std::min(std::strlen(model), sizeof r.model - 1));
    r.minFrequency = min;
    r.maxFrequency = max;
    return r;
}

TEST(OpenForm, ChoosesTheSelectedReceiverOrNone) {
    const RADIO_INFO infos[] = {Info("A0000001", "LX-Q745", 9'000, 1'000'000'000),
                                Info("B0000002", "LX-Q745U", 100'000, 30'000'000)};
    struct Case {
        const char* what;
        int count;
        std::function<TModalResult(TOpenForm&)> user;
        int expected;
    };
    const Case cases[] = {
        {"Select keeps the first", 2, [](TOpenForm& f) { f.stSpeedButton1->Click(); return f.ModalResult(); }, 0},
        {"the second selected", 2,
         [](TOpenForm& f) {
             f.stListBox1->SetItemIndex(1);
             f.stSpeedButton1->Click();
             return f.ModalResult();
         },
         1},
        {"Exit", 2, [](TOpenForm& f) { f.stSpeedButton3->Click(); return f.ModalResult(); }, -1},
        {"the close box", 2, [](TOpenForm&) { return mrCancel; }, -1},
        {"Select on an empty list", 0,
         [](TOpenForm& f) {
             f.stSpeedButton1->Click();
             EXPECT_EQ(f.ModalResult(), mrNone) << "Select cannot end it";
             f.stSpeedButton3->Click();
             return f.ModalResult();
         },
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TOpenForm form(nullptr);
        form.RunModal = c.user;
        EXPECT_EQ(form.Choose(infos, c.count), c.expected);
    }
}

TEST(OpenForm, TheLabelDescribesTheSelectedReceiver) {
    const RADIO_INFO infos[] = {Info("A0000001", "LX-Q745", 9'000, 1'000'000'000),
                                Info("B0000002", "LX-Q745U", 100'000, 30'000'000)};
    TOpenForm form(nullptr);
    form.RunModal = [](TOpenForm& f) {
        EXPECT_EQ(f.Label1->Caption(), "Product name: LX-Q745\nMin freq: 9 kHz\nMax freq: 1000 MHz");
        f.stListBox1->SetItemIndex(1);
        f.stListBox1Click(f.stListBox1);
        EXPECT_EQ(f.Label1->Caption(), "Product name: LX-Q745U\nMin freq: 100 kHz\nMax freq: 30 MHz");
        f.stListBox1->SetItemIndex(-1);
        f.stListBox1->OnDblClick(f.stListBox1); // nothing selected: nothing happens
        return f.ModalResult();
    };
    EXPECT_EQ(form.Choose(infos, 2), -1);
}

TEST(NoRecForm, AnswersAndLayout) {
    TNoRecForm form(nullptr);
    EXPECT_EQ(form.Caption(), "LXQ745");
    EXPECT_EQ(form.Button1->ModalResult(), 6);
    EXPECT_EQ(form.Button2->ModalResult(), 1);
    EXPECT_EQ(form.Button3->ModalResult(), 2);
    EXPECT_TRUE(form.Button3->Cancel()) << "Escape cancels";
    EXPECT_EQ(form.Label3->Left(), form.Label2->Left() + form.Label2->Width()) << "the link follows the text";
    EXPECT_EQ(form.Label3->Top(), form.Label2->Top());
    EXPECT_EQ(form.Label4->Left(), form.Label3->Left() + form.Label3->Width());
    EXPECT_GE(form.ClientWidth(), form.Label1->Width() + 2 * form.Label1->Left());
    EXPECT_EQ(form.ClientWidth() - (form.Button3->Left() + form.Button3->Width()), form.Button1->Left());
    EXPECT_EQ(form.Button2->Left() + form.Button2->Width() / 2, form.ClientWidth() / 2);
    // Every caption shows whole: the buttons hold their texts and neither touch nor leave the window.
    TBitmap measure(1, 1);
    for (TButton* b : {form.Button1, form.Button2, form.Button3}) {
        measure.Canvas().Font().Assign(b->Font());
        EXPECT_LE(measure.Canvas().TextWidth(b->Caption()) + 8, b->Width()) << b->Caption();
        EXPECT_GE(b->Left(), 0);
        EXPECT_LE(b->Left() + b->Width(), form.ClientWidth());
    }
    EXPECT_LT(form.Button1->Left() + form.Button1->Width(), form.Button2->Left());
    EXPECT_LT(form.Button2->Left() + form.Button2->Width(), form.Button3->Left());

    int helps = 0;
    form.ShowHelp = [&helps](TNoRecHelpForm& help) {
        ++helps;
        EXPECT_EQ(help.Caption(), "Q745");
        EXPECT_TRUE(help.Button1->Cancel());
    };
    form.Label3->Click();
    form.Label4->Click();
    EXPECT_EQ(helps, 2);
}

TEST(SplashForm, AStatusTooWideIsShortenedFromItsEnd) {
    {
        TSplashForm splash(nullptr);
        EXPECT_EQ(SplashForm, &splash);
        splash.SetStatus("Accessing hardware...");
        EXPECT_EQ(splash.StatusLabel()->Caption(), "Accessing hardware...");

        const std::string head = "Starting demodulator...\n";
        const std::string text = head + std::string(200, 'W');
        splash.SetStatus(text);
        const std::string shown = splash.StatusLabel()->Caption();
        ASSERT_GT(shown.size(), head.size() + 3);
        EXPECT_EQ(shown.substr(0, head.size() + 10), text.substr(0, head.size() + 10));
        EXPECT_EQ(shown.substr(shown.size() - 3), "...");
        TBitmap measure(1, 1);
        measure.Canvas().Font().Assign(splash.StatusLabel()->Font());
        const int room = splash.ClientWidth() - splash.StatusLabel()->Left() - 5;
        EXPECT_LE(measure.Canvas().TextWidth(shown.substr(head.size())), room);
        const std::string longer = shown.substr(0, shown.size() - 3) + text.substr(shown.size() - 3, 1) + "...";
        EXPECT_GT(measure.Canvas().TextWidth(longer.substr(head.size())), room) << "no shorter than needed";
    }
    EXPECT_EQ(SplashForm, nullptr);
}

class DiscFormTimer : public ::testing::Test {
protected:
    void Tick() {
        clock.AdvanceMs(100);
        Application().ProcessMessages();
    }
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    std::vector<std::string> log;
};

TEST_F(DiscFormTimer, WaitsForTheReceiverOrReopensItBySerial) {
    TmyQ745 receiver(nullptr); // no library: always connected, never opened
    TDiscForm form(nullptr, &receiver, [this](const std::string& line) { log.push_back(line); });
    EXPECT_EQ(form.Caption(), "Radio disconnected");
    EXPECT_FALSE(form.Timer1->Enabled());

    form.ReopenBySerial = true;
    form.ReopenSerial = "A0000001";
    form.Timer1->SetEnabled(true);
    Tick();
    Tick();
    EXPECT_EQ(form.ModalResult(), mrNone) << "the open keeps failing";
    EXPECT_TRUE(log.empty()) << "reopening never asks whether the receiver is connected";

    form.ReopenBySerial = false;
    Tick();
    EXPECT_EQ(form.ModalResult(), mrOk);
    EXPECT_EQ(log, std::vector<std::string>{"connected"});
    form.Timer1->SetEnabled(false);
}

} // namespace
} // namespace lxq
