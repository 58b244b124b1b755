#pragma once
// An item of a menu: a caption (a lone "-" is a separator), check mark, shortcut, enabled and
// visible states, and the items below it. Items own their sub-items.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/components/Events.h"
#include "platform/components/TComponent.h"

namespace plat::comp {

// A shortcut: the virtual key in the low byte, modifier bits above.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;
    const char* ClassName() const override { return "TMenuItem"; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    bool IsLine() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    // A checked radio item unchecks the other radio items of its group index.
    void SetChecked(bool v);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool v) { radioItem_ = v; }
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int g) { groupIndex_ = g; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut s) { shortCut_ = s; }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    TMenuItem* Parent() const { return parent_; }
    // Takes the item into this one's list (and ownership).
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Takes an item out of the list without freeing it; the caller then owns it.
    void Remove(TMenuItem* item);
    // Frees every sub-item.
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    // The direct sub-item with this caption (accelerator marks ignored), or null.
    TMenuItem* Find(const std::string& caption) const;

    // Raises OnClick when enabled.
    virtual void Click();
    TNotifyEvent OnClick;

private:
    // A change a menu bar shows: a top-level item tells its main menu.
    void BarItemChanged();

    std::string caption_;
    bool checked_ = false;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    TShortCut shortCut_ = 0;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
};

} // namespace plat::comp
