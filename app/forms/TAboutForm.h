#pragma once
// "About LX-Q712": the program's version and the receiver's identity. Ctrl+Alt held while the
// mouse lets go of "OK" switches the service menu on or off. The box has no caption bar: it is
// dragged by its panels, image and labels.

#include <cstdint>
#include <string>

#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
} // namespace plat::comp

namespace lxq {

class TQ7form;
class TmyImage;
class TmyLabel;
class TstPanel;

class TAboutForm : public plat::comp::TForm {
public:
    TAboutForm(plat::comp::TComponent* owner, TQ7form& main);
    const char* ClassName() const override { return "TAboutForm"; }

    // "Version 1.23" for file version 1.2.3.x: major and minor from the most significant word,
    // the release from the high half of the least significant one, written after the minor.
    static std::string VersionText(std::uint32_t versionMS, std::uint32_t versionLS);

    bool ServiceMenuShown = false;

    TstPanel* Panel1 = nullptr;     // the texts
    TstPanel* ButtonPanel = nullptr;
    TmyImage* Image1 = nullptr;
    TmyLabel* VersionLabel = nullptr;
    TmyLabel* ModelLabel = nullptr;
    TmyLabel* LegalLabel = nullptr;
    TmyLabel* WebLabel = nullptr;
    plat::comp::TButton* OKButton = nullptr;

    void FormShow(plat::comp::TObject* sender);
    void OKButtonMouseUp(plat::comp::TObject* sender, plat::comp::TMouseButton button,
                         plat::comp::TShiftState shift, int x, int y);
    // Drags the box: a move with the left button held moves it by the travel since the last
    // move without the button.
    void DragMouseMove(plat::comp::TObject* sender, plat::comp::TShiftState shift, int x, int y);
    void FormKeyDown(plat::comp::TObject* sender, std::uint16_t& key, plat::comp::TShiftState shift);

private:
    TQ7form& main_;
    int lastX_ = 0;
    int lastY_ = 0;
};

} // namespace lxq
