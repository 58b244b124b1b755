#include "demod/ui/toolkit/RC_Button.h"

#include "demod/ui/toolkit/RC_Cursor.h"
#include "demod/ui/toolkit/RC_Glyphs.h"
#include "platform/win/Win.h"

namespace gdi = plat::gdi;

RC_Button::RC_Button(RC_Window* parent, int x, int y, int w, int h, const char* caption)
    : RC_Window(parent, x, y, w, h, kWindowless), firstTimer_(1000, &RepeatStart, this),
      secondTimer_(1000, &RepeatTick, this) {
    Init();
    SetCaption(caption);
}

RC_Button::RC_Button(RC_Window* parent, int x, int y, int w, int h, int glyph)
    : RC_Window(parent, x, y, w, h, kWindowless), firstTimer_(1000, &RepeatStart, this),
      secondTimer_(1000, &RepeatTick, this) {
    Init();
    SetCaption("");
    SetGlyph(glyph);
}

void RC_Button::Init() {
    SetBackgroundColour(0x606060);
    Font().SetHeight(-11);
    SetFrameColour(0x606060);
    SetFrameType(2);
    SetFrameWidth(3);
}

RC_Button::~RC_Button() {
    firstTimer_.Stop();
    secondTimer_.Stop();
}

// A button that is down looks pressed, whatever its kind: a radio button that looked up while it
// was the chosen one would hide the very state it is there to show.
bool RC_Button::Sunken() const { return pressed_ || (down_ && (kind_ == kRadio || kind_ == kToggle || kind_ == kToggleFlat)); }

// The raised bevel turns sunken while the button is.
int RC_Button::PaintedFrameType() const {
    const int type = RC_Window::PaintedFrameType();
    return type == kRaisedFrame && EnabledChain() && Sunken() ? kSunkenFrame : type;
}

void RC_Button::ApplyLink() {
    if (linked_ == nullptr) return;
    linked_->ClearFlags(maskA_, maskB_);
    linked_->SetFlags((down_ ? downA_ : upA_) & maskA_, (down_ ? downB_ : upB_) & maskB_);
}

void RC_Button::SetDown(bool down) {
    if (down == down_) return;
    down_ = down;
    ApplyLink();
    Invalidate();
}

void RC_Button::SetPressed(bool pressed) {
    if (pressed == pressed_) return;
    pressed_ = pressed;
    Invalidate();
}

void RC_Button::SetGlyph(int glyph) {
    if (glyph == glyph_) return;
    glyph_ = glyph;
    if (glyph_ != 0 && !glyphCanvas_) glyphCanvas_ = std::make_unique<RC_Bitmap>();
    Invalidate();
}

void RC_Button::SetGlyphColour(RC_Colour colour) {
    glyphColour_ = colour;
    Invalidate();
}

void RC_Button::SetButtonTextColour(RC_Colour colour) {
    buttonTextColour_ = colour;
    Invalidate();
}

void RC_Button::SetImage(const RC_Image* image) {
    image_ = image != nullptr ? std::make_unique<RC_Image>(*image) : nullptr;
    Invalidate();
}

void RC_Button::SetLinkedObject(RC_Object* object, std::uint32_t maskA, std::uint32_t maskB, std::uint32_t downA,
                                std::uint32_t downB, std::uint32_t upA, std::uint32_t upB) {
    linked_ = object;
    maskA_ = maskA, maskB_ = maskB, downA_ = downA, downB_ = downB, upA_ = upA, upB_ = upB;
}

void RC_Button::SetRepeat(std::uint32_t firstDelayMs, std::uint32_t intervalMs) {
    firstDelayMs_ = firstDelayMs;
    repeatMs_ = intervalMs;
}

void RC_Button::RepeatStart(void* user, RC_Timer*) {
    auto* self = static_cast<RC_Button*>(user);
    self->firstTimer_.Stop();
    if (!self->pressed_ || !self->EnabledChain()) return;
    if (self->repeatMs_ != 0) self->secondTimer_.SetInterval(self->repeatMs_);
    self->secondTimer_.Start();
    self->FireAction();
}

void RC_Button::RepeatTick(void* user, RC_Timer*) {
    auto* self = static_cast<RC_Button*>(user);
    // A press that was let go, or a button disabled meanwhile, ends the repeating.
    if (!self->pressed_ || !self->EnabledChain()) {
        self->secondTimer_.Stop();
        return;
    }
    self->FireAction();
}

void RC_Button::PaintContent() {
    const RC_Colour bg = BackgroundColour();
    const bool enabled = EnabledChain();
    if (!enabled) pressed_ = false;
    const bool sunken = enabled && Sunken();
    RC_Colour fill = bg;
    if (!enabled) {
        fill = RC_ScaleColour(bg, 6, 7);
    } else if (sunken) {
        fill = RC_ScaleColour(bg, pressed_ ? 11 : 10, 7);
    }
    const gdi::Rect content = ContentRect();
    FillRect(content, fill);
    const int shift = sunken ? 1 : 0;
    if (image_) DrawImage(*image_, content.left + shift, content.top + shift, image_->width, image_->height, 0, 0, image_->width, image_->height);
    if (Caption()[0] != '\0') {
        const bool dim = !enabled || (kind_ == kToggle && !down_);
        Context()->SetTextColor(dim ? RC_ScaleColour(bg, 1, 2) : buttonTextColour_);
        SetBackgroundModeOfContext(1);
        const int d = sunken ? 1 : -1;
        DrawTextAligned(content.Offset(d, d), Caption(), 1u | 4u);
    }
    if (glyph_ != 0 && glyphCanvas_ && (State() & kConstructing) == 0 && !content.IsEmpty()) {
        glyphCanvas_->SetSize(content.Width(), content.Height());
        const std::uint32_t back = RC_SwapRedBlue(fill);
        glyphCanvas_->Clear(back);
        const RC_Colour ink = enabled ? glyphColour_ : RC_ScaleColour(bg, 1, 2);
        RC_DrawGlyph(*glyphCanvas_, glyph_, RC_SwapRedBlue(ink), back, shift, shift);
        auto view = gdi::Bitmap::Wrap(glyphCanvas_->Pixels(), glyphCanvas_->Width(), glyphCanvas_->Height(), 32,
                                      static_cast<int>(glyphCanvas_->Stride()));
        if (view) Context()->DrawBitmap(content.left, content.top, *view);
    }
}

void RC_Button::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    const bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
    switch (kind) {
    case kMouseMove:
        SetCursorShape(inside ? RC_GetSharedCursors().hand.Handle() : plat::win::LoadCursor(plat::win::IDC_ARROW));
        if ((keys & plat::win::MK_LBUTTON) != 0 && (State() & kCapture) != 0 && kind_ != kRadio) SetPressed(inside);
        return;
    case kLeftDown:
    case kLeftDouble:
        if (!inside) return;
        SetStateFlags(kCapture);
        switch (kind_) {
        case kAutoRepeat:
            SetPressed(true);
            if (firstDelayMs_ != 0) firstTimer_.SetInterval(firstDelayMs_);
            firstTimer_.Start();
            FireAction();
            break;
        case kRadio:
            if (down_) break;
            SetDown(true);
            if (TabOrder() != 0 && Parent() != nullptr) {
                for (RC_Window* s = Parent()->FirstChild(); s != nullptr; s = s->NextSibling()) {
                    auto* mate = dynamic_cast<RC_Button*>(s);
                    if (mate != nullptr && mate != this && mate->TabOrder() == TabOrder()) mate->SetDown(false);
                }
            }
            FireAction();
            break;
        default: SetPressed(true); break;
        }
        return;
    case kLeftUp: {
        const bool wasPressed = pressed_;
        ClearStateFlags(kCapture);
        switch (kind_) {
        case kPush:
            SetPressed(false);
            if (wasPressed) FireAction();
            break;
        case kAutoRepeat:
            SetPressed(false);
            firstTimer_.Stop();
            secondTimer_.Stop();
            break;
        case kToggle:
        case kToggleFlat:
            SetPressed(false);
            if (inside && wasPressed) {
                SetDown(!down_);
                FireAction();
            }
            break;
        default: break;
        }
        return;
    }
    default: RC_Window::MouseEvent(kind, keys, x, y); return;
    }
}
