#include "app/forms/TSplashForm.h"

#include "platform/components/TBitmap.h"
#include "platform/components/TLabel.h"

namespace lxq {

using namespace plat::comp;

TSplashForm* SplashForm = nullptr;

namespace {

constexpr int kLabelMargin = 5;

std::string AfterFirstLineFeed(const std::string& text) {
    const auto at = text.find('\n');
    return at == std::string::npos ? text : text.substr(at + 1);
}

} // namespace

TSplashForm::TSplashForm(TComponent* owner) : TForm(owner) {
    SetCaption("Talvenor Q745");
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetPosition(TPosition::poScreenCenter);
    SetClientSize(360, 120);
    SetColor(0x303030);
    label_ = new TLabel(this);
    label_->SetParent(this);
    label_->SetAutoSize(false);
    label_->SetWordWrap(true);
    label_->SetBounds(16, 40, 328, 60);
    label_->Font().SetColor(0xFFFFFF);
    SplashForm = this;
}

TSplashForm::~TSplashForm() {
    if (SplashForm == this) SplashForm = nullptr;
}

void TSplashForm::SetStatus(const std::string& text) {
    TBitmap measure(1, 1);
    measure.Canvas().Font().Assign(label_->Font());
    const int room = ClientWidth() - label_->Left() - kLabelMargin;
    std::string shown = text;
    // Each round drops four characters and adds three: it ends once nothing but "..." is left.
    while (measure.Canvas().TextWidth(AfterFirstLineFeed(shown)) > room && shown.size() > 3) {
        shown.erase(shown.size() >= 4 ? shown.size() - 4 : 0);
        shown += "...";
    }
    label_->SetCaption(shown);
    Update();
    label_->Repaint();
}

} // namespace lxq
