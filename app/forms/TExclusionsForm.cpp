#include "app/forms/TExclusionsForm.h"

#include <utility>

#include "app/controls/FloatText.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstListBox.h"
#include "app/controls/ColorShadow.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/DialogParts.h"
#include "app/forms/ShortText.h"
#include "app/forms/TExclusionForm.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMessageForm.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

namespace {
constexpr TColor kSelectedColor = 6513507; // grey: 99, 99, 99
constexpr std::int64_t kNewFrom = 1'000'000;
constexpr std::int64_t kNewTo = 2'000'000;
} // namespace

void SortExclusions(std::vector<TExclusionRecord>& list) {
    // Passes of neighbour exchanges until one swaps nothing: equal edges keep their order.
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::size_t i = 1; i < list.size(); ++i)
            if (list[i - 1].from > list[i].from) {
                std::swap(list[i - 1], list[i]);
                swapped = true;
            }
    }
}

TExclusionsForm::TExclusionsForm(TComponent* owner) : TForm(owner) {
    RunModal = [](TForm& f) { return f.ShowModal(); };
    ShowMessageBox = [](const std::string& t, const std::string& c, std::uint32_t f) { return MessageBox(t, c, f); };
    SetCaption("Exclusions");
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(320, 300);
    SetKeyPreview(true);
    fromLabel_ = PlaceLabel(this, this, 8, 8, 150, "From");
    toLabel_ = PlaceLabel(this, this, 160, 8, 150, "To");
    stListBox1 = PlaceRowList(this, this, 8, 26, 304, 180, 16);
    stListBox1->OnDrawItem = [this](TWinControl* c, int i, TRect r, TOwnerDrawState s) { stListBox1DrawItem(c, i, r, s); };
    stListBox1->OnDblClick = [this](TObject* s) { stSpeedButton3Click(s); };
    stListBox1->OnResize = [this](TObject*) { Resized(); };

    auto button = [this](int x, int y, int w, const char* caption) { return PlaceButton(this, this, x, y, w, caption); };
    stSpeedButton1 = button(8, 214, 70, "Add");
    stSpeedButton2 = button(84, 214, 70, "Remove");
    stSpeedButton3 = button(160, 214, 70, "Edit");
    stSpeedButton4 = button(242, 268, 70, "Close");
    stSpeedButton6 = button(8, 244, 24, "");
    stSpeedButton6->SetGroupIndex(6);
    stSpeedButton6->SetAllowAllUp(true);
    // Without a caption only the face tells the switch is on: a latched face is a shade darker.
    stSpeedButton6->SetColorDown(GetColorShadow(stSpeedButton6->Color(), 100, -1, 1));
    PlaceLabel(this, this, 38, 248, 200, "Enable excluding while scanning");
    stSpeedButton1->OnClick = [this](TObject* s) { stSpeedButton1Click(s); };
    stSpeedButton2->OnClick = [this](TObject* s) { stSpeedButton2Click(s); };
    stSpeedButton3->OnClick = [this](TObject* s) { stSpeedButton3Click(s); };
    stSpeedButton4->OnClick = [this](TObject* s) { stSpeedButton4Click(s); };
    OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState) {
        if (key != plat::win::VK_ESCAPE) return;
        stSpeedButton4Click(stSpeedButton4);
        key = 0;
    };
    ExclusionForm = new TExclusionForm(this);
}

void TExclusionsForm::SetList(std::vector<TExclusionRecord>* list) {
    list_ = list;
    stListBox1->SetLength(list_ ? static_cast<int>(list_->size()) : 0);
}

void TExclusionsForm::stSpeedButton1Click(TObject*) {
    if (!list_) return;
    ExclusionForm->FromEdit->SetValue(kNewFrom);
    ExclusionForm->ToEdit->SetValue(kNewTo);
    if (RunModal(*ExclusionForm) != mrOk) return;
    TExclusionRecord r{};
    r.from = static_cast<std::uint64_t>(ExclusionForm->FromEdit->Value());
    r.to = static_cast<std::uint64_t>(ExclusionForm->ToEdit->Value());
    list_->push_back(r);
    stListBox1->SetLength(static_cast<int>(list_->size()));
    SortExclusions(*list_);
    stListBox1->Invalidate();
}

void TExclusionsForm::stSpeedButton3Click(TObject*) {
    const int i = stListBox1->ItemIndex();
    if (!list_ || i < 0 || i >= static_cast<int>(list_->size())) return;
    TExclusionRecord& r = (*list_)[static_cast<std::size_t>(i)];
    ExclusionForm->FromEdit->SetValue(static_cast<std::int64_t>(r.from));
    ExclusionForm->ToEdit->SetValue(static_cast<std::int64_t>(r.to));
    if (RunModal(*ExclusionForm) != mrOk) return;
    r.from = static_cast<std::uint64_t>(ExclusionForm->FromEdit->Value());
    r.to = static_cast<std::uint64_t>(ExclusionForm->ToEdit->Value());
    SortExclusions(*list_);
    stListBox1->Invalidate();
}

void TExclusionsForm::stSpeedButton2Click(TObject*) {
    const int i = stListBox1->ItemIndex();
    if (!list_ || i < 0 || i >= static_cast<int>(list_->size())) return;
    if (ShowMessageBox("Remove the selected exclusion ?", "Remove exclusion",
                       MB_ICONQUESTION | MB_YESNO | MB_TOPMOST) != IDYES)
        return;
    list_->erase(list_->begin() + i);
    stListBox1->SetLength(static_cast<int>(list_->size()));
    stListBox1->Invalidate();
}

void TExclusionsForm::stSpeedButton4Click(TObject*) {
    if (ModalResult() == mrNone) SetModalResult(mrCancel);
    Close();
}

void TExclusionsForm::stListBox1DrawItem(TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    if (!list_ || index < 0 || index >= static_cast<int>(list_->size())) return;
    TCanvas& c = stListBox1->Canvas();
    c.Brush().SetColor((state & od::Selected) ? kSelectedColor : stListBox1->Color());
    c.FillRect(rect);
    const int half = stListBox1->ClientWidth() / 2;
    const TExclusionRecord& r = (*list_)[static_cast<std::size_t>(index)];
    const auto fit = [&](std::int64_t hz) {
        return ShortenText(Freq2str(hz), [&](const std::string& t) { return c.TextWidth(t) >= half; });
    };
    c.TextOut(rect.left, rect.top, fit(static_cast<std::int64_t>(r.from)));
    c.TextOut(rect.left + half, rect.top, fit(static_cast<std::int64_t>(r.to)));
}

void TExclusionsForm::Resized() {
    const int half = stListBox1->Width() / 2;
    fromLabel_->SetBounds(stListBox1->Left(), fromLabel_->Top(), half, fromLabel_->Height());
    toLabel_->SetBounds(stListBox1->Left() + half, toLabel_->Top(), half, toLabel_->Height());
    stListBox1->Invalidate();
}

} // namespace lxq
