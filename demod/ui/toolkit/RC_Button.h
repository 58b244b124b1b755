#pragma once
// A windowless button in five kinds: push (0), auto-repeat (1), radio (2) and two toggles (3, 4).
// It shows a caption, an image or an anti-aliased glyph, and reports through the action callback.

#include "demod/ui/toolkit/RC_Bitmap.h"
#include "demod/ui/toolkit/RC_Timer.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <memory>

class RC_Button : public RC_Window {
public:
    enum Kind : int { kPush = 0, kAutoRepeat = 1, kRadio = 2, kToggle = 3, kToggleFlat = 4 };

    RC_Button(RC_Window* parent, int x, int y, int w, int h, const char* caption);
    RC_Button(RC_Window* parent, int x, int y, int w, int h, int glyph);
    ~RC_Button() override;

    void SetKind(int kind) { kind_ = kind; }
    int Kind() const { return kind_; }
    void SetDown(bool down);
    bool IsDown() const { return down_; }
    void SetPressed(bool pressed);
    bool IsPressed() const { return pressed_; }
    void SetGlyph(int glyph);
    int Glyph() const { return glyph_; }
    void SetGlyphColour(RC_Colour colour);
    void SetButtonTextColour(RC_Colour colour);
    // Copies the record; null removes the image.
    void SetImage(const RC_Image* image);
    // When the down state changes, the object's flag words are cleared under the masks and set
    // to the on-down or on-up words.
    void SetLinkedObject(RC_Object* object, std::uint32_t maskA, std::uint32_t maskB, std::uint32_t downA,
                         std::uint32_t downB, std::uint32_t upA, std::uint32_t upB);
    // Auto-repeat timing: the first repeat after `firstDelayMs`, then every `intervalMs`; 0 keeps
    // the timers' own 1000 ms.
    void SetRepeat(std::uint32_t firstDelayMs, std::uint32_t intervalMs);

    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;

protected:
    int PaintedFrameType() const override;

private:
    static constexpr int kSunkenFrame = 1;
    static constexpr int kRaisedFrame = 2;
    void Init();
    bool Sunken() const;
    void ApplyLink();
    static void RepeatStart(void* user, RC_Timer* timer);
    static void RepeatTick(void* user, RC_Timer* timer);

    RC_Timer firstTimer_;
    RC_Timer secondTimer_;
    RC_Colour buttonTextColour_ = 0x00FF00;
    bool down_ = false;
    std::uint32_t firstDelayMs_ = 0;
    std::unique_ptr<RC_Image> image_;
    RC_Object* linked_ = nullptr;
    std::uint32_t maskA_ = 0, maskB_ = 0, downA_ = 0, downB_ = 0, upA_ = 0, upB_ = 0;
    std::unique_ptr<RC_Bitmap> glyphCanvas_;
    bool pressed_ = false;
    std::uint32_t repeatMs_ = 0;
    int kind_ = kPush;
    RC_Colour glyphColour_ = 0x00FF00;
    int glyph_ = 0;
};
