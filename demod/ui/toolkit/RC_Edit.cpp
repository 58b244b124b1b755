#include "demod/ui/toolkit/RC_Edit.h"

#include "platform/win/Win.h"

#include <algorithm>
#include <cstring>

namespace win = plat::win;
namespace gdi = plat::gdi;

RC_Edit::RC_Edit(RC_Window* parent, int x, int y, int w, int h) : RC_Window(parent, x, y, w, h, kWindowless) {
    SetBackgroundColour(0x000000);
    SetFrameColour(0x404040);
    SetFrameType(1);
    SetFrameWidth(2);
    SetFlags(kTakesFocus, 0);
    selBack_ = RC_BlendColour(BackgroundColour(), textColour_, 2, 1);
    selText_ = textColour_;
    RC_Window::SetCaption("");
}

RC_Edit::~RC_Edit() {
    if (IsFocused()) win::DestroyCaret();
}

std::size_t RC_Edit::Length() const { return std::strlen(Caption()); }

std::string RC_Edit::Display() const {
    std::string text = Caption();
    if (Masked()) text.assign(text.size(), '*');
    return text;
}

void RC_Edit::SetCaption(const char* text) {
    std::string t = text != nullptr ? text : "";
    if (maxLength_ != 0 && t.size() > maxLength_) t.resize(maxLength_);
    RC_Window::SetCaption(t.c_str());
    // The caret and the selection never point beyond the text.
    caret_ = std::min(caret_, t.size());
    selStart_ = std::min(selStart_, t.size());
    selEnd_ = std::min(selEnd_, t.size());
}

void RC_Edit::SetText(const std::string& text) { SetCaption(text.c_str()); }

void RC_Edit::SetCaret(std::size_t position) {
    caret_ = selStart_ = selEnd_ = std::min(position, Length());
    Invalidate();
}

void RC_Edit::SelectAll() {
    selStart_ = 0;
    selEnd_ = caret_ = Length();
    Invalidate();
}

void RC_Edit::ExtendSelection(std::size_t position) {
    position = std::min(position, Length());
    std::size_t anchor = caret_;
    if (selStart_ != selEnd_) anchor = selEnd_ == caret_ ? selStart_ : selEnd_;
    selStart_ = std::min(anchor, position);
    selEnd_ = std::max(anchor, position);
    caret_ = position;
    Invalidate();
}

void RC_Edit::DeleteSelection() {
    if (selStart_ == selEnd_) return;
    std::string t = Caption();
    t.erase(selStart_, selEnd_ - selStart_);
    caret_ = selEnd_ = selStart_;
    SetText(t);
}

void RC_Edit::Copy() {
    if (selStart_ == selEnd_) return;
    const win::Hwnd owner = TopWindow() != nullptr ? TopWindow()->Handle() : 0;
    if (!win::OpenClipboard(owner)) return;
    win::EmptyClipboard();
    win::SetClipboardText(Display().substr(selStart_, selEnd_ - selStart_));
    win::CloseClipboard();
}

void RC_Edit::Paste() {
    DeleteSelection();
    const win::Hwnd owner = TopWindow() != nullptr ? TopWindow()->Handle() : 0;
    if (!win::IsClipboardFormatAvailable(win::CF_TEXT) || !win::OpenClipboard(owner)) return;
    const std::string clip = win::GetClipboardText().value_or("");
    win::CloseClipboard();
    std::string inserted;
    for (char c : clip) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 32 && b < 128) inserted.push_back(c);
    }
    std::string t = Caption();
    t.insert(caret_, inserted);
    caret_ += inserted.size();
    selStart_ = selEnd_ = caret_;
    SetText(t);
    caret_ = selStart_ = selEnd_ = std::min(caret_, Length());
}

int RC_Edit::KeyEvent(int kind, std::uint32_t key) {
    if (readOnly_) return RC_Window::KeyEvent(kind, key);
    focusFromClick_ = false;
    const bool shift = (State() & kShiftHeld) != 0;
    const bool ctrl = (State() & kCtrlHeld) != 0;
    const bool selection = selStart_ != selEnd_;
    auto move = [&](std::size_t to) {
        if (shift) {
            ExtendSelection(to);
        } else {
            SetCaret(to);
        }
        return 1;
    };
    if (kind == kKeyDown) {
        switch (key) {
        case win::VK_BACK:
            if (selection) {
                DeleteSelection();
            } else if (caret_ > 0) {
                std::string t = Caption();
                t.erase(caret_ - 1, 1);
                caret_ = selStart_ = selEnd_ = caret_ - 1;
                SetText(t);
            }
            return 1;
        case win::VK_RETURN:
            if (Parent() != nullptr) Parent()->Focus();
            if (onEnter) onEnter.fn(onEnter.user, this);
            return 1;
        case win::VK_SHIFT: SetStateFlags(kShiftHeld); return 1;
        case win::VK_CONTROL: SetStateFlags(kCtrlHeld); return 1;
        case win::VK_ESCAPE: SetCaption(focusText_.Text()); return 1;
        case win::VK_END: return move(Length());
        case win::VK_HOME: return move(0);
        case win::VK_LEFT: return move(caret_ > 0 ? caret_ - 1 : 0);
        case win::VK_RIGHT: return move(caret_ + 1);
        case win::VK_INSERT:
            if (shift) Paste();
            if (ctrl) Copy();
            return 1;
        case win::VK_DELETE:
            if (!selection) {
                if (caret_ < Length()) {
                    std::string t = Caption();
                    t.erase(caret_, 1);
                    SetText(t);
                }
            } else {
                if (shift) Copy();
                DeleteSelection();
            }
            return 1;
        default: return RC_Window::KeyEvent(kind, key);
        }
    }
    if (kind == kKeyUp && (key == win::VK_SHIFT || key == win::VK_CONTROL)) {
        ClearStateFlags(key == win::VK_SHIFT ? kShiftHeld : kCtrlHeld);
        return 1;
    }
    if (kind == kChar) {
        if (ctrl && (key == 3 || key == 22 || key == 24)) {
            if (key == 3) Copy();
            if (key == 22) Paste();
            if (key == 24) Copy(), DeleteSelection();
            return 0;
        }
        if (key >= 32 && key < 256) {
            DeleteSelection();
            if (maxLength_ == 0 || Length() < maxLength_) {
                std::string t = Caption();
                t.insert(caret_, 1, static_cast<char>(key));
                ++caret_;
                selStart_ = selEnd_ = caret_;
                SetText(t);
            }
            return 1;
        }
    }
    return RC_Window::KeyEvent(kind, key);
}

void RC_Edit::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    if (readOnly_) {
        RC_Window::MouseEvent(kind, keys, x, y);
        return;
    }
    if (kind == kLeftDown && EnabledChain()) {
        if (IsFocused() && !focusFromClick_) {
            SetStateFlags(kCapture | kPendingPress);
            lastX_ = x;
        } else {
            // The press that brought the focus selects the whole text.
            if (!IsFocused()) Focus();
            if (selectAllOnFocus_) SelectAll();
            ClearStateFlags(kPendingPress | kPendingDrag);
        }
        focusFromClick_ = false;
        Invalidate();
    } else if (kind == kMouseMove && (State() & kCapture) != 0) {
        SetStateFlags(kPendingDrag);
        lastX_ = x;
        Invalidate();
    } else if (kind == kLeftUp) {
        // A press or drag not yet placed by a paint stays pending: a quick click, whose press and
        // release arrive before any paint, still places the caret.
        ClearStateFlags(kCapture);
        Invalidate();
    }
    RC_Window::MouseEvent(kind, keys, x, y);
}

void RC_Edit::SetFocused(int focused) {
    const bool was = IsFocused();
    RC_Window::SetFocused(focused);
    if (!IsFocused() || readOnly_) {
        if (was) win::DestroyCaret();
        scroll_ = 0;
    } else if (!was) {
        focusText_.Assign(Caption());
        CreateCaret(CaretWidth(), ContentRect().Height());
        // A press being routed brought this focus: it selects rather than places the caret.
        focusFromClick_ = true;
    }
    Invalidate();
}

int RC_Edit::Prefix(const std::string& s, std::size_t n) {
    if (n == 0 || Context() == nullptr) return 0;
    return Context()->GetTextExtent(std::string_view(s).substr(0, n)).cx;
}

std::size_t RC_Edit::IndexAt(int x, const std::string& shown) {
    const gdi::Rect c = ContentRect();
    const int width = Prefix(shown, shown.size());
    if (align_ == 0) x -= 2;
    if (align_ == 1) x -= (c.Width() - width) / 2;
    if (align_ == 2) x += width + c.left - c.right + 1;
    int previous = 0;
    for (std::size_t i = 1; i <= shown.size(); ++i) {
        const int w = Prefix(shown, i);
        if (w >= x) return (x - previous < w - x) ? i - 1 : i;
        previous = w;
    }
    return shown.size();
}

void RC_Edit::PaintContent() {
    RC_Window::PaintContent();
    SetStateFlags(kFontSelected);
    const std::string shown = Display();
    const gdi::Rect c = ContentRect();
    const int width = Prefix(shown, shown.size());
    if (IsFocused()) {
        const std::uint32_t pending = State() & (kPendingPress | kPendingDrag);
        if (pending != 0) {
            const std::size_t index = IndexAt(std::max(lastX_ + scroll_, 0), shown);
            if ((pending & kPendingPress) != 0) {
                SetCaret(index);
            } else {
                ExtendSelection(index);
            }
            ClearStateFlags(kPendingPress | kPendingDrag);
        }
        int caretX = 0;
        if (align_ == 0) caretX = c.left + 1 + Prefix(shown, caret_) - scroll_;
        if (align_ == 1) caretX = (c.left + c.right - width) / 2 + Prefix(shown, caret_) - scroll_ - 1;
        if (align_ == 2) caretX = c.right - 2 - (width - Prefix(shown, caret_)) - scroll_;
        const int before = scroll_;
        if (caretX >= c.right) {
            scroll_ += caretX - c.right + 1;
            caretX = c.right - 1;
        } else if (caretX < c.left) {
            scroll_ = std::max(0, caretX + scroll_ - c.left);
            caretX = c.left;
        }
        if (scroll_ != before) Invalidate();
        SetCaretPos(caretX, c.top);
    }
    int x = c.left + 2;
    if (align_ == 1) x = (c.left + c.right - width) / 2;
    if (align_ == 2) x = c.right - width - 1;
    x -= scroll_;
    const bool enabled = EnabledChain();
    SetTextColour(enabled ? textColour_ : RC_BlendColour(textColour_, BackgroundColour(), 2, 1));
    SetBackgroundColourOfContext(BackgroundColour());
    SetBackgroundModeOfContext(2);
    ExtTextOut(x, c.top, gdi::eto::Opaque | gdi::eto::Clipped, &c, shown.c_str());
    if (enabled && IsFocused() && selStart_ != selEnd_ && HighlightsSelection()) {
        const int xs = x + Prefix(shown, selStart_);
        const int w = Prefix(shown, selEnd_) - Prefix(shown, selStart_);
        const gdi::Rect sel = gdi::Rect{xs, c.top, xs + w + 2, c.bottom}.Intersect(c);
        SetTextColour(selText_);
        SetBackgroundColourOfContext(selBack_);
        const std::string part = shown.substr(selStart_, selEnd_ - selStart_);
        ExtTextOut(xs, c.top, gdi::eto::Opaque | gdi::eto::Clipped, &sel, part.c_str());
    }
}
