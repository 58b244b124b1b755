#pragma once
// What the pen, brush and font records share: a description, the shared drawing object taken for
// it from the kind's cache, and the change callback. Storing a different description lets the
// shared object go (telling the owner first, so it selects the stock object back); the next
// GetHandle takes the object for the new description.

#include "demod/ui/toolkit/RC_DrawCallback.h"
#include "demod/ui/toolkit/RC_DrawObjectCache.h"

#include <cstring>

template <typename D, typename Object>
class RC_DrawRecord {
public:
    using Cache = RC_DrawObjectCache<D, Object>;

    RC_DrawRecord(const RC_DrawRecord&) = delete;
    RC_DrawRecord& operator=(const RC_DrawRecord&) = delete;

    const Object* GetHandle() {
        if (handle_ == nullptr) handle_ = cache_.Acquire(desc_, make_);
        return handle_;
    }
    void Release() {
        cache_.Release(handle_);
        handle_ = nullptr;
    }
    bool HoldsHandle() const { return handle_ != nullptr; }
    void SetChangeCallback(RC_DrawCallback callback) { callback_ = callback; }
    const D& Desc() const { return desc_; }

protected:
    RC_DrawRecord(Cache& cache, typename Cache::Factory make, const D& initial)
        : cache_(cache), make_(make), desc_(initial) {}
    ~RC_DrawRecord() { Release(); }

    // The same description byte for byte changes nothing.
    void Store(const D& next) {
        if (std::memcmp(&next, &desc_, sizeof(D)) == 0) return;
        desc_ = next;
        if (handle_ == nullptr) return;
        callback_(this);
        Release();
    }

private:
    Cache& cache_;
    typename Cache::Factory make_;
    D desc_;
    const Object* handle_ = nullptr;
    RC_DrawCallback callback_;
};
