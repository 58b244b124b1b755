#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/audio/RC_AudioWave.h"
#include "demod/ui/toolkit/RC_ComboBox.h"
#include "demod/ui/toolkit/RC_DeviceCombo.h"
#include "platform/audio/AudioSystem.h"
#include "platform/audio/FileAudioBackend.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace toolkit_test;

struct Counter {
    int n = 0;
    static void Fn(void* user, RC_Window*) { ++static_cast<Counter*>(user)->n; }
};

class RC_ComboBoxTest : public ToolkitTest {
protected:
    RC_ComboBox* Make(std::initializer_list<const char*> items) {
        auto* combo = new RC_ComboBox(top_, 10, 20, 120, 20);
        for (const char* item : items) combo->AddItem(item);
        combo->onChange = {&Counter::Fn, &changes_};
        combo->onOpening = {&Counter::Fn, &openings_};
        combo->Show(win::SW_SHOW);
        return combo;
    }
    Counter changes_, openings_;
};

TEST_F(RC_ComboBoxTest, SelectionFollowsItsTextAndIsClamped) {
    RC_ComboBox* combo = Make({"B"});
    combo->SetSelection(0);
    combo->AddItem("A");
    EXPECT_EQ(combo->Selection(), 1);
    EXPECT_STREQ(combo->Caption(), "B");
    combo->AddItem("C");
    const struct {
        int asked, got;
        const char* caption;
    } cases[] = {{100, 2, "C"}, {0, 0, "A"}, {-3, -1, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(combo->SetSelection(c.asked), c.got);
        EXPECT_EQ(combo->Selection(), c.got);
        EXPECT_STREQ(combo->Caption(), c.caption);
    }
    combo->SetSelection(1);
    combo->Clear();
    EXPECT_EQ(combo->Count(), 0);
    EXPECT_EQ(combo->Selection(), -1);
    EXPECT_EQ(changes_.n, 0) << "program changes are not reported";
}

TEST_F(RC_ComboBoxTest, AnEmptyComboOpensNoList) {
    RC_ComboBox* combo = Make({});
    combo->OpenList(true);
    EXPECT_EQ(openings_.n, 1) << "the owner may fill it first";
    EXPECT_EQ(combo->List(), nullptr);
}

TEST_F(RC_ComboBoxTest, TheListOpensUnderTheFieldAndAClickChoosesARow) {
    RC_ComboBox* combo = Make({"one", "two", "three", "four", "five", "six", "seven", "eight", "nine"});
    combo->SetSelection(0);
    Click(combo->ArrowButton(), 3, 3);
    RC_ListBox* list = combo->List();
    ASSERT_NE(list, nullptr);
    int sx = 0, sy = 0;
    combo->ScreenPosition(sx, sy);
    EXPECT_EQ(list->X(), sx);
    EXPECT_EQ(list->Y(), sy + 20);
    EXPECT_EQ(list->Width(), 120);
    EXPECT_EQ(list->Height(), 8 * 15 + 4) << "eight rows at most";
    EXPECT_EQ(list->Count(), 9);
    // Items sort as "eight", "five", "four", "nine", "one", ...: row 2 is "four".
    Mouse(list, win::WM_MOUSEMOVE, 20, 2 + 2 * 15 + 5);
    Click(list, 20, 2 + 2 * 15 + 5);
    EXPECT_STREQ(combo->Caption(), "four");
    EXPECT_EQ(changes_.n, 1);
    EXPECT_EQ(combo->List(), nullptr);
    Pump();
    EXPECT_EQ(combo->FirstPopup(), nullptr) << "the list window is gone";
}

TEST_F(RC_ComboBoxTest, AClickOutsideTheOpenListClosesItUnchanged) {
    RC_ComboBox* combo = Make({"a", "b"});
    combo->SetSelection(1);
    combo->OpenList(true);
    RC_ListBox* list = combo->List();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Height(), 2 * 15 + 4);
    // The open list holds the mouse: a click far away still reaches it.
    Click(list, -50, 200);
    EXPECT_EQ(combo->List(), nullptr);
    EXPECT_EQ(combo->Selection(), 1);
    EXPECT_EQ(changes_.n, 0);
    Pump();
}

// Device combos over scripted sound cards.
class RC_DeviceComboTest : public RC_ComboBoxTest {
protected:
    RC_DeviceComboTest() {
        using plat::audio::Direction;
        backend_->AddDevice(Direction::Capture, "Line In", "/nonexistent/in.wav");
        backend_->AddDevice(Direction::Capture, "Talvenor Virtual Card I", "/nonexistent/v.wav");
        backend_->AddDevice(Direction::Playback, "Speakers", "/nonexistent/out.wav");
    }
    RC_DeviceCombo* MakeDevices(std::uint32_t keep) {
        auto* combo = new RC_DeviceCombo(top_, 10, 20, 150, 20);
        combo->SetStyle((combo->Style() & ~(RC_DeviceCombo::kWaveIn | RC_DeviceCombo::kWaveOut)) | keep);
        combo->onChange = {&Counter::Fn, &changes_};
        combo->Show(win::SW_SHOW);
        return combo;
    }
    static std::vector<std::string> Items(const RC_ComboBox* combo) {
        std::vector<std::string> items;
        for (int i = 0; i < combo->Count(); ++i) items.emplace_back(combo->Item(i));
        return items;
    }
    std::shared_ptr<plat::audio::FileAudioBackend> backend_ = std::make_shared<plat::audio::FileAudioBackend>();
    plat::audio::ScopedAudioBackend scopedBackend_{backend_};
};

TEST_F(RC_DeviceComboTest, ListsTheChosenDirectionAndSelectsTheCurrentDevice) {
    RC_AudioWave wave(1, 16, 8000, RC_AudioWave::kBoth);
    wave.SetInDeviceByName("Line In");
    RC_DeviceCombo* in = MakeDevices(RC_DeviceCombo::kWaveIn);
    in->Attach(&wave);
    EXPECT_EQ(Items(in), (std::vector<std::string>{"Line In", "Talvenor Virtual Card I", "Windows default"}));
    EXPECT_STREQ(in->Caption(), "Line In");
    in->SetStyle(in->Style() | RC_DeviceCombo::kHideVirtualCard);
    in->Attach(&wave);
    EXPECT_EQ(Items(in), (std::vector<std::string>{"Line In", "Windows default"}));

    RC_DeviceCombo* out = MakeDevices(RC_DeviceCombo::kWaveOut);
    out->Attach(&wave);
    EXPECT_EQ(Items(out), (std::vector<std::string>{"Speakers", "Windows default"}));
    EXPECT_EQ(out->SelectByName("Speakers"), 0);
    EXPECT_STREQ(wave.OutDeviceNames().Item(static_cast<std::size_t>(wave.OutDevice())), "Speakers");
    const int before = wave.OutDevice();
    EXPECT_EQ(out->SelectByName("Headphones"), -1);
    EXPECT_STREQ(out->Caption(), "Speakers") << "an unknown name changes nothing";
    EXPECT_EQ(wave.OutDevice(), before);

    out->Attach(nullptr);
    EXPECT_EQ(out->Count(), 0);
    EXPECT_STREQ(out->Caption(), "");
}

TEST_F(RC_DeviceComboTest, DeviceReportsRefreshTheListTenSecondsLater) {
    RC_AudioWave wave(1, 16, 8000, RC_AudioWave::kBoth);
    RC_DeviceCombo* out = MakeDevices(RC_DeviceCombo::kWaveOut);
    out->Attach(&wave);
    backend_->AddDevice(plat::audio::Direction::Playback, "Headphones", "/nonexistent/phones.wav");
    const win::Hwnd h = out->NotifyWindow();
    ASSERT_NE(h, 0u);
    EXPECT_EQ(win::SendMessage(h, win::WM_DEVICECHANGE, RC_DeviceCombo::kDeviceNodesChanged, 0), 1);
    Pump();
    clock_.AdvanceMs(20000);
    Pump();
    EXPECT_EQ(changes_.n, 0) << "a change of device nodes alone is ignored";

    // Two reports three seconds apart: two refreshes, each ten seconds after its report.
    EXPECT_EQ(win::SendMessage(h, win::WM_DEVICECHANGE, 0x8000, 0), 1);
    clock_.AdvanceMs(3000);
    win::SendMessage(h, win::WM_DEVICECHANGE, 0x8004, 0);
    const struct {
        int advanceMs, changes;
    } steps[] = {{0, 0}, {6999, 0}, {1, 1}, {2999, 1}, {1, 2}, {20000, 2}};
    for (const auto& s : steps) {
        clock_.AdvanceMs(s.advanceMs);
        Pump();
        EXPECT_EQ(changes_.n, s.changes) << "after " << s.advanceMs;
    }
    EXPECT_EQ(Items(out), (std::vector<std::string>{"Headphones", "Speakers", "Windows default"}));
}

} // namespace
