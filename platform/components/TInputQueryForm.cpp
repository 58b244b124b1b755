#include "platform/components/TInputQueryForm.h"

#include <algorithm>
#include <memory>

#include "platform/components/TButton.h"
#include "platform/components/TEdit.h"
#include "platform/components/TLabel.h"

namespace plat::comp {

TInputQueryForm::TInputQueryForm(TComponent* owner, const std::string& caption,
                                 const std::string& prompt, const std::string& value)
    : TForm(owner) {
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetCaption(caption);
    auto* label = new TLabel(this);
    label->SetCaption(prompt);
    label->SetParent(this);
    label->SetBounds(8, 8, label->Width(), label->Height());
    const int width = std::max(260, label->Width() + 16);
    edit_ = new TEdit(this);
    edit_->SetParent(this);
    edit_->SetBounds(8, label->Top() + label->Height() + 6, width - 16, 21);
    edit_->SetText(value);
    edit_->SelectAll();
    const int top = edit_->Top() + edit_->Height() + 12;
    auto* ok = new TButton(this);
    ok->SetCaption("OK");
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    ok->SetParent(this);
    ok->SetBounds(width / 2 - 79, top, 75, 23);
    auto* cancel = new TButton(this);
    cancel->SetCaption("Cancel");
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    cancel->SetParent(this);
    cancel->SetBounds(width / 2 + 4, top, 75, 23);
    SetClientSize(width, top + 23 + 8);
    SetActiveControl(edit_);
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
    auto form = std::make_unique<TInputQueryForm>(nullptr, caption, prompt, value);
    if (form->ShowModal() != mrOk) return false;
    value = form->Edit().Text();
    return true;
}

std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultValue) {
    std::string value = defaultValue;
    InputQuery(caption, prompt, value);
    return value;
}

} // namespace plat::comp
