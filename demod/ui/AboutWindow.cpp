#include "demod/ui/AboutWindow.h"

#include "demod/ui/PluginBadge.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

namespace win = plat::win;

namespace {

struct AboutLine {
    const char* text;
    int height;
    int weight;
    RC_Colour colour;
};

// The toolkit's default text colour, as its labels have it.
constexpr RC_Colour kDefaultText = 0x00FFFF;
constexpr int kBadgeX = 40;

constexpr AboutLine kLines[] = {
    {"Q745 Professional Demodulator", 18, 400, 0x2040FF},
    {"Version 1.07", 14, 400, 0xFFFF00},
    {"Software demodulator for the receiver's IF output", 11, 400, kDefaultText},
    {"www.talvenor.example", 12, 700, kDefaultText},
    {"support.talvenor.example", 12, 700, kDefaultText},
};

} // namespace

AboutWindow::AboutWindow(RC_Window* owner) : RC_Popup(owner, 100, 100, 300, 180, RC_Window::kOwnedPopup) {
    SetCaption("About");
    SetStateFlags(0x7000);
    if (Handle() != 0) {
        const auto ex = static_cast<std::uint32_t>(win::GetWindowLongPtr(Handle(), win::GWL_EXSTYLE));
        win::SetWindowLongPtr(Handle(), win::GWL_EXSTYLE, static_cast<win::LParam>(ex | win::WS_EX_TOOLWINDOW));
    }
    const plat::gdi::Rect& c = ContentRect();
    ok_ = new RC_Button(this, c.left + (c.right - c.left - 80) / 2, c.bottom - 22, 80, 19, "OK");
    ok_->onAction = {&OkPressed, this};
    ok_->Show(win::SW_SHOW);
    badge_ = MakePluginBadge();
    Focus();
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::OkPressed(void* user, RC_Window*) { static_cast<AboutWindow*>(user)->EndModal(1); }

void AboutWindow::PaintContent() {
    RC_Popup::PaintContent();
    const plat::gdi::Rect& c = ContentRect();
    const int left = c.left + 10, right = c.right - 10;
    int y = c.top + 10;
    SetBackgroundModeOfContext(1);
    for (const AboutLine& line : kLines) {
        Font().SetHeight(-line.height);
        Font().SetWeight(line.weight);
        SetTextColour(line.colour);
        const int h = TextHeight(line.text);
        DrawTextAligned({left, y, right, y + h}, line.text, 1);
        y += h + 6;
    }
    if (badge_) DrawImage(*badge_, kBadgeX, y, badge_->width, badge_->height, 0, 0, badge_->width, badge_->height);
}
