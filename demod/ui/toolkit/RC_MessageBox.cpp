#include "demod/ui/toolkit/RC_MessageBox.h"

#include "platform/win/Win.h"

namespace win = plat::win;
namespace gdi = plat::gdi;

const char* RC_MessageBox::ButtonCaption(int value) {
    static const char* const kCaptions[] = {"", "OK", "Yes", "No", "Cancel", "Abort", "Retry", "Ignore"};
    return value > 0 && value < 8 ? kCaptions[value] : "";
}

RC_MessageBox::RC_MessageBox(RC_Window* owner, const char* caption, const char* text, std::uint32_t buttonSet)
    : RC_Popup(nullptr, 0, 0, 10, 10, kKeepsLoop), resultWord_(buttonSet == 0 ? 1u : buttonSet) {
    SetCaption(caption);
    Centre();
    text_.Assign(text != nullptr ? text : "");
    if (auto* ownerPopup = dynamic_cast<RC_Popup*>(owner); ownerPopup != nullptr) SetIcon(ownerPopup->Icon());
    ClearFlags(kTitleButtons, 0);
    for (int group = 0; group < kMaxButtons; ++group) {
        const int value = static_cast<int>((resultWord_ >> (4 * group)) & 0xFu);
        if (value == 0) continue;
        auto* b = new RC_Button(this, 0, 0, 50, 18, ButtonCaption(value));
        b->onAction = {&RC_MessageBox::ButtonPressed, this};
        b->Show(win::SW_SHOW);
        buttons_[count_] = b;
        // Each button keeps its own group's value, so a word with empty groups between its
        // buttons still answers what the pressed button says.
        results_[count_] = value;
        ++count_;
    }
}

RC_MessageBox::~RC_MessageBox() { text_.Assign(""); }

void RC_MessageBox::ButtonPressed(void* user, RC_Window* button) {
    auto* self = static_cast<RC_MessageBox*>(user);
    for (int i = 0; i < self->count_; ++i) {
        if (self->buttons_[i] == button) {
            self->EndModal(self->results_[i]);
            return;
        }
    }
}

void RC_MessageBox::PaintContent() {
    Font().SetHeight(-11);
    Font().SetWeight(400);
    int w = TextWidth(text_.Text()) + 16;
    const int h = TextHeight(text_.Text()) + (count_ > 0 ? 64 : 42);
    if (count_ > 0 && w < count_ * 54 + 12) w = count_ * 54 + 16;
    if (w == Width() && h == Height()) {
        RC_Popup::PaintContent();
        Font().SetHeight(-11);
        Font().SetWeight(400);
        SetTextColour(0x00FFFF);
        SetBackgroundModeOfContext(1);
        DrawTextAligned({8, 30, w - 8, h - 8}, text_.Text(), 0);
        return;
    }
    Move((win::GetSystemMetrics(win::SM_CXSCREEN) - w) / 2, (win::GetSystemMetrics(win::SM_CYSCREEN) - h) / 2, w, h, true);
    int x = (w - count_ * 54 + 4) / 2;
    for (int i = 0; i < count_; ++i, x += 54) buttons_[i]->Move(x, h - 26, 50, 18, true);
    Invalidate();
}

void RC_ShowError(const char* caption, const char* text) {
    auto* box = new RC_MessageBox(nullptr, caption, text, RC_MessageBox::kOk);
    box->RunModal();
}
