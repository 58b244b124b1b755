#include "app/forms/TLEDform.h"

#include "app/controls/TmyLabel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TButton.h"
#include "platform/sys/Module.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr const char* kHelpTopic = "lxq745.chm::/isi.htm";
using HtmlHelpProc = plat::win::Hwnd (*)(plat::win::Hwnd, const char*, unsigned, std::uintptr_t);

} // namespace

TLEDform::TLEDform(TComponent* owner, TQ7form& main) : TForm(owner), main_(main) {
    SetCaption("Front panel LED");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(440, 200);
    SetColor(0x404040);
    SetKeyPreview(true);
    OnShow = [this](TObject* s) { FormShow(s); };
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState st) { FormKeyDown(s, k, st); };

    auto label = [this](int x, int y, int w, const char* text) {
        auto* l = Place<TmyLabel>(this, this, x, y, w, 18);
        l->SetCaption(text);
        l->Font().SetColor(clWhite);
        return l;
    };
    IntroLabel = label(10, 8, 420, "When the receiver is on and communicating normally with the PC, the front panel LED will be:");
    // The sentence is wider than the window: it wraps within the window's width (the caption
    // measured it on one line first).
    IntroLabel->SetAutoSize(false);
    IntroLabel->SetWordWrap(true);
    IntroLabel->SetBounds(10, 8, ClientWidth() - 20, 36);
    const char* texts[] = {"Continuously ON", "Continuously OFF", "Blinking, showing diagnostic status"};
    for (int i = 0; i < 3; ++i) {
        auto* b = Place<TstSpeedButton>(this, this, 20, 50 + i * 28, 24, 22);
        b->SetGroupIndex(1);
        b->SetColorDown(0x202020);
        b->SetTag(i + 1);
        b->OnClick = [this](TObject* s) { ChoiceClick(s); };
        Choices[static_cast<std::size_t>(i)] = b;
        label(52, 52 + i * 28, 360, texts[i]);
    }
    ExplanationLabel = label(10, 136, 330, "For explanation of the diagnostic blinking patterns, see ");
    HelpLabel = label(340, 136, 40, "Help.");
    HelpLabel->Font().SetColor(clAqua);
    HelpLabel->OnClick = [this](TObject* s) { HelpLabelClick(s); };
    OKButton = Place<TButton>(this, this, 130, 164, 80, 26);
    OKButton->SetCaption("OK");
    OKButton->OnClick = [this](TObject* s) { OKButtonClick(s); };
    CancelButton = Place<TButton>(this, this, 230, 164, 80, 26);
    CancelButton->SetCaption("Cancel");
    CancelButton->OnClick = [this](TObject* s) { CancelButtonClick(s); };
}

std::uint8_t TLEDform::PreviewPattern(int setting, bool powered) {
    if (setting == 1) return kPatternOn;
    if (setting == 2) return kPatternOff;
    return powered ? kPatternBlinkPowered : kPatternBlinkUnpowered;
}

void TLEDform::FormShow(TObject*) {
    HelpLabel->SetLeft(ExplanationLabel->Left() + ExplanationLabel->Width());
    const int setting = main_.Settings().led;
    const int index = setting == 1 ? 0 : setting == 2 ? 1 : 2;
    Choices[static_cast<std::size_t>(index)]->SetDown(true);
}

void TLEDform::ChoiceClick(TObject* sender) {
    auto* b = dynamic_cast<TstSpeedButton*>(sender);
    if (!b) return;
    main_.Q7->SetLED(PreviewPattern(static_cast<int>(b->Tag()), main_.Q7->GetPower() > 0));
}

void TLEDform::OKButtonClick(TObject*) {
    for (TstSpeedButton* b : Choices)
        if (b->Down()) main_.Settings().led = static_cast<std::int32_t>(b->Tag());
    CancelButtonClick(CancelButton);
}

void TLEDform::CancelButtonClick(TObject*) {
    if (OnRestoreLED) OnRestoreLED(this);
    SetModalResult(mrCancel);
    if (!Modal()) Hide();
}

void TLEDform::HelpLabelClick(TObject*) {
    plat::sys::Module* help = main_.HelpModule;
    if (!help) return;
    auto htmlHelp = reinterpret_cast<HtmlHelpProc>(help->Symbol("HtmlHelpA"));
    if (htmlHelp) htmlHelp(HandleAllocated() ? Handle() : 0, kHelpTopic, 0, 0);
}

void TLEDform::FormKeyDown(TObject*, std::uint16_t& key, TShiftState) {
    if (key != plat::win::VK_ESCAPE) return;
    key = 0;
    CancelButtonClick(CancelButton);
}

} // namespace lxq
