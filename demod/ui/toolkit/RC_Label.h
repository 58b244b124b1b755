#pragma once
// A windowless text label; optionally sized to its text and drawn as a heading with a line.

#include "demod/ui/toolkit/RC_Window.h"

class RC_Label : public RC_Window {
public:
    // Style bits of a label.
    static constexpr std::uint32_t kFitWidth = 0x20;
    static constexpr std::uint32_t kFitHeight = 0x40;
    static constexpr std::uint32_t kHeading = 0x800;

    RC_Label(RC_Window* parent, int x, int y, int w, int h, const char* caption);

    // As DrawTextAligned: bits 0-1 left, centre, right; bits 2-3 top, centred (4), bottom (8).
    void SetAlignment(unsigned align) { align_ = align, Invalidate(); }
    void SetLabelTextColour(RC_Colour colour) { textColour_ = colour, Invalidate(); }

    void PaintContent() override;

private:
    unsigned align_ = 0;
    RC_Colour textColour_ = 0x00FFFF;
};
