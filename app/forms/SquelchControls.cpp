#include "app/forms/SquelchControls.h"

#include <algorithm>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/DialogParts.h"
#include "app/forms/SquelchCodes.h"
#include "app/forms/SquelchTexts.h"
#include "app/receiver/SquelchSettings.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr int kSecondaryGroup = 20; // Noise, Voice, CTCSS, DCS
constexpr int kLevelGroup = 21;
constexpr int kInvertedGroup = 22;

template <typename Table>
int PositionOf(const Table& table, std::int32_t value, int kept) {
    const auto it = std::find(table.begin(), table.end(), value);
    return it == table.end() ? kept : static_cast<int>(it - table.begin());
}

} // namespace

SquelchControls::SquelchControls(TComponent* owner, TWinControl* parent, int x, int y) {
    auto toggle = [&](int row, const char* caption, int group) {
        auto* b = Place<TstSpeedButton>(owner, parent, x, y + row * 28, 60, 24);
        b->SetCaption(caption);
        b->SetGroupIndex(group);
        b->SetAllowAllUp(true);
        b->OnClick = [this](TObject*) { UpdateEnabling(); };
        return b;
    };
    auto spin = [&](int row) { return Place<TmyUpDown>(owner, parent, x + 150, y + row * 28, 16, 24); };
    auto intEdit = [&](int row, int min, int max) {
        auto* e = Place<TmyIntEdit>(owner, parent, x + 66, y + row * 28, 82, 24);
        e->SetMin(min);
        e->SetMax(max);
        return e;
    };
    Level = toggle(0, "Level", kLevelGroup);
    LevelEdit = intEdit(0, -130, -30);
    LevelEdit->SetValue(-130);
    LevelSpin = spin(0);
    LevelSpin->SetIntEdit(LevelEdit);
    Noise = toggle(1, "Noise", kSecondaryGroup);
    NoiseEdit = intEdit(1, 0, 99);
    NoiseSpin = spin(1);
    NoiseSpin->SetIntEdit(NoiseEdit);
    Voice = toggle(2, "Voice", kSecondaryGroup);
    VoiceEdit = intEdit(2, 0, 99);
    VoiceSpin = spin(2);
    VoiceSpin->SetIntEdit(VoiceEdit);
    Ctcss = toggle(3, "CTCSS", kSecondaryGroup);
    CtcssEdit = Place<TstEdit>(owner, parent, x + 66, y + 3 * 28, 82, 24);
    CtcssEdit->SetReadOnly(true);
    CtcssSpin = spin(3);
    CtcssSpin->OnDirection = [this](TComponent*, int& val) { StepCtcss(val); };
    Dcs = toggle(4, "DCS", kSecondaryGroup);
    DcsEdit = Place<TstEdit>(owner, parent, x + 66, y + 4 * 28, 82, 24);
    DcsEdit->SetReadOnly(true);
    DcsSpin = spin(4);
    DcsSpin->OnDirection = [this](TComponent*, int& val) { StepDcs(val); };
    Inverted = Place<TstSpeedButton>(owner, parent, x + 170, y + 4 * 28, 24, 24);
    Inverted->SetCaption("R");
    Inverted->SetGroupIndex(kInvertedGroup);
    Inverted->SetAllowAllUp(true);
    Inverted->OnClick = [this](TObject*) { ShowCodes(); };
    ShowCodes();
    UpdateEnabling();
}

void SquelchControls::StepCtcss(int steps) {
    ctcss_ = std::clamp(ctcss_ + steps, 0, static_cast<int>(CtcssToneTable.size()) - 1);
    ShowCodes();
}

void SquelchControls::StepDcs(int steps) {
    dcs_ = std::clamp(dcs_ + steps, 0, static_cast<int>(DcsCodeTable.size()) - 1);
    ShowCodes();
}

void SquelchControls::ShowCodes() {
    CtcssEdit->SetText(CtcssText(CtcssToneTable[static_cast<std::size_t>(ctcss_)]));
    const std::int32_t code = DcsCodeTable[static_cast<std::size_t>(dcs_)];
    DcsEdit->SetText(DcsText(Inverted->Down() ? -code : code));
}

void SquelchControls::UpdateEnabling() {
    auto enable = [](TstSpeedButton* toggle, std::initializer_list<TControl*> controls) {
        const bool on = toggle->Down() && toggle->Enabled();
        for (TControl* c : controls) c->SetEnabled(on);
    };
    enable(Level, {LevelEdit, LevelSpin});
    enable(Noise, {NoiseEdit, NoiseSpin});
    enable(Voice, {VoiceEdit, VoiceSpin});
    enable(Ctcss, {CtcssEdit, CtcssSpin});
    enable(Dcs, {DcsEdit, DcsSpin, Inverted});
    ShowCodes();
}

void SquelchControls::Load(const TRangeRecord& r) {
    const auto types = static_cast<std::uint32_t>(r.activeSquelch);
    Level->SetDown((types & kSquelchLevel) != 0);
    Noise->SetDown((types & kSquelchNoise) != 0);
    Voice->SetDown((types & kSquelchVoice) != 0);
    Ctcss->SetDown((types & kSquelchCtcss) != 0);
    Dcs->SetDown((types & kSquelchDcs) != 0);
    Inverted->SetDown(r.dcs < 0);
    LevelEdit->SetValue(r.levelSquelch);
    NoiseEdit->SetValue(r.noiseSquelch);
    VoiceEdit->SetValue(r.voiceSquelch);
    ctcss_ = PositionOf(CtcssToneTable, r.ctcss, ctcss_);
    dcs_ = PositionOf(DcsCodeTable, r.dcs < 0 ? -r.dcs : r.dcs, dcs_);
    UpdateEnabling();
}

void SquelchControls::Store(TRangeRecord& r) const {
    r.levelSquelch = LevelEdit->Value();
    r.noiseSquelch = NoiseEdit->Value();
    r.voiceSquelch = VoiceEdit->Value();
    r.ctcss = CtcssToneTable[static_cast<std::size_t>(ctcss_)];
    const std::int32_t code = DcsCodeTable[static_cast<std::size_t>(dcs_)];
    r.dcs = Inverted->Down() ? -code : code;
    std::uint32_t types = 0;
    if (Level->Down()) types |= kSquelchLevel;
    if (Noise->Down()) types |= kSquelchNoise;
    if (Voice->Down()) types |= kSquelchVoice;
    if (Ctcss->Down()) types |= kSquelchCtcss;
    if (Dcs->Down()) types |= kSquelchDcs;
    r.activeSquelch = static_cast<std::int32_t>(types);
}

} // namespace lxq
