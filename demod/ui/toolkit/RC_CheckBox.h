#pragma once
// A windowless check box: a small framed box with a check mark and a text beside it. A nonzero
// group number (the tab order) makes it a radio item among its siblings of the same group.

#include "demod/ui/toolkit/RC_Window.h"

class RC_CheckBox : public RC_Window {
public:
    enum Check : int { kClear = 0, kChecked = 1, kClearGreyed = 2, kCheckedGreyed = 3 };

    RC_CheckBox(RC_Window* parent, int x, int y, int w, int h, const char* caption);

    // Invalidates; checking a grouped box clears its group mates.
    void SetState(int state);
    int CheckState() const { return state_; }
    bool IsChecked() const { return state_ == kChecked || state_ == kCheckedGreyed; }
    // Bits 0-1: box left, centred or right of the text; bits 2-3: top, centred (4), bottom (8).
    void SetPlacement(unsigned placement) { placement_ = placement, Invalidate(); }
    void SetCheckTextColour(RC_Colour colour) { textColour_ = colour, Invalidate(); }
    bool IsPressed() const { return pressed_; }

    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;

private:
    plat::gdi::Rect BoxRect() const;

    unsigned placement_ = 4;
    RC_Colour fill_ = 0x000000;
    RC_Colour pressedFill_ = 0x808080;
    RC_Colour markColour_ = 0x00FF00;
    RC_Colour boxFrameColour_ = 0x404040;
    int boxFrameType_ = 1;
    int boxFrameWidth_ = 2;
    int boxSize_ = 14;
    int state_ = kClear;
    RC_Colour textColour_ = 0x00FFFF;
    bool pressed_ = false;
};
