#include "platform/components/TCustomMemo.h"

#include <algorithm>

#include "platform/win/Styles.h"

namespace plat::comp {
namespace {

constexpr int kIndent = 2;

} // namespace

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 185, 89);
    SetTabStop(true);
    SetColor(clWindow);
    SetControlStyle(ControlStyle() | cs::Opaque);
    lines_.OnChange = [this](TObject*) { LinesChanged(); };
}

void TCustomMemo::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.exStyle |= win::WS_EX_CLIENTEDGE;
    if (scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth)
        p.style |= win::WS_VSCROLL;
    if (scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth)
        p.style |= win::WS_HSCROLL;
}

void TCustomMemo::SetWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    Invalidate();
}

void TCustomMemo::SetScrollBars(TScrollStyle s) {
    if (s == scrollBars_) return;
    scrollBars_ = s;
    FrameChanged();
}

void TCustomMemo::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

void TCustomMemo::SetCaret(int line, int column) {
    line_ = std::clamp(line, 0, std::max(0, lines_.Count() - 1));
    const int length = lines_.Count() ? static_cast<int>(lines_[line_].size()) : 0;
    column_ = std::clamp(column, 0, length);
    ScrollToCaret();
    Invalidate();
}

void TCustomMemo::LinesChanged() {
    syncing_ = true;
    SetText(lines_.Text());
    syncing_ = false;
    if (line_ >= lines_.Count()) SetCaret(lines_.Count() - 1, column_);
    Invalidate();
    if (OnChange) OnChange(this);
}

void TCustomMemo::TextChanged() {
    if (syncing_) return;
    // Text set from outside: it becomes the lines.
    lines_.SetText(Text());
}

void TCustomMemo::Edit(const std::function<void(std::vector<std::string>&)>& change) {
    std::vector<std::string> lines = lines_.Items();
    if (lines.empty()) lines.emplace_back();
    change(lines);
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 < lines.size()) text += "\r\n";
    }
    lines_.SetText(text);
    // An edit that leaves an empty last line still has that line to put the caret on.
    if (lines_.Count() < static_cast<int>(lines.size())) lines_.Add("");
    ScrollToCaret();
}

int TCustomMemo::LineHeight() const { return std::max(1, Font().TextExtent("Ag").cy); }

int TCustomMemo::VisibleLines() const { return std::max(1, ClientHeight() / LineHeight()); }

void TCustomMemo::ScrollToCaret() {
    if (line_ < topLine_) topLine_ = line_;
    if (line_ >= topLine_ + VisibleLines()) topLine_ = line_ - VisibleLines() + 1;
}

void TCustomMemo::KeyDown(std::uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const int count = std::max(1, lines_.Count());
    switch (key) {
    case vk::Up: SetCaret(line_ - 1, column_); break;
    case vk::Down: SetCaret(std::min(line_ + 1, count - 1), column_); break;
    case vk::Left:
        if (column_ > 0) SetCaret(line_, column_ - 1);
        else if (line_ > 0) SetCaret(line_ - 1, 1 << 30);
        break;
    case vk::Right: {
        const int length = lines_.Count() ? static_cast<int>(lines_[line_].size()) : 0;
        if (column_ < length) SetCaret(line_, column_ + 1);
        else if (line_ + 1 < count) SetCaret(line_ + 1, 0);
        break;
    }
    case vk::Home: SetCaret(line_, 0); break;
    case vk::End: SetCaret(line_, 1 << 30); break;
    case vk::Prior: SetCaret(line_ - VisibleLines(), column_); break;
    case vk::Next: SetCaret(std::min(line_ + VisibleLines(), count - 1), column_); break;
    case vk::Delete:
        if (readOnly_) break;
        Edit([this](std::vector<std::string>& l) {
            auto& cur = l[static_cast<std::size_t>(line_)];
            if (column_ < static_cast<int>(cur.size())) {
                cur.erase(static_cast<std::size_t>(column_), 1);
            } else if (line_ + 1 < static_cast<int>(l.size())) {
                cur += l[static_cast<std::size_t>(line_) + 1];
                l.erase(l.begin() + line_ + 1);
            }
        });
        break;
    case vk::Return:
        // With WantReturns the memo takes Enter; the form's default button must not.
        if (!wantReturns_) return;
        break;
    case vk::Tab:
        // With WantTabs the memo takes Tab; the form must not move the focus.
        if (!wantTabs_) return;
        break;
    default: return;
    }
    key = 0;
}

void TCustomMemo::KeyPress(char& key) {
    TCustomControl::KeyPress(key);
    if (key == 0 || readOnly_) return;
    if (key == '\r') {
        if (!wantReturns_) return;
        Edit([this](std::vector<std::string>& l) {
            auto& cur = l[static_cast<std::size_t>(line_)];
            const std::string tail = cur.substr(static_cast<std::size_t>(column_));
            cur.resize(static_cast<std::size_t>(column_));
            l.insert(l.begin() + line_ + 1, tail);
        });
        SetCaret(line_ + 1, 0);
        return;
    }
    if (key == '\b') {
        if (column_ == 0 && line_ == 0) return;
        const int prevLength = line_ > 0 ? static_cast<int>(lines_[line_ - 1].size()) : 0;
        const bool join = column_ == 0;
        Edit([this, join](std::vector<std::string>& l) {
            auto& cur = l[static_cast<std::size_t>(line_)];
            if (!join) {
                cur.erase(static_cast<std::size_t>(column_) - 1, 1);
            } else {
                l[static_cast<std::size_t>(line_) - 1] += cur;
                l.erase(l.begin() + line_);
            }
        });
        if (join) SetCaret(line_ - 1, prevLength);
        else SetCaret(line_, column_ - 1);
        return;
    }
    if (key == '\t' && !wantTabs_) return;
    if (static_cast<unsigned char>(key) < 0x20 && key != '\t') return;
    const char c = key;
    Edit([this, c](std::vector<std::string>& l) {
        l[static_cast<std::size_t>(line_)].insert(static_cast<std::size_t>(column_), 1, c);
    });
    SetCaret(line_, column_ + 1);
}

void TCustomMemo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        SetFocus();
        const int line = topLine_ + y / LineHeight();
        int column = 0;
        if (line < lines_.Count()) {
            const std::string& text = lines_[line];
            while (column < static_cast<int>(text.size()) &&
                   Font().TextExtent(text.substr(0, static_cast<std::size_t>(column) + 1)).cx + kIndent <= x)
                ++column;
        }
        SetCaret(line, column);
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomMemo::Paint() {
    TCanvas& c = Canvas();
    const TRect client = ClientRect();
    c.Brush().SetColor(Enabled() ? Color() : clBtnFace);
    c.FillRect(client);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Font().SetColor(Enabled() ? Font().Color() : clGrayText);
    unsigned flags = gdi::dt::NoPrefix | gdi::dt::ExpandTabs;
    if (wordWrap_) flags |= gdi::dt::WordBreak;
    if (alignment_ == TAlignment::taCenter) flags |= gdi::dt::Center;
    if (alignment_ == TAlignment::taRightJustify) flags |= gdi::dt::Right;
    int y = 0;
    for (int i = topLine_; i < lines_.Count() && y < client.bottom; ++i) {
        TRect r{client.left + kIndent, y, client.right - kIndent, client.bottom};
        const std::string& text = lines_[i].empty() ? std::string(" ") : lines_[i];
        y += std::max(LineHeight(), c.DrawText(text, r, flags));
    }
}

void TCustomMemo::ScrollTo(bool vertical, int position) {
    if (!vertical) return;
    topLine_ = std::clamp(position, 0, std::max(0, lines_.Count() - VisibleLines()));
    Invalidate();
}

void TCustomMemo::ScrollInfo(bool vertical, int& position, int& page, int& range) const {
    if (vertical) {
        position = topLine_;
        page = VisibleLines();
        range = std::max(lines_.Count(), 1);
    } else {
        position = 0;
        page = range = 1;
    }
}

} // namespace plat::comp
