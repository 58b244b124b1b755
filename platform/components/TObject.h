#pragma once
// The root of every class of the library: what an event's sender is, and what a program can ask
// of any object (its class name, whether it is of a kind).

namespace plat::comp {

class TObject {
public:
    virtual ~TObject() = default;
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    virtual const char* ClassName() const { return "TObject"; }
    template <typename T>
    bool Is() const { return dynamic_cast<const T*>(this) != nullptr; }
};

} // namespace plat::comp
