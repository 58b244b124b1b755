#pragma once
// A component: a node of an ownership tree. An owner frees the components it owns when it is
// freed itself, last created first; a component freed earlier leaves its owner's list. Owned
// components are always made with new and given their owner at construction.
//
// A component may also ask to hear of another's end (FreeNotification) so that it can drop a
// reference it holds; the owner's components hear of every sibling's end as well.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/components/TObject.h"

namespace plat::comp {

enum class TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    const char* ClassName() const override { return "TComponent"; }

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }
    // Owned component by name, compared without case; null when none has it.
    TComponent* FindComponent(const std::string& name) const;

    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name);
    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }
    // True from the start of the destructor on.
    bool Destroying() const { return destroying_; }

    // Moves a component to this owner (from its previous one).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Frees every owned component, last first.
    void DestroyComponents();

    // `other` will call Notification(this... ) when it goes away, and vice versa.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

protected:
    // Called when a component this one watches (or a sibling under the same owner) comes or goes.
    virtual void Notification(TComponent* component, TOperation operation);
    // Marks the start of destruction; derived destructors that must act before their members go
    // call it first so that notifications see the object as going.
    void BeginDestroy() { destroying_ = true; }

private:
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> watchers_;
    std::string name_;
    std::intptr_t tag_ = 0;
    bool destroying_ = false;
};

} // namespace plat::comp
