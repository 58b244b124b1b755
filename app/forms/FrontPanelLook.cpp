#include "app/forms/FrontPanelLook.h"

#include "app/forms/PlaceControl.h"

namespace lxq {

TstSpeedButton* FrontPanelButton(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x,
                                 int y, int w, const char* caption, TSTButtonKind kind) {
    auto* b = Place<TstSpeedButton>(owner, parent, x, y, w, 24);
    b->SetColor(kFrontPanelColor);
    b->SetColorDown(kFrontDisplayColor);
    b->Font().SetColor(plat::comp::clWhite);
    b->SetFontColorDown(plat::comp::clYellow);
    // Left at the construction defaults, a disabled button would turn into a light face with
    // black text, which reads as the most active button on the dark panel.
    b->SetColorDisabled(kFrontPanelColor);
    b->SetFontColorDisabled(kFrontPanelDisabledText);
    if (caption) b->SetCaption(caption);
    else {
        b->SetKind(kind);
        b->SetKindPercent(60);
    }
    return b;
}

} // namespace lxq
