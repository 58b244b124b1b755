#pragma once
// A captioned frame that groups controls: kind 0 the window's own frame, kind 1 a rounded frame
// with a shadow, other kinds no frame; the caption sits centred across the top.

#include "demod/ui/toolkit/RC_Window.h"

class RC_GroupFrame : public RC_Window {
public:
    enum Kind : int { kPlainFrame = 0, kRounded = 1 };

    RC_GroupFrame(RC_Window* parent, int x, int y, int w, int h, const char* caption);

    // Kept here as well: the rounded frame is drawn in it.
    void SetFrameColour(RC_Colour colour) { RC_Window::SetFrameColour(colour), frameColour_ = colour; }
    void SetGroupTextColour(RC_Colour colour) { textColour_ = colour, Invalidate(); }
    void SetCornerDiameter(int diameter) { corner_ = diameter, Invalidate(); }
    void SetKind(int kind) { kind_ = kind, Invalidate(); }
    int Kind() const { return kind_; }
    // The area left for the grouped controls by a rounded frame.
    plat::gdi::Rect InnerRect() const;

    void PaintFrame() override;
    void PaintContent() override;

private:
    RC_Colour frameColour_ = 0x606060;
    RC_Colour textColour_ = 0xFFFF00;
    int corner_ = 10;
    int kind_ = kPlainFrame;
};
