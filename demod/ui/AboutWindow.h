#pragma once
// The plug-in's about box: name and version over the toolkit's background, closed with "OK".

#include "demod/ui/toolkit/RC_Popup.h"

#include <memory>

class AboutWindow : public RC_Popup {
public:
    explicit AboutWindow(RC_Window* owner);
    ~AboutWindow() override;

    RC_Button* OkButton() const { return ok_; }
    void PaintContent() override;

private:
    static void OkPressed(void* user, RC_Window* button);
    RC_Button* ok_;
    std::unique_ptr<RC_Image> badge_;
};
