#include "platform/components/TComponent.h"

#include <algorithm>
#include <strings.h>

namespace plat::comp {
namespace {

void Erase(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    // Tell whoever watches us, then forget them (and make them forget us).
    const std::vector<TComponent*> watchers = watchers_;
    watchers_.clear();
    for (TComponent* w : watchers) {
        Erase(w->watchers_, this);
        w->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_) {
        if (strcasecmp(c->name_.c_str(), name.c_str()) == 0) return c;
    }
    return nullptr;
}

void TComponent::SetName(const std::string& name) { name_ = name; }

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->owner_ == this) return;
    if (component->owner_) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    for (TComponent* sibling : components_) {
        if (sibling != component) sibling->Notification(component, TOperation::opInsert);
    }
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->owner_ != this) return;
    Erase(components_, component);
    component->owner_ = nullptr;
    // Siblings may hold references to a component that is going away.
    if (component->destroying_) {
        const std::vector<TComponent*> siblings = components_;
        for (TComponent* sibling : siblings) {
            if (!sibling->destroying_) sibling->Notification(component, TOperation::opRemove);
        }
        if (!destroying_) Notification(component, TOperation::opRemove);
    }
}

void TComponent::DestroyComponents() {
    // A destructor may free other owned components too, so take the last one each time; each
    // leaves the list itself and tells the siblings still alive.
    while (!components_.empty()) delete components_.back();
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(watchers_.begin(), watchers_.end(), other) == watchers_.end())
        watchers_.push_back(other);
    if (std::find(other->watchers_.begin(), other->watchers_.end(), this) == other->watchers_.end())
        other->watchers_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    Erase(watchers_, other);
    Erase(other->watchers_, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

} // namespace plat::comp
