#include "app/forms/TOpenForm.h"

#include <algorithm>
#include <cstring>

#include "app/controls/FloatText.h"
#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "platform/components/TLabel.h"
#include "platform/win/InputApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr TColor kSelectedColor = 6513507; // 0x636363

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N)); // a record from elsewhere may lack its terminator
}

} // namespace

TOpenForm::TOpenForm(TComponent* owner) : TForm(owner) {
    SetCaption("Select radio to open");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(330, 200);
    SetKeyPreview(true);

    stListBox1 = new TstListBox(this);
    stListBox1->SetParent(this);
    stListBox1->SetBounds(10, 10, 120, 180);
    stListBox1->SetStyle(TListBoxStyle::lbVirtualOwnerDraw);
    stListBox1->OnDrawItem = [this](TWinControl* c, int i, TRect r, TOwnerDrawState s) {
        stListBox1DrawItem(c, i, r, s);
    };
    stListBox1->OnClick = [this](TObject* s) { stListBox1Click(s); };
    stListBox1->OnDblClick = [this](TObject* s) { stSpeedButton1Click(s); };

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetAutoSize(false);
    Label1->SetBounds(140, 10, 180, 100);

    stSpeedButton1 = new TstSpeedButton(this);
    stSpeedButton1->SetParent(this);
    stSpeedButton1->SetBounds(140, 160, 85, 28);
    stSpeedButton1->SetCaption("Select");
    stSpeedButton1->OnClick = [this](TObject* s) { stSpeedButton1Click(s); };
    stSpeedButton3 = new TstSpeedButton(this);
    stSpeedButton3->SetParent(this);
    stSpeedButton3->SetBounds(235, 160, 85, 28);
    stSpeedButton3->SetCaption("Exit");
    stSpeedButton3->OnClick = [this](TObject* s) { stSpeedButton3Click(s); };

    OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState) {
        if (key == plat::win::VK_ESCAPE) stSpeedButton3->Click();
        else if (key == plat::win::VK_RETURN) stSpeedButton1->Click();
        else return;
        key = 0;
    };
    RunModal = [](TOpenForm& f) { return f.ShowModal(); };
}

int TOpenForm::Choose(const RADIO_INFO* infos, int count) {
    infos_ = infos;
    count_ = infos ? std::max(count, 0) : 0;
    stListBox1->SetLength(count_);
    if (count_ >= 1) {
        stListBox1->SetItemIndex(0);
        stListBox1Click(stListBox1);
    }
    const TModalResult result = RunModal(*this);
    const int index = stListBox1->ItemIndex();
    return result == mrOk && ValidIndex(index) ? index : -1;
}

void TOpenForm::stSpeedButton1Click(TObject*) {
    if (ValidIndex(stListBox1->ItemIndex())) SetModalResult(mrOk);
}

void TOpenForm::stSpeedButton3Click(TObject*) { SetModalResult(mrCancel); }

void TOpenForm::stListBox1Click(TObject*) {
    const int index = stListBox1->ItemIndex();
    if (!ValidIndex(index)) return;
    const RADIO_INFO& info = infos_[index];
    Label1->SetCaption("Product name: " + FieldText(info.model) + "\nMin freq: " + Freq2str(info.minFrequency) +
                       "\nMax freq: " + Freq2str(info.maxFrequency));
}

void TOpenForm::stListBox1DrawItem(TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    TCanvas& canvas = stListBox1->Canvas();
    canvas.Brush().SetColor((state & od::Selected) ? kSelectedColor : stListBox1->Color());
    canvas.FillRect(rect);
    if (ValidIndex(index)) canvas.TextOut(rect.left, rect.top, FieldText(infos_[index].serial));
}

} // namespace lxq
