#include "platform/win/SurfaceStore.h"

#include <algorithm>

namespace plat::win {

std::shared_ptr<gdi::Bitmap> SurfaceStore::Ensure(Hwnd topLevel, Size size, bool* fresh) {
    std::lock_guard lock(mutex_);
    auto& surface = surfaces_[topLevel];
    const int w = std::max(size.cx, 1);
    const int h = std::max(size.cy, 1);
    const bool remake = !surface || surface->Width() != w || surface->Height() != h;
    if (remake) {
        std::shared_ptr<gdi::Bitmap> made = gdi::Bitmap::Create(w, h, 32);
        if (made) made->Clear(0xFFFFFF);
        surface = std::move(made);
    }
    if (fresh) *fresh = remake;
    return surface;
}

std::shared_ptr<gdi::Bitmap> SurfaceStore::Find(Hwnd topLevel) const {
    std::lock_guard lock(mutex_);
    auto it = surfaces_.find(topLevel);
    return it == surfaces_.end() ? nullptr : it->second;
}

void SurfaceStore::Drop(Hwnd topLevel) {
    std::lock_guard lock(mutex_);
    surfaces_.erase(topLevel);
}

} // namespace plat::win
