#pragma once
// The pixels of each top-level window: one 32-bit surface the size of the window, into which the
// window and all its child windows paint. The screen is composed from these surfaces.

#include <map>
#include <memory>
#include <mutex>

#include "platform/gdi/Bitmap.h"
#include "platform/win/Types.h"

namespace plat::win {

class SurfaceStore {
public:
    // The surface of a top-level window, made or remade when the size differs; `fresh` tells
    // that its pixels are new (the window must be painted whole).
    std::shared_ptr<gdi::Bitmap> Ensure(Hwnd topLevel, Size size, bool* fresh = nullptr);
    // The surface as it is, or null.
    std::shared_ptr<gdi::Bitmap> Find(Hwnd topLevel) const;
    void Drop(Hwnd topLevel);

private:
    mutable std::mutex mutex_;
    std::map<Hwnd, std::shared_ptr<gdi::Bitmap>> surfaces_;
};

} // namespace plat::win
