#include "platform/components/TCustomEdit.h"

#include <algorithm>
#include <cctype>

#include "platform/components/Utf8Steps.h"
#include "platform/win/CaretApi.h"
#include "platform/win/ClipboardApi.h"
#include "platform/win/CursorApi.h"
#include "platform/win/Styles.h"

namespace plat::comp {
namespace {

constexpr int kTextIndent = 1;

// Control characters that WM_CHAR brings for Ctrl+letter.
constexpr char kCtrlA = 1, kCtrlC = 3, kCtrlV = 22, kCtrlX = 24;

} // namespace

TCustomEdit::TCustomEdit(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetColor(clWindow);
    SetControlStyle(ControlStyle() | cs::Opaque);
    SetCursor(win::LoadCursor(win::IDC_IBEAM));
}

void TCustomEdit::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.style |= ES_AUTOHSCROLL;
    if (borderStyle_ == TBorderStyle::bsSingle) {
        if (ctl3D_) p.exStyle |= win::WS_EX_CLIENTEDGE;
        else p.style |= win::WS_BORDER;
    }
    if (readOnly_) p.style |= ES_READONLY;
    if (passwordChar_ != 0) p.style |= ES_PASSWORD;
}

void TCustomEdit::SetReadOnly(bool v) { readOnly_ = v; }

void TCustomEdit::SetPasswordChar(char c) {
    if (c == passwordChar_) return;
    passwordChar_ = c;
    Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase c) {
    if (c == charCase_) return;
    charCase_ = c;
    SetText(Text()); // through TextChanged, which applies the case
}

void TCustomEdit::SetBorderStyle(TBorderStyle s) {
    if (s == borderStyle_) return;
    borderStyle_ = s;
    FrameChanged();
}

void TCustomEdit::SetCtl3D(bool v) {
    if (v == ctl3D_) return;
    ctl3D_ = v;
    FrameChanged();
    Perform(CM_CTL3DCHANGED);
}

void TCustomEdit::SetEditRect(const TRect& r) {
    editRect_ = r;
    Invalidate();
}

int TCustomEdit::CaretPos() const { return caretAtStart_ ? selStart_ : selStart_ + selLength_; }
int TCustomEdit::Anchor() const { return caretAtStart_ ? selStart_ + selLength_ : selStart_; }

void TCustomEdit::SetSelStart(int pos) {
    selStart_ = std::clamp(pos, 0, static_cast<int>(Text().size()));
    selLength_ = 0;
    caretAtStart_ = false;
    Invalidate();
}

void TCustomEdit::SetSelLength(int length) {
    selLength_ = std::clamp(length, 0, static_cast<int>(Text().size()) - selStart_);
    Invalidate();
}

std::string TCustomEdit::SelText() const {
    return Text().substr(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
}

void TCustomEdit::SetSelText(const std::string& text) { ReplaceSelection(text); }

void TCustomEdit::SelectAll() {
    selStart_ = 0;
    selLength_ = static_cast<int>(Text().size());
    caretAtStart_ = false;
    Invalidate();
}

void TCustomEdit::MoveCaret(int pos, bool extend) {
    pos = std::clamp(pos, 0, static_cast<int>(Text().size()));
    const int anchor = extend ? Anchor() : pos;
    selStart_ = std::min(anchor, pos);
    selLength_ = std::abs(pos - anchor);
    caretAtStart_ = pos < anchor;
    Invalidate();
}

void TCustomEdit::ReplaceSelection(const std::string& inserted) {
    std::string text = Text();
    std::string add = inserted;
    if (maxLength_ > 0) {
        // What does not fit is dropped, as typing past the limit is.
        const int room = maxLength_ - (static_cast<int>(text.size()) - selLength_);
        if (room < static_cast<int>(add.size())) {
            std::size_t cut = static_cast<std::size_t>(std::max(room, 0));
            while (cut > 0 && IsContinuationByte(add[cut])) --cut;
            add.resize(cut);
        }
    }
    text.replace(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_), add);
    const int caret = selStart_ + static_cast<int>(add.size());
    settingText_ = true;
    SetText(text);
    settingText_ = false;
    selStart_ = std::min(caret, static_cast<int>(Text().size()));
    selLength_ = 0;
    caretAtStart_ = false;
    modified_ = true;
    Invalidate();
}

void TCustomEdit::TextChanged() {
    if (charCase_ != TEditCharCase::ecNormal) {
        std::string t = Text();
        for (char& ch : t)
            ch = static_cast<char>(charCase_ == TEditCharCase::ecUpperCase
                                       ? std::toupper(static_cast<unsigned char>(ch))
                                       : std::tolower(static_cast<unsigned char>(ch)));
        if (t != Text()) {
            SetText(t);
            return;
        }
    }
    if (!settingText_) {
        // Text set from outside: the caret goes to the start, nothing selected.
        selStart_ = 0;
        selLength_ = 0;
        scroll_ = 0;
    }
    Change();
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomEdit::CopyToClipboard() {
    if (selLength_ == 0 || passwordChar_ != 0) return;
    if (!win::OpenClipboard(HandleAllocated() ? Handle() : 0)) return;
    win::EmptyClipboard();
    win::SetClipboardText(SelText());
    win::CloseClipboard();
}

void TCustomEdit::CutToClipboard() {
    if (readOnly_) return;
    CopyToClipboard();
    ReplaceSelection("");
}

void TCustomEdit::PasteFromClipboard() {
    if (readOnly_) return;
    if (!win::OpenClipboard(HandleAllocated() ? Handle() : 0)) return;
    const auto text = win::GetClipboardText();
    win::CloseClipboard();
    if (!text) return;
    // A single-line edit takes the first line only.
    ReplaceSelection(text->substr(0, text->find_first_of("\r\n")));
}

void TCustomEdit::KeyDown(std::uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const bool extend = (shift & ss::Shift) != 0;
    const int caret = CaretPos();
    switch (key) {
    case vk::Left: MoveCaret(selLength_ && !extend ? selStart_ : PreviousCharStart(Text(), caret), extend); break;
    case vk::Right:
        MoveCaret(selLength_ && !extend ? selStart_ + selLength_ : NextCharStart(Text(), caret), extend);
        break;
    case vk::Home: MoveCaret(0, extend); break;
    case vk::End: MoveCaret(static_cast<int>(Text().size()), extend); break;
    case vk::Delete:
        if (readOnly_) break;
        if (selLength_ == 0) selLength_ = NextCharStart(Text(), caret) - caret;
        ReplaceSelection("");
        break;
    default: return;
    }
    key = 0;
}

void TCustomEdit::KeyPress(char& key) {
    TCustomControl::KeyPress(key);
    switch (key) {
    case 0: return;
    case kCtrlA: SelectAll(); return;
    case kCtrlC: CopyToClipboard(); return;
    case kCtrlX: CutToClipboard(); return;
    case kCtrlV: PasteFromClipboard(); return;
    case '\b':
        if (readOnly_) return;
        if (selLength_ == 0 && selStart_ > 0) {
            const int start = PreviousCharStart(Text(), selStart_);
            selLength_ = selStart_ - start;
            selStart_ = start;
        }
        ReplaceSelection("");
        return;
    default: break;
    }
    if (readOnly_ || static_cast<unsigned char>(key) < 0x20) return;
    ReplaceSelection(std::string(1, key));
}

std::string TCustomEdit::DisplayText() const {
    if (passwordChar_ == 0) return Text();
    return std::string(Text().size(), passwordChar_);
}

int TCustomEdit::TextX(int pos) {
    const std::string shown = DisplayText();
    TCreateParams p;
    CreateParams(p);
    const int full = Font().TextExtent(shown).cx;
    const bool rect = !editRect_.IsEmpty();
    const int left = rect ? editRect_.left : 0;
    const int right = rect ? editRect_.right : ClientWidth();
    int origin = left + kTextIndent - scroll_;
    if (p.style & ES_RIGHT) origin = right - kTextIndent - full;
    else if (p.style & ES_CENTER) origin = (left + right - full) / 2;
    return origin + Font().TextExtent(shown.substr(0, static_cast<std::size_t>(pos))).cx;
}

int TCustomEdit::PosAtX(int x) {
    const int n = static_cast<int>(Text().size());
    int best = 0;
    int bestDistance = 1 << 30;
    const std::string& text = Text();
    for (int i = 0; i <= n; i = i < n ? NextCharStart(text, i) : n + 1) {
        const int d = std::abs(TextX(i) - x);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void TCustomEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        SetFocus();
        MoveCaret(PosAtX(x), (shift & ss::Shift) != 0);
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomEdit::MouseMove(TShiftState shift, int x, int y) {
    // Dragging with the button down selects.
    if (ControlState() & cst::LButtonDown) MoveCaret(PosAtX(x), true);
    TCustomControl::MouseMove(shift, x, y);
}

void TCustomEdit::DoEnter() {
    // A click places the caret itself.
    if (!(ControlState() & cst::LButtonDown)) {
        if (autoSelect_) SelectAll();
        else SetSelStart(static_cast<int>(Text().size()));
    }
    TCustomControl::DoEnter();
}

void TCustomEdit::DoExit() {
    if (HandleAllocated() && win::GetCaretState().hwnd == Handle()) win::DestroyCaret();
    Invalidate();
    TCustomControl::DoExit();
}

void TCustomEdit::Paint() {
    TCanvas& c = Canvas();
    const TRect client = ClientRect();
    // A disabled field keeps its own background and only greys its text: the dark fields of a
    // dark panel stay dark, and one partly hidden behind another window is no blank light box.
    c.Brush().SetColor(Color());
    c.FillRect(client);
    // Keep the caret in view: scroll the text so the caret lies inside the client area.
    const TRect area = editRect_.IsEmpty() ? client : editRect_;
    const int caretX = TextX(CaretPos());
    if (caretX > area.right - 2) scroll_ += caretX - (area.right - 2);
    else if (caretX < area.left + kTextIndent && scroll_ > 0)
        scroll_ = std::max(0, scroll_ - (area.left + kTextIndent - caretX));
    const std::string shown = DisplayText();
    const int lineHeight = Font().TextExtent("Ag").cy;
    const int y = editRect_.IsEmpty() ? (client.Height() - lineHeight) / 2 : editRect_.top;
    c.Font().SetColor(Enabled() ? Font().Color() : clGrayText);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.TextOut(TextX(0), y, shown);
    if (selLength_ > 0 && Focused()) {
        const int x0 = TextX(selStart_), x1 = TextX(selStart_ + selLength_);
        c.Brush().SetColor(clHighlight);
        c.FillRect({x0, y, x1, y + lineHeight});
        c.Font().SetColor(clHighlightText);
        c.Brush().SetStyle(TBrushStyle::bsClear);
        c.TextOut(x0, y, shown.substr(static_cast<std::size_t>(selStart_),
                                      static_cast<std::size_t>(selLength_)));
    }
    if (Focused() && HandleAllocated()) {
        win::CreateCaret(Handle(), 1, lineHeight);
        win::SetCaretPos(TextX(CaretPos()), y);
        win::ShowCaret(Handle());
    }
}

} // namespace plat::comp
