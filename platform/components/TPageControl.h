#pragma once
// A page control: tabs across the top and one page shown at a time below them. Clicking a tab
// (or setting ActivePage) asks OnChanging, shows that page and raises OnChange.

#include <functional>
#include <vector>

#include "platform/components/TCustomControl.h"

namespace plat::comp {

class TTabSheet;

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

class TPageControl : public TCustomControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    const char* ClassName() const override { return "TPageControl"; }

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    TTabSheet* ActivePage() const { return active_; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // The tab rectangles of the visible tabs, in client coordinates.
    std::vector<std::pair<TTabSheet*, TRect>> TabRects() const;
    int IndexOfTabAt(int x, int y) const;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    void Paint() override;
    void AdjustClientRect(TRect& rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    // Changes the page without asking, when allowed by the caller.
    void ShowPage(TTabSheet* page);

    std::vector<TTabSheet*> pages_;
    TTabSheet* active_ = nullptr;
};

} // namespace plat::comp
