#include "app/forms/TAutostepForm.h"

#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/DialogParts.h"
#include "app/forms/RangeRow.h"
#include "app/forms/TNewStepForm.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMessageForm.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

namespace {
constexpr RangeColumns kColumns = {0, 100, 200, 300, 350, 420};
constexpr const char* kCaptions[] = {"Lower", "Upper", "Step", "Mode", "Squelch", "Description"};
} // namespace

TAutostepForm::TAutostepForm(TComponent* owner, TmyQ7& receiver) : TForm(owner) {
    RunModal = [](TForm& f) { return f.ShowModal(); };
    ShowMessageBox = [](const std::string& t, const std::string& c, std::uint32_t f) { return MessageBox(t, c, f); };
    SetCaption("Auto-stepping");
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(620, 290);
    SetKeyPreview(true);
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        PlaceLabel(this, this, 8 + kColumns[i], 8, 90, kCaptions[i]);
    }
    stListBox1 = PlaceRowList(this, this, 8, 26, 604, 220, 16);
    stListBox1->OnDrawItem = [this](TWinControl* c, int i, TRect r, TOwnerDrawState s) { stListBox1DrawItem(c, i, r, s); };
    stListBox1->OnDblClick = [this](TObject* s) { EditButtonClick(s); };
    auto button = [this](int x, const char* caption) { return PlaceButton(this, this, x, 256, 70, caption); };
    NewButton = button(8, "New");
    DeleteButton = button(84, "Delete");
    EditButton = button(160, "Edit");
    CloseButton = button(542, "Close");
    NewButton->OnClick = [this](TObject* s) { NewButtonClick(s); };
    DeleteButton->OnClick = [this](TObject* s) { DeleteButtonClick(s); };
    EditButton->OnClick = [this](TObject* s) { EditButtonClick(s); };
    CloseButton->OnClick = [this](TObject* s) { CloseButtonClick(s); };
    OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState) {
        if (key == plat::win::VK_ESCAPE) CloseButtonClick(CloseButton);
        else if (key == plat::win::VK_RETURN) EditButtonClick(EditButton);
        else return;
        key = 0;
    };
    NewStepForm = new TNewStepForm(this, receiver);
}

void TAutostepForm::SetList(AutoStepList* list) {
    list_ = list;
    stListBox1->SetLength(list_ ? static_cast<int>(list_->size()) : 0);
}

void TAutostepForm::Edit(AutoStepList& list) {
    SetList(&list);
    SetModalResult(mrNone);
    RunModal(*this);
}

void TAutostepForm::NewButtonClick(TObject*) {
    if (!list_) return;
    NewStepForm->EditStep(*list_, static_cast<int>(list_->size()));
    stListBox1->SetLength(static_cast<int>(list_->size()));
    stListBox1->Invalidate();
}

void TAutostepForm::EditButtonClick(TObject*) {
    const int i = stListBox1->ItemIndex();
    if (!list_ || i < 0 || i >= static_cast<int>(list_->size())) return;
    NewStepForm->EditStep(*list_, i);
    stListBox1->SetLength(static_cast<int>(list_->size()));
    stListBox1->Invalidate();
}

void TAutostepForm::DeleteButtonClick(TObject*) {
    const int i = stListBox1->ItemIndex();
    if (!list_ || i < 0 || i >= static_cast<int>(list_->size())) return;
    if (ShowMessageBox("Remove autostep entry ?", "Talvenor Q745", MB_ICONQUESTION | MB_YESNO | MB_TOPMOST) != IDYES)
        return;
    list_->erase(list_->begin() + i);
    stListBox1->SetLength(static_cast<int>(list_->size()));
}

void TAutostepForm::CloseButtonClick(TObject*) {
    if (ModalResult() == mrNone) SetModalResult(mrCancel);
    Close();
}

void TAutostepForm::stListBox1DrawItem(TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    if (!list_ || index < 0 || index >= static_cast<int>(list_->size())) return;
    DrawRangeRow(stListBox1->Canvas(), rect, (*list_)[static_cast<std::size_t>(index)], (state & od::Selected) != 0,
                 kColumns, stListBox1->ClientWidth() - 2);
}

} // namespace lxq
