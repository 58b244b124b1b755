#include "demod/ui/windows/RC_Panel.h"

#include "demod/dsp/RC_Runtime.h"
#include "platform/win/Win.h"

RC_Panel::RC_Panel(RC_Window* parent, int x, int y, int width, int height, int valueWidth, const char* caption)
    : RC_Window(parent, x, y, width, height, 0) {
    label_ = new RC_Label(this, 0, 0, width - valueWidth, height, caption);
    label_->SetAlignment(4);
    label_->Show(plat::win::SW_SHOW);
    value_ = new RC_NumberEdit(this, width - valueWidth, 0, valueWidth, height);
    value_->Show(plat::win::SW_SHOW);
    value_->SetUnit("%");
    value_->SetResolution(-1);
    value_->SetAlignment(2);
    value_->SetFlags(RC_NumberEdit::kNoBlank | RC_NumberEdit::kReadOnly, 0);
}

void RC_Panel::PaintContent() {
    // The caption keeps to one line: in a narrow meter its font is made smaller until it fits.
    constexpr std::int32_t kSmallestFont = 8;
    const char* caption = label_->Caption();
    std::int32_t height = label_->Font().Desc().height;
    if (height == 0) height = -label_->TextHeight(caption);
    const std::int32_t sign = height < 0 ? -1 : 1;
    while (label_->TextWidth(caption) > label_->ContentRect().Width() && height * sign > kSmallestFont) {
        height -= sign;
        label_->Font().SetHeight(height);
    }
    const plat::gdi::Rect content = ContentRect();
    value_->Move(content.right - value_->Width(), content.top, value_->Width(), content.bottom - content.top, false);
    RC_Window::PaintContent();
}

void RC_Panel::Start() { start_ = RC_ReadTimestamp(); }

void RC_Panel::Update(double blocksPerSecond) {
    const auto ticks = static_cast<std::int64_t>(RC_ReadTimestamp() - start_);
    UpdateElapsed(ticks, RC_GetCpuInfo().timerRate, blocksPerSecond);
}

void RC_Panel::UpdateElapsed(std::int64_t ticks, std::uint64_t ticksPerSecond, double blocksPerSecond) {
    if (ticks <= 0 || ticksPerSecond == 0) return;
    const double used = static_cast<double>(ticks) * blocksPerSecond;
    const auto rate = static_cast<double>(ticksPerSecond);
    if (!(used < rate)) return; // 100 % or more: dropped
    load_ = used * 100.0 / rate * (1.0 - smoothing) + load_ * smoothing;
    recorded_.store(load_);
    // One message at a time: a user-interface thread that falls behind shows the latest figure.
    if (!posted_.exchange(true) && !plat::win::PostMessage(Handle(), kMsgShowLoad, 0, 0)) posted_.store(false);
}

plat::win::LResult RC_Panel::HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) {
    if (msg != kMsgShowLoad) return RC_Window::HandleMessage(msg, wParam, lParam);
    // Cleared before the figure is read: a figure recorded after the read brings a message of its own.
    posted_.store(false);
    value_->SetValue(true, recorded_.load());
    return 0;
}
