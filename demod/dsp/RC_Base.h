#pragma once
// Root of the plug-in's polymorphic objects that are not shared between threads.

class RC_Base {
public:
    RC_Base() = default;
    RC_Base(const RC_Base&) = delete;
    RC_Base& operator=(const RC_Base&) = delete;
    virtual ~RC_Base() = default;
};
