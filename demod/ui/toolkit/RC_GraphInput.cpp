// The graph's mouse: hovering finds a draggable item, pressing and moving drags it, and holding
// a button over the plot with nothing to drag asks the owner for a tooltip text.

#include "demod/dsp/RC_Heap.h"
#include "demod/ui/toolkit/RC_ColourPicker.h"
#include "demod/ui/toolkit/RC_Cursor.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_GraphTooltip.h"
#include "platform/win/Win.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace win = plat::win;

int RC_Graph::HitTarget(int x, int y) const {
    const std::uint32_t style = FlagsA();
    const plat::gdi::Rect& p = plot_;
    const int h = p.Height(), w = p.Width();
    const bool insideX = x >= p.left && x < p.right;
    if (mode_ != 0) {
        const int kind = static_cast<int>((style & kSpectrogramKind) >> 28);
        if ((style & kLevelLine) != 0) {
            const int ly = p.top + static_cast<int>((1.0f - level_) * static_cast<float>(h - 1));
            const bool xOk = (mode_ == 2 && kind == 0) ? (x >= p.left - 5 && x <= p.left - 1) : insideX;
            if (xOk && std::abs(y - ly) <= 2) return kTargetLevel;
        }
        for (std::size_t i = 0; i < markers_.size(); ++i) {
            if ((markers_[i].flags & 1u) != 0 && std::abs(x - XOfValue(markers_[i].x)) <= 2 && y >= p.top && y < p.bottom) {
                return static_cast<int>(i);
            }
        }
        if (mode_ == 2 && (style & kPaletteBar) != 0 && x >= p.left - 14 && x <= p.left - 7) {
            for (int i = 0; i < kPaletteStops; ++i) {
                if (y - p.top >= h * i / kPaletteStops + 1 && y - p.top <= h * (i + 1) / kPaletteStops - 1) return kTargetPaletteStop0 - i;
            }
        }
        if (mode_ == 2) {
            if (splitCount_ > 0 && dividerX_ > 0 && std::abs(x - dividerX_) <= 5) return kTargetDivider;
            for (int s = 0; s < splitCount_; ++s) {
                if (std::abs(y - (p.top + splits_[s])) <= 5 && insideX) return kTargetSplit0 - s;
            }
        }
        return kTargetNone;
    }
    const double span = static_cast<double>(scopeTop) - scopeBottom;
    for (std::size_t i = 0; i < cursors_.size(); ++i) {
        const int cx = p.left + static_cast<int>(cursors_[i] / (xDivisions_ * timePerDivision) * (w - 1));
        if (std::abs(x - cx) <= 2 && y >= p.top && y < p.bottom) return static_cast<int>(i);
    }
    if ((style & kThresholdLine) != 0) {
        const int ty = p.top + static_cast<int>((scopeTop - threshold_) * (h - 1) / span);
        if (std::abs(y - ty) <= 4 && x >= p.left && x <= p.left + 8) return kTargetLevel;
    }
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        const int ly = p.top + static_cast<int>((scopeTop - levels_[i].value) * (h - 1) / span);
        if (std::abs(y - ly) <= 3 && insideX) return kTargetSplit0 - static_cast<int>(i);
    }
    return kTargetNone;
}

void RC_Graph::DragTo(int x, int y) {
    const plat::gdi::Rect& p = plot_;
    const int h = std::max(p.Height() - 1, 1), w = std::max(p.Width() - 1, 1);
    const float fraction = std::clamp(static_cast<float>(y - p.top) / static_cast<float>(h), 0.0f, 1.0f);
    if (mode_ != 0) {
        if (target_ >= 0 && target_ < MarkerCount()) {
            const Marker m = markers_[static_cast<std::size_t>(target_)];
            SetMarker(target_, static_cast<float>(ValueOfX(x)), m.colour, (m.flags & 1u) != 0, (m.flags & 2u) != 0,
                      (m.flags & 4u) != 0, true);
            if (onMarkerDragged) onMarkerDragged.fn(onMarkerDragged.user, this, target_);
        } else if (target_ == kTargetLevel) {
            SetLevel(1.0f - fraction);
            if (onLevelDragged) onLevelDragged.fn(onLevelDragged.user, this, 0);
        } else if (target_ <= kTargetSplit0) {
            SetSplit(kTargetSplit0 - target_, y - p.top);
        }
        return;
    }
    const float value = scopeTop - fraction * (scopeTop - scopeBottom);
    if (target_ >= 0 && target_ < static_cast<int>(cursors_.size())) {
        SetCursor(target_, static_cast<float>(x - p.left) / static_cast<float>(w) * xDivisions_ * timePerDivision);
    } else if (target_ == kTargetLevel) {
        SetThreshold(value);
    } else if (target_ <= kTargetSplit0) {
        SetScopeLevel(kTargetSplit0 - target_, value);
        if (onLevelDragged) onLevelDragged.fn(onLevelDragged.user, this, kTargetSplit0 - target_);
    }
}

void RC_Graph::DropTooltip() {
    if (tooltip_ != nullptr) {
        delete tooltip_;
        tooltip_ = nullptr;
    }
    hoverX_ = hoverY_ = -1;
}

void RC_Graph::Hover(int x, int y, bool held) {
    const plat::gdi::Rect& p = plot_;
    const bool inside = x >= p.left && x < p.right && y >= p.top && y < p.bottom;
    if (!held || !inside || !onHover || target_ != kTargetNone) {
        DropTooltip();
        return;
    }
    if (x == hoverX_ && y == hoverY_) return;
    hoverX_ = x, hoverY_ = y;
    const double fraction = static_cast<double>(y - p.top) / std::max(p.Height() - 1, 1);
    const double xValue = mode_ == 1 ? ValueOfX(x) : static_cast<double>(x - p.left);
    const double yValue = (FlagsA() & kLinear) != 0 ? linearTop - (linearTop - linearBottom) * fraction : fraction * dbRange;
    char* text = onHover.fn(onHover.user, this, xValue, yValue);
    if (text == nullptr) {
        DropTooltip();
        hoverX_ = x, hoverY_ = y;
        return;
    }
    int sx = x, sy = y;
    ScreenPosition(sx, sy);
    if (tooltip_ == nullptr) {
        tooltip_ = new RC_GraphTooltip(this, sx, sy, text);
        tooltip_->Show(win::SW_SHOWNOACTIVATE);
    } else {
        tooltip_->SetCaption(text);
        tooltip_->FollowPointer(sx, sy);
    }
    RC_Free(text);
}

void RC_Graph::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    const bool rightDrags = (FlagsB() & kRightButtonDrags) != 0;
    if (kind == kRightDown) rightHeld_ = 1;
    if (kind == kRightUp) rightHeld_ = 0;
    const bool pressKind = kind == kLeftDown || (rightDrags && kind == kRightDown);
    const bool releaseKind = kind == kLeftUp || (rightDrags && kind == kRightUp);
    const bool held = (keys & win::MK_LBUTTON) != 0 || (rightDrags && (keys & win::MK_RBUTTON) != 0);
    std::unique_lock<RC_Lock> hold(lock_);
    if (kind == kMouseMove && !held) {
        target_ = HitTarget(x, y);
        DropTooltip();
        const auto& cursors = RC_GetSharedCursors();
        hold.unlock();
        if (target_ == kTargetNone) {
            RC_Window::MouseEvent(kind, keys, x, y); // the arrow
        } else if (target_ >= 0 || target_ == kTargetDivider) {
            SetCursorShape(cursors.resizeHorizontal.Handle());
        } else if (target_ <= kTargetPaletteStop0 && target_ > kTargetDivider) {
            SetCursorShape(cursors.hand.Handle());
        } else {
            SetCursorShape(cursors.resizeVertical.Handle());
        }
        return;
    }
    if (pressKind) {
        SetStateFlags(kCapture);
        if (target_ <= kTargetPaletteStop0 && target_ > kTargetDivider) {
            // With the interpolated palette only its two end stops exist to edit.
            int stop = kTargetPaletteStop0 - target_;
            if ((FlagsA() & kPaletteInterpolated) != 0) stop = stop < kPaletteStops / 2 ? 0 : kPaletteStops - 1;
            ClearStateFlags(kCapture);
            target_ = kTargetNone;
            hold.unlock();
            auto* picker = new RC_ColourPicker(this, &stops_[stop], true);
            picker->RunModal(); // closes itself
            RebuildPalette();
            return;
        }
        if (target_ != kTargetNone) {
            DragTo(x, y);
        } else {
            Hover(x, y, true);
        }
    } else if (kind == kMouseMove && held) {
        if (target_ != kTargetNone) {
            DragTo(x, y);
        } else {
            Hover(x, y, true);
        }
    } else if (releaseKind) {
        ClearStateFlags(kCapture);
        DropTooltip();
    }
    hold.unlock();
    if (kind >= kMiddleDown) RC_Window::MouseEvent(kind, keys, x, y);
}
