#pragma once
// Base of the font, pen and brush objects: a value that tells its user when it changes, so a
// control repaints when its font is changed through the object.

#include "platform/components/Events.h"

namespace plat::comp {

class TGraphicsObject : public TObject {
public:
    TNotifyEvent OnChange;

protected:
    void Changed() {
        if (OnChange) OnChange(this);
    }
};

} // namespace plat::comp
