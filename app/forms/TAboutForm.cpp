#include "app/forms/TAboutForm.h"

#include <algorithm>

#include "app/controls/TmyImage.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TstPanel.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/ProgramVersion.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TButton.h"
#include "platform/components/TMenuItem.h"
#include "platform/win/InputApi.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr const char* kLegalNotice =
    "Copyright (C) Talvenor. All rights reserved.\n"
    "This program is protected by copyright law and international treaties.\n"
    "Unauthorised copying or distribution of it, or of any part of it, is prohibited.";
constexpr const char* kWebAddress = "www.talvenor.example";
constexpr int kPanelHeight = 180;

bool Held(TShiftState shift, TShiftState bit, std::uint32_t vk) {
    return (shift & bit) != 0 || plat::win::GetKeyState(vk) < 0;
}

} // namespace

std::string TAboutForm::VersionText(std::uint32_t versionMS, std::uint32_t versionLS) {
    return "Version " + std::to_string(versionMS >> 16) + "." + std::to_string(versionMS & 0xFFFFu) +
           std::to_string(versionLS >> 16);
}

TAboutForm::TAboutForm(TComponent* owner, TQ7form& main) : TForm(owner), main_(main) {
    SetCaption("About LX-Q712");
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(420, 230);
    SetColor(0x404040);
    SetKeyPreview(true);
    OnShow = [this](TObject* s) { FormShow(s); };
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState st) { FormKeyDown(s, k, st); };
    const auto drag = [this](TObject* s, TShiftState st, int x, int y) { DragMouseMove(s, st, x, y); };

    Panel1 = Place<TstPanel>(this, this, 0, 0, 420, 180);
    Panel1->SetColor(0x404040);
    Panel1->OnMouseMove = drag;
    Image1 = Place<TmyImage>(this, Panel1, 12, 12, 64, 64);
    Image1->OnMouseMove = drag;
    auto label = [this, &drag](int y, int h) {
        auto* l = Place<TmyLabel>(this, Panel1, 90, y, 320, h);
        l->SetAutoSize(false);
        l->SetWordWrap(true);
        l->Font().SetColor(clWhite);
        l->OnMouseMove = drag;
        return l;
    };
    VersionLabel = label(14, 18);
    ModelLabel = label(36, 18);
    LegalLabel = label(64, 60);
    LegalLabel->SetAutoSize(true); // its height, for the width it has
    WebLabel = label(140, 18);
    WebLabel->SetCaption(kWebAddress);
    WebLabel->Font().SetColor(clAqua);

    ButtonPanel = Place<TstPanel>(this, this, 0, 180, 420, 50);
    ButtonPanel->SetColor(0x404040);
    ButtonPanel->OnMouseMove = drag;
    OKButton = Place<TButton>(this, ButtonPanel, 0, 12, 80, 26);
    OKButton->SetCaption("OK");
    OKButton->SetModalResult(mrOk);
    OKButton->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState st, int x, int y) {
        OKButtonMouseUp(s, b, st, x, y);
    };
}

void TAboutForm::FormShow(TObject*) {
    ServiceMenuShown = main_.ServiceMode();
    OKButton->SetLeft((ButtonPanel->ClientWidth() - OKButton->Width()) / 2);
    // The program's own version stands in for the version resource of the program file.
    VersionLabel->SetCaption(VersionText((kProgramVersionMajor << 16) | kProgramVersionMinor,
                                         kProgramVersionRelease << 16));
    std::string model = "HW model " + main_.Q7->GetProductName() + ", Serial No. " + main_.Q7->GetSerialNum();
    if (main_.Q7->IsUSversion()) model += ", FCC restricted";
    ModelLabel->SetCaption(model);
    LegalLabel->SetCaption(kLegalNotice);
    // The legal notice takes as many lines as its width needs; the web address and the button
    // follow below it.
    const int webTop = LegalLabel->Top() + LegalLabel->Height() + 6;
    WebLabel->SetTop(webTop);
    const int panelHeight = std::max(kPanelHeight, webTop + WebLabel->Height() + 12);
    Panel1->SetHeight(panelHeight);
    ButtonPanel->SetTop(panelHeight);
    SetClientSize(ClientWidth(), panelHeight + ButtonPanel->Height());
}

void TAboutForm::OKButtonMouseUp(TObject*, TMouseButton, TShiftState shift, int, int) {
    if (!Held(shift, ss::Ctrl, plat::win::VK_CONTROL) || !Held(shift, ss::Alt, plat::win::VK_MENU)) return;
    ServiceMenuShown = !ServiceMenuShown;
    if (main_.Debug1) {
        main_.Debug1->SetEnabled(ServiceMenuShown);
        main_.Debug1->SetVisible(ServiceMenuShown);
    }
    main_.SetServiceMode(ServiceMenuShown);
}

void TAboutForm::DragMouseMove(TObject*, TShiftState shift, int x, int y) {
    if (shift & ss::Left) {
        SetBounds(Left() + x - lastX_, Top() + y - lastY_, Width(), Height());
        return;
    }
    lastX_ = x;
    lastY_ = y;
}

void TAboutForm::FormKeyDown(TObject*, std::uint16_t& key, TShiftState) {
    if (key != plat::win::VK_RETURN && key != plat::win::VK_ESCAPE) return;
    key = 0;
    OKButton->Click();
}

} // namespace lxq
