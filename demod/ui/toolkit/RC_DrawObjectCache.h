#pragma once
// One process-wide cache per kind of drawing object: equal descriptions share one object, counted
// by use, so that a hundred controls with the same font hold one resolved face. Every search,
// insertion and removal runs under the cache's own mutex, since painting may be started from the
// audio thread's invalidations as well as from the user-interface thread.

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

template <typename Desc, typename Object>
class RC_DrawObjectCache {
public:
    using Factory = Object (*)(const Desc& desc);

    // The shared object for the description, created on first use.
    const Object* Acquire(const Desc& desc, Factory make) {
        std::lock_guard<std::mutex> hold(mutex_);
        for (Entry& e : entries_) {
            if (std::memcmp(&e.desc, &desc, sizeof(Desc)) == 0) {
                ++e.uses;
                return e.object.get();
            }
        }
        entries_.push_back(Entry{1, std::make_unique<Object>(make(desc)), desc});
        return entries_.back().object.get();
    }

    // Lowers the use count of the entry holding the object; the last user deletes it.
    void Release(const Object* object) {
        if (object == nullptr) return;
        std::lock_guard<std::mutex> hold(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->object.get() != object) continue;
            if (--it->uses == 0) entries_.erase(it);
            return;
        }
    }

    std::size_t EntryCount() const {
        std::lock_guard<std::mutex> hold(mutex_);
        return entries_.size();
    }
    std::uint32_t UseCount(const Object* object) const {
        std::lock_guard<std::mutex> hold(mutex_);
        for (const Entry& e : entries_) {
            if (e.object.get() == object) return e.uses;
        }
        return 0;
    }

private:
    struct Entry {
        std::uint32_t uses;
        std::unique_ptr<Object> object; // stays put while entries move
        Desc desc;
    };
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};
