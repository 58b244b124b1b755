#pragma once
// The save-file dialog component: as the open dialog, titled for saving; with the overwrite
// prompt option an existing file must be confirmed.

#include "platform/components/TOpenDialog.h"

namespace plat::comp {

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
    const char* ClassName() const override { return "TSaveDialog"; }

protected:
    const char* DefaultTitle() const override { return "Save As"; }
};

} // namespace plat::comp
