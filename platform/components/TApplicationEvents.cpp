#include "platform/components/TApplicationEvents.h"

#include <algorithm>

namespace plat::comp {

TApplicationEvents::TApplicationEvents(TComponent* owner) : TComponent(owner) {
    Application().listeners_.push_back(this);
}

TApplicationEvents::~TApplicationEvents() { std::erase(Application().listeners_, this); }

} // namespace plat::comp
