#include "platform/components/TMenuItem.h"
#include "platform/components/TMainMenu.h"

#include <algorithm>

#include "platform/components/Frames.h"

namespace plat::comp {

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    BeginDestroy();
    Clear();
    if (parent_) std::erase(parent_->items_, this);
}

void TMenuItem::SetChecked(bool v) {
    if (v == checked_) return;
    checked_ = v;
    if (v && radioItem_ && parent_) {
        for (TMenuItem* sibling : parent_->items_) {
            if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_)
                sibling->checked_ = false;
        }
    }
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item || item == this) return;
    if (item->parent_) item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    InsertComponent(item);
}

void TMenuItem::Remove(TMenuItem* item) {
    if (!item || item->parent_ != this) return;
    std::erase(items_, item);
    item->parent_ = nullptr;
    RemoveComponent(item);
}

void TMenuItem::Clear() {
    while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
    const std::string wanted = StripAccelerator(caption);
    for (TMenuItem* item : items_) {
        if (StripAccelerator(item->caption_) == wanted) return item;
    }
    return nullptr;
}

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

void TMenuItem::SetCaption(const std::string& c) {
    if (c == caption_) return;
    caption_ = c;
    BarItemChanged();
}

void TMenuItem::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    BarItemChanged();
}

void TMenuItem::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    BarItemChanged();
}

void TMenuItem::BarItemChanged() {
    if (!parent_ || parent_->parent_) return;
    if (auto* menu = dynamic_cast<TMainMenu*>(parent_->Owner())) menu->Changed();
}

} // namespace plat::comp
