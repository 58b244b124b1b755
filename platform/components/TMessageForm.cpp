#include "platform/components/TMessageForm.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/components/TApplication.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"

namespace plat::comp {
namespace {

constexpr int kMargin = 12;
constexpr int kIcon = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kMaxTextWidth = 400;

struct ButtonSpec {
    const char* caption;
    int id;
};

std::vector<ButtonSpec> ButtonsFor(std::uint32_t flags) {
    switch (flags & 0xF) {
    case MB_OKCANCEL: return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"&Abort", IDABORT}, {"&Retry", IDRETRY}, {"&Ignore", IDIGNORE}};
    case MB_YESNOCANCEL: return {{"&Yes", IDYES}, {"&No", IDNO}, {"Cancel", IDCANCEL}};
    case MB_YESNO: return {{"&Yes", IDYES}, {"&No", IDNO}};
    case MB_RETRYCANCEL: return {{"&Retry", IDRETRY}, {"Cancel", IDCANCEL}};
    default: return {{"OK", IDOK}};
    }
}

} // namespace

TMessageForm::TMessageForm(TComponent* owner, const std::string& text, const std::string& caption,
                           std::uint32_t flags)
    : TForm(owner), flags_(flags) {
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    if (flags & MB_TOPMOST) SetFormStyle(TFormStyle::fsStayOnTop);
    SetCaption(caption);

    const bool icon = (flags & 0xF0) != 0;
    auto* label = new TLabel(this);
    label->SetWordWrap(false);
    label->SetCaption(text);
    label->SetParent(this);
    if (label->Width() > kMaxTextWidth) {
        label->SetWidth(kMaxTextWidth);
        label->SetWordWrap(true);
    }
    const int textLeft = kMargin + (icon ? kIcon + kMargin : 0);
    label->SetBounds(textLeft, kMargin + (icon && label->Height() < kIcon ? (kIcon - label->Height()) / 2 : 0),
                     label->Width(), label->Height());

    const auto specs = ButtonsFor(flags);
    const int buttonsWidth = static_cast<int>(specs.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    const int width = std::max(textLeft + label->Width() + kMargin, buttonsWidth + 2 * kMargin);
    const int top = kMargin + std::max(label->Height(), icon ? kIcon : 0) + kMargin;
    const int defaultIndex = (flags & MB_DEFBUTTON3) ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
    int x = (width - buttonsWidth) / 2;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        auto* b = new TButton(this);
        b->SetCaption(specs[i].caption);
        b->SetModalResult(specs[i].id);
        b->SetBounds(x, top, kButtonWidth, kButtonHeight);
        b->SetParent(this);
        b->SetDefault(static_cast<int>(i) == std::min<int>(defaultIndex, static_cast<int>(specs.size()) - 1));
        if (b->Default()) SetActiveControl(b);
        x += kButtonWidth + kButtonGap;
    }
    // Escape and closing take the cancel button; a box with only OK closes with OK.
    const bool hasCancel = std::any_of(specs.begin(), specs.end(), [](const ButtonSpec& s) { return s.id == IDCANCEL; });
    closeAnswer_ = hasCancel ? IDCANCEL : specs.size() == 1 ? IDOK : IDCANCEL;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* b = dynamic_cast<TButton*>(Controls(i));
        if (b && b->ModalResult() == closeAnswer_) b->SetCancel(true);
    }
    SetClientSize(width, top + kButtonHeight + kMargin);
}

int TMessageForm::Execute() {
    const TModalResult r = ShowModal();
    // A box with only OK answers OK however it is closed.
    if (r == mrCancel && closeAnswer_ == IDOK) return IDOK;
    return r;
}

void TMessageForm::Paint() {
    TForm::Paint();
    const std::uint32_t icon = flags_ & 0xF0;
    if (icon == 0) return;
    TCanvas& c = Canvas();
    const int l = kMargin, t = kMargin;
    c.Pen().SetColor(clBlack);
    const char* mark = "!";
    if (icon == MB_ICONWARNING) {
        const TPoint triangle[] = {{l + kIcon / 2, t}, {l + kIcon - 1, t + kIcon - 2}, {l, t + kIcon - 2}};
        c.Brush().SetColor(clYellow);
        c.Polygon(triangle);
    } else {
        c.Brush().SetColor(icon == MB_ICONERROR ? clRed : clBlue);
        c.Ellipse(l, t, l + kIcon, t + kIcon);
        mark = icon == MB_ICONERROR ? "X" : icon == MB_ICONQUESTION ? "?" : "i";
    }
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Font().SetStyle(fs::Bold);
    c.Font().SetHeight(-18);
    c.Font().SetColor(icon == MB_ICONWARNING ? clBlack : clWhite);
    TRect r{l, t + 4, l + kIcon, t + kIcon};
    c.DrawText(mark, r, gdi::dt::Center | gdi::dt::VCenter | gdi::dt::SingleLine);
}

int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) {
    auto form = std::make_unique<TMessageForm>(nullptr, text, caption, flags);
    return form->Execute();
}

void ShowMessage(const std::string& text) { MessageBox(text, Application().Title(), MB_OK); }

} // namespace plat::comp
