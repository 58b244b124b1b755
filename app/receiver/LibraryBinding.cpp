#include "app/receiver/LibraryBinding.h"

namespace lxq {

bool LibraryBinding::Load(std::string_view systemName) {
    Free();
    module_ = plat::sys::Module::Load(systemName);
    return module_ != nullptr;
}

void LibraryBinding::Free() {
    kept_.clear();
    module_.reset();
}

void* LibraryBinding::Find(const char* name) {
    if (!module_) return nullptr;
    auto it = kept_.find(name);
    if (it == kept_.end()) it = kept_.emplace(name, module_->Symbol(name)).first;
    return it->second;
}

void* LibraryBinding::FindNow(const char* name) const {
    return module_ ? module_->Symbol(name) : nullptr;
}

} // namespace lxq
