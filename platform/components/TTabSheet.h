#pragma once
// A page of a page control: a container whose caption is its tab.

#include "platform/components/TWinControl.h"

namespace plat::comp {

class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    const char* ClassName() const override { return "TTabSheet"; }

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* control);
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool v);
    int PageIndex() const;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
};

} // namespace plat::comp
