#pragma once
// The change callback of a pen, brush or font record: {function, user pointer}, called with the
// user pointer and the record whose shared object was just let go.

struct RC_DrawCallback {
    void (*fn)(void* user, void* record) = nullptr;
    void* user = nullptr;
    void operator()(void* record) const {
        if (fn != nullptr) fn(user, record);
    }
};
