#pragma once
// The small label a graph shows above the pointer while a button is held over its plot: a top
// window of its own whose paint fits it to its caption, keeping its bottom edge.

#include "demod/ui/toolkit/RC_Window.h"

class RC_GraphTooltip : public RC_Window {
public:
    // x, y: the pointer in screen coordinates; the label's bottom edge goes 10 px above it.
    RC_GraphTooltip(RC_Window* owner, int x, int y, const char* text);
    void FollowPointer(int x, int y);
    void PaintContent() override;
};
