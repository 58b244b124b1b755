#pragma once
// A library loaded by its system name whose exports are looked up by name on first use and kept.
// The kept addresses belong to this loading: freeing the library forgets them, so a library that
// is loaded again (possibly at another address) is looked up afresh.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/sys/Module.h"

namespace lxq {

class LibraryBinding {
public:
    // Loads the library (freeing any previous one); false when it cannot be loaded.
    bool Load(std::string_view systemName);
    void Free();
    bool Loaded() const { return module_ != nullptr; }

    // The export's address, null when the library is not loaded or lacks it.
    void* Find(const char* name);
    // The same without keeping the answer (for exports looked up at every use).
    void* FindNow(const char* name) const;

    template <typename F>
    F* Get(const char* name) {
        return reinterpret_cast<F*>(Find(name));
    }

private:
    std::unique_ptr<plat::sys::Module> module_;
    std::unordered_map<std::string, void*> kept_;
};

} // namespace lxq
