#include "platform/components/TTabSheet.h"

#include "platform/components/TPageControl.h"

namespace plat::comp {

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(ControlStyle() | cs::AcceptsControls);
    SetParentColor(true);
}

TTabSheet::~TTabSheet() {
    BeginDestroy();
    if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* control) {
    if (control == pageControl_) return;
    if (pageControl_) pageControl_->RemovePage(this);
    if (control) control->InsertPage(this);
}

void TTabSheet::SetTabVisible(bool v) {
    if (v == tabVisible_) return;
    tabVisible_ = v;
    if (pageControl_) pageControl_->Invalidate();
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    for (int i = 0; i < pageControl_->PageCount(); ++i)
        if (pageControl_->Pages(i) == this) return i;
    return -1;
}

} // namespace plat::comp
