#include "platform/components/TCustomListBox.h"

#include <algorithm>

#include "platform/components/Frames.h"
#include "platform/win/Styles.h"

namespace plat::comp {

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetColor(clWindow);
    // OnClick means "the current row changed" here, not "the mouse went up".
    SetControlStyle((ControlStyle() | cs::Opaque) & ~cs::ClickEvents);
    items_.OnChange = [this](TObject*) { ItemsChanged(); };
}

void TCustomListBox::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.exStyle |= win::WS_EX_CLIENTEDGE;
    p.style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
    switch (style_) {
    case TListBoxStyle::lbStandard: break;
    case TListBoxStyle::lbOwnerDrawFixed: p.style |= LBS_OWNERDRAWFIXED; break;
    case TListBoxStyle::lbOwnerDrawVariable: p.style |= LBS_OWNERDRAWVARIABLE; break;
    case TListBoxStyle::lbVirtual: p.style = (p.style & ~LBS_HASSTRINGS) | LBS_NODATA; break;
    case TListBoxStyle::lbVirtualOwnerDraw:
        p.style = (p.style & ~LBS_HASSTRINGS) | LBS_NODATA | LBS_OWNERDRAWFIXED;
        break;
    }
    if (multiSelect_) p.style |= LBS_EXTENDEDSEL;
}

bool TCustomListBox::NeedsScrollBar() const {
    return static_cast<long long>(Count()) * itemHeight_ > InsideBorder().Height();
}

bool TCustomListBox::HasScrollBar(bool vertical) const { return vertical && NeedsScrollBar(); }

void TCustomListBox::ScrollInfo(bool vertical, int& position, int& page, int& range) const {
    position = vertical ? topIndex_ : 0;
    page = vertical ? VisibleRows() : 1;
    range = vertical ? std::max(Count(), 1) : 1;
}

void TCustomListBox::ScrollTo(bool vertical, int position) {
    if (vertical) SetTopIndex(position);
}

bool TCustomListBox::OwnerData() const { return (WindowParams().style & LBS_NODATA) != 0; }

bool TCustomListBox::OwnerDraw() const {
    return (WindowParams().style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
}

void TCustomListBox::SetStyle(TListBoxStyle s) {
    if (s == style_) return;
    style_ = s;
    Invalidate();
}

int TCustomListBox::Count() const { return OwnerData() ? count_ : items_.Count(); }

void TCustomListBox::SetCount(int count) {
    const bool hadBar = NeedsScrollBar();
    count_ = std::max(count, 0);
    RowsChanged(hadBar);
}

void TCustomListBox::ItemsChanged() { RowsChanged(scrollBarShown_); }

void TCustomListBox::RowsChanged(bool hadBar) {
    selected_.assign(static_cast<std::size_t>(Count()), false);
    if (itemIndex_ >= Count()) itemIndex_ = -1;
    SetTopIndex(topIndex_);
    scrollBarShown_ = NeedsScrollBar();
    // The scroll bar comes and goes with the rows: the client area changes with it.
    if (scrollBarShown_ != hadBar) FrameChanged();
    Invalidate();
}

void TCustomListBox::Clear() {
    itemIndex_ = -1;
    topIndex_ = 0;
    items_.Clear();
    SetCount(0);
}

void TCustomListBox::SetItemIndex(int index) {
    if (index < -1 || index >= Count()) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    if (!multiSelect_) {
        std::fill(selected_.begin(), selected_.end(), false);
        if (index >= 0 && static_cast<std::size_t>(index) < selected_.size())
            selected_[static_cast<std::size_t>(index)] = true;
    }
    // Keep the current row in view.
    if (index >= 0 && index < topIndex_) SetTopIndex(index);
    else if (index >= topIndex_ + VisibleRows()) SetTopIndex(index - VisibleRows() + 1);
    Invalidate();
}

void TCustomListBox::SetTopIndex(int index) {
    index = std::clamp(index, 0, std::max(0, Count() - VisibleRows()));
    if (index == topIndex_) return;
    topIndex_ = index;
    Invalidate();
}

void TCustomListBox::SetItemHeight(int h) {
    h = std::max(h, 1);
    if (h == itemHeight_) return;
    itemHeight_ = h;
    Invalidate();
}

void TCustomListBox::SetMultiSelect(bool v) {
    if (v == multiSelect_) return;
    multiSelect_ = v;
    selected_.assign(static_cast<std::size_t>(Count()), false);
    Invalidate();
}

bool TCustomListBox::Selected(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= selected_.size()) return false;
    return selected_[static_cast<std::size_t>(index)];
}

void TCustomListBox::SetSelected(int index, bool v) {
    if (index < 0 || static_cast<std::size_t>(index) >= selected_.size()) return;
    if (!multiSelect_) {
        SetItemIndex(v ? index : (itemIndex_ == index ? -1 : itemIndex_));
        return;
    }
    selected_[static_cast<std::size_t>(index)] = v;
    Invalidate();
}

int TCustomListBox::VisibleRows() const { return std::max(1, ClientHeight() / itemHeight_); }

int TCustomListBox::ItemAtPos(TPoint p) const {
    if (!ClientRect().Contains(p)) return -1;
    const int index = topIndex_ + p.y / itemHeight_;
    return index < Count() ? index : -1;
}

TRect TCustomListBox::ItemRect(int index) const {
    const int y = (index - topIndex_) * itemHeight_;
    return {0, y, ClientWidth(), y + itemHeight_};
}

std::string TCustomListBox::ItemText(int index) {
    if (index < 0 || index >= Count()) return {};
    if (!OwnerData()) return items_[index];
    std::string data;
    if (OnData) OnData(this, index, data);
    return data;
}

void TCustomListBox::MoveTo(int index, TShiftState shift) {
    if (Count() == 0) return;
    index = std::clamp(index, 0, Count() - 1);
    const int before = itemIndex_;
    if (multiSelect_) {
        if (shift & ss::Ctrl) {
            selected_[static_cast<std::size_t>(index)] = !selected_[static_cast<std::size_t>(index)];
        } else if ((shift & ss::Shift) && before >= 0) {
            std::fill(selected_.begin(), selected_.end(), false);
            for (int i = std::min(before, index); i <= std::max(before, index); ++i)
                selected_[static_cast<std::size_t>(i)] = true;
        } else {
            std::fill(selected_.begin(), selected_.end(), false);
            selected_[static_cast<std::size_t>(index)] = true;
        }
        Invalidate();
    }
    SetItemIndex(index);
    if (itemIndex_ != before || multiSelect_) Click();
}

void TCustomListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        SetFocus();
        const int index = ItemAtPos({x, y});
        if (index >= 0) MoveTo(index, shift);
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomListBox::KeyDown(std::uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const int current = std::max(itemIndex_, 0);
    switch (key) {
    case vk::Up: MoveTo(itemIndex_ < 0 ? 0 : current - 1, shift); break;
    case vk::Down: MoveTo(itemIndex_ < 0 ? 0 : current + 1, shift); break;
    case vk::Home: MoveTo(0, shift); break;
    case vk::End: MoveTo(Count() - 1, shift); break;
    case vk::Prior: MoveTo(current - VisibleRows() + 1, shift); break;
    case vk::Next: MoveTo(current + VisibleRows() - 1, shift); break;
    default: return;
    }
    key = 0;
}

void TCustomListBox::WndProc(TMessage& m) {
    switch (m.Msg) {
    case LB_SETCOUNT:
        if (!OwnerData()) {
            m.Result = LB_ERR;
            return;
        }
        SetCount(static_cast<int>(m.WParam));
        return;
    case LB_GETCOUNT: m.Result = Count(); return;
    case LB_SETCURSEL:
        SetItemIndex(static_cast<int>(static_cast<win::LParam>(m.WParam)));
        m.Result = itemIndex_ < 0 ? LB_ERR : itemIndex_;
        return;
    case LB_GETCURSEL: m.Result = itemIndex_; return;
    case LB_GETTOPINDEX: m.Result = topIndex_; return;
    case LB_SETTOPINDEX: SetTopIndex(static_cast<int>(m.WParam)); return;
    case LB_GETITEMHEIGHT: m.Result = itemHeight_; return;
    case LB_SETITEMHEIGHT: SetItemHeight(static_cast<int>(m.LParam)); return;
    case LB_ADDSTRING:
        m.Result = OwnerData() ? LB_ERR : items_.Add(reinterpret_cast<const char*>(m.LParam));
        return;
    case LB_RESETCONTENT: Clear(); return;
    default: TCustomControl::WndProc(m);
    }
}

void TCustomListBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    if (OwnerDraw() && OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    TCanvas& c = Canvas();
    c.FillRect(rect);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    TRect text = rect.Inflate(-2, 0);
    c.DrawText(ItemText(index), text, gdi::dt::VCenter | gdi::dt::SingleLine | gdi::dt::NoPrefix);
}

void TCustomListBox::Paint() {
    TCanvas& c = Canvas();
    const TRect client = ClientRect();
    c.Brush().SetColor(Color());
    c.FillRect(client);
    const bool focused = Focused();
    for (int i = topIndex_; i < Count(); ++i) {
        const TRect r = ItemRect(i);
        if (r.top >= client.bottom) break;
        TOwnerDrawState state = 0;
        if (Selected(i)) state |= od::Selected;
        if (!Enabled()) state |= od::Disabled;
        if (focused && i == itemIndex_) state |= od::Focused;
        c.Brush().SetColor((state & od::Selected) ? clHighlight : Color());
        c.Font().Assign(Font());
        c.Font().SetColor((state & od::Selected) ? clHighlightText
                                                 : (Enabled() ? Font().Color() : clGrayText));
        DrawItem(i, r, state);
        if (state & od::Focused) DrawFocusRect(c, r);
    }
}

} // namespace plat::comp
