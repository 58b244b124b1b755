// The scan settings dialog: the delay in whole seconds, pause or stop, the resume choices, and
// the memory scan groups.

#include <gtest/gtest.h>

#include "app/controls/TstIntEdit.h"
#include "app/forms/TScanSetForm.h"
#include "platform/components/TPanel.h"
#include "platform/components/TRadioButton.h"
#include "platform/components/TApplication.h"
#include "platform/win/ScreenApi.h"

#include <filesystem>

namespace lxq {
namespace {

TEST(ScanSettingsDialog, TheDelayIsEditedInWholeSeconds) {
    struct Case {
        std::int32_t delayMs;
        int shown;
        std::int32_t stored;
    };
    const Case cases[] = {{5000, 5, 5000}, {5500, 5, 5000}, {100'000, 100, 100'000}};
    TScanSetForm form(nullptr, nullptr, nullptr);
    for (const Case& c : cases) {
        ScanSettings s;
        s.DelayTime = c.delayMs;
        s.ScanRate = 33;
        form.RunModal = [&](plat::comp::TForm&) {
            EXPECT_EQ(form.DelayEdit->Value(), c.shown);
            form.OKButtonClick(nullptr);
            return plat::comp::mrOk;
        };
        form.Edit(s);
        EXPECT_EQ(s.DelayTime, c.stored);
        EXPECT_EQ(s.ScanRate, 33) << "carried unchanged";
    }
}

TEST(ScanSettingsDialog, TheResumeChoicesAreDisabledAndDrawnSoWhileStopIsChosen) {
    TScanSetForm form(nullptr, nullptr, nullptr);
    ScanSettings s;
    for (int stop : {1, 0, 1}) {
        s.StopOnFound = stop;
        form.RunModal = [&](plat::comp::TForm&) {
            // Each choice by its own state, which is what a radio button is drawn by.
            for (plat::comp::TRadioButton* b : form.ResumeButtons) EXPECT_EQ(b->Enabled(), stop == 0) << b->Caption();
            // For a person to look at: the choices drawn grey under "Stop".
            form.Show();
            plat::comp::Application().ProcessMessages();
            std::filesystem::create_directories(LXQ_SCREENSHOT_DIR);
            plat::win::SaveScreenshot(std::string(LXQ_SCREENSHOT_DIR) + "/scan-settings-" + (stop ? "stop" : "pause") + ".png",
                                      form.Handle());
            form.Hide();
            return plat::comp::mrCancel;
        };
        form.Edit(s);
    }
}

TEST(ScanSettingsDialog, StopOrPauseAndTheResumeChoiceGoBackOnOKOnly) {
    TScanSetForm form(nullptr, nullptr, nullptr);
    ScanSettings s;
    s.StopOnFound = 1;
    s.OnLost = 3;
    form.RunModal = [&](plat::comp::TForm&) {
        EXPECT_TRUE(form.StopButton->Checked());
        EXPECT_TRUE(form.ResumeButtons[3]->Checked());
        form.PauseButton->SetChecked(true);
        form.PauseStopClick(nullptr);
        form.ResumeButtons[1]->SetChecked(true);
        return plat::comp::mrCancel;
    };
    form.Edit(s);
    EXPECT_EQ(s.StopOnFound, 1);
    EXPECT_EQ(s.OnLost, 3);
    form.RunModal = [&](plat::comp::TForm&) {
        form.PauseButton->SetChecked(true);
        form.ResumeButtons[1]->SetChecked(true);
        form.OKButtonClick(nullptr);
        return plat::comp::mrOk;
    };
    form.Edit(s);
    EXPECT_EQ(s.StopOnFound, 0);
    EXPECT_EQ(s.OnLost, 1);
}

TEST(ScanSettingsDialog, GroupsChangeOnlyWhenTheGroupsDialogSaysOK) {
    TScanSetForm form(nullptr, nullptr, nullptr);
    ScanSettings s;
    s.MemGroups = 0x8001;
    s.EnableGroups = 0;
    bool ok = false;
    form.EditGroups = [&](std::int32_t& mask, bool& enabled) {
        EXPECT_EQ(mask, 0x8001);
        mask = 0x0002;
        enabled = true;
        return ok;
    };
    form.RunModal = [&](plat::comp::TForm&) {
        form.GroupsButtonClick(nullptr);
        return plat::comp::mrCancel;
    };
    form.Edit(s);
    EXPECT_EQ(s.MemGroups, 0x8001);
    EXPECT_EQ(s.EnableGroups, 0);
    ok = true;
    form.Edit(s);
    EXPECT_EQ(s.MemGroups, 0x0002) << "the groups dialog writes through even when the settings are cancelled";
    EXPECT_EQ(s.EnableGroups, 1);
}

} // namespace
} // namespace lxq
