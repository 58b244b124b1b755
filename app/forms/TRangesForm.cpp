#include "app/forms/TRangesForm.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/controls/FloatText.h"
#include "app/controls/TstIntEdit.h"
#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/DialogParts.h"
#include "app/forms/ModeNames.h"
#include "app/forms/ShortText.h"
#include "app/forms/TNewRangeForm.h"
#include "app/forms/SquelchControls.h"
#include "app/receiver/SquelchSettings.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMessageForm.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr TColor kSelectedRow = 0x636363; // 99, 99, 99
constexpr TColor kRow = 0x404040;         // 64, 64, 64
constexpr int kRowHeight = 16;
struct Column {
    int left;
    const char* caption;
};
constexpr Column kColumns[] = {{20, "Lower"}, {120, "Upper"}, {220, "Step"}, {320, "Mode"}, {350, "Squelch"},
                               {420, "Description"}};

} // namespace

std::string RangeSquelchText(const TRangeRecord& r) {
    const auto types = static_cast<std::uint32_t>(r.activeSquelch);
    const std::string level = (types & kSquelchLevel) ? std::to_string(r.levelSquelch) : std::string();
    std::string second;
    if (types & kSquelchNoise) second = "N" + std::to_string(r.noiseSquelch);
    else if (types & kSquelchVoice) second = "V" + std::to_string(r.voiceSquelch);
    else if (types & kSquelchCtcss) second = "C" + CtcssText(r.ctcss);
    else if (types & kSquelchDcs) second = "D" + DcsText(r.dcs < 0 ? -r.dcs : r.dcs, r.dcs < 0);
    if (!level.empty() && !second.empty()) return level + "/" + second;
    if (!level.empty()) return level;
    if (!second.empty()) return second;
    return "none";
}

TRangesForm::TRangesForm(TComponent* owner, const TQ7Facilities& facilities) : TForm(owner) {
    NewRangeForm = new TNewRangeForm(this, facilities);
    ShowMessageBox = [](const std::string& t, const std::string& c, std::uint32_t f) { return MessageBox(t, c, f); };
    SetCaption("Scan ranges");
    SetClientSize(620, 330);
    SetKeyPreview(true);
    for (const Column& c : kColumns) {
        auto* l = PlaceOn<TLabel>(this, this, 8 + c.left, 8, 90, 16);
        l->SetCaption(c.caption);
    }
    stListBox1 = PlaceOn<TstListBox>(this, this, 8, 26, 604, 200);
    stListBox1->SetStyle(TListBoxStyle::lbVirtual);
    stListBox1->SetItemHeight(kRowHeight);
    stListBox1->OnDrawItem = [this](TWinControl* c, int i, TRect r, TOwnerDrawState s) { stListBox1DrawItem(c, i, r, s); };
    stListBox1->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int) { stListBox1MouseDown(x); };
    stListBox1->OnClick = [this](TObject* s) { stListBox1Click(s); };
    stListBox1->OnDblClick = [this](TObject* s) {
        if (lastPressX_ >= kRowHeight) EditButtonClick(s);
    };

    auto button = [this](int x, int y, int w, const char* caption) {
        auto* b = PlaceOn<TstSpeedButton>(this, this, x, y, w, 24);
        b->SetCaption(caption);
        return b;
    };
    NewButton = button(8, 234, 70, "New");
    DeleteButton = button(84, 234, 70, "Delete");
    EditButton = button(160, 234, 70, "Edit");
    CloseButton = button(542, 298, 70, "Close");
    AutoStoreButton = button(8, 268, 90, "Auto store");
    AutoStoreButton->SetGroupIndex(3);
    AutoStoreButton->SetAllowAllUp(true);
    auto edit = [this](int x, const char* caption, int min, int max, int value) {
        auto* l = PlaceOn<TLabel>(this, this, x, 272, 80, 16);
        l->SetCaption(caption);
        auto* e = PlaceOn<TstIntEdit>(this, this, x + 82, 268, 70, 22);
        e->SetMin(min);
        e->SetMax(max);
        e->SetValue(value);
        e->SetEnabled(false);
        return e;
    };
    WriteFromEdit = edit(106, "Write from", 1, 1'000'000, 900);
    WriteToEdit = edit(266, "to", 1, 1'000'000, 999);
    GroupNumberEdit = edit(426, "Group number", 1, 16, 16);
    GroupNumberEdit->SetUndefValue(0);
    GroupNumberEdit->SetUndefValueText("none");
    GroupNumberEdit->SetDisplayUndefValueText(true);

    NewButton->OnClick = [this](TObject* s) { NewButtonClick(s); };
    DeleteButton->OnClick = [this](TObject* s) { DeleteButtonClick(s); };
    EditButton->OnClick = [this](TObject* s) { EditButtonClick(s); };
    CloseButton->OnClick = [this](TObject* s) { CloseButtonClick(s); };
    AutoStoreButton->OnClick = [this](TObject* s) { AutoStoreButtonClick(s); };
    OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState) {
        if (key == plat::win::VK_ESCAPE) CloseButtonClick(CloseButton);
        else if (key == plat::win::VK_RETURN) EditButtonClick(EditButton);
        else return;
        key = 0;
    };
}

void TRangesForm::LoadRanges(const std::string& dataFolder, const std::string& programFolder) {
    namespace fs = std::filesystem;
    std::string path = dataFolder + kRangesFileName;
    if (!fs::exists(path)) path = (fs::path(programFolder) / kRangesFileName).string();
    ranges_ = ReadRangesFile(path);
    stListBox1->SetLength(static_cast<int>(ranges_.size()));
}

bool TRangesForm::SaveRanges(const std::string& dataFolder) {
    return WriteRangesFile(dataFolder + kRangesFileName, ranges_);
}

bool TRangesForm::AutoStore() const { return AutoStoreButton->Down(); }
std::int32_t TRangesForm::WriteFrom() const { return WriteFromEdit->Value(); }
std::int32_t TRangesForm::WriteTo() const { return WriteToEdit->Value(); }
std::int32_t TRangesForm::GroupNumber() const { return GroupNumberEdit->Value(); }

void TRangesForm::AutoStoreButtonClick(TObject*) {
    for (TstIntEdit* e : {WriteFromEdit, WriteToEdit, GroupNumberEdit}) e->SetEnabled(AutoStore());
}

void TRangesForm::NewButtonClick(TObject*) {
    NewRangeForm->EditRange(ranges_, static_cast<int>(ranges_.size()));
    stListBox1->SetLength(static_cast<int>(ranges_.size()));
    stListBox1->Invalidate();
}

void TRangesForm::EditButtonClick(TObject*) {
    const int i = stListBox1->ItemIndex();
    if (i < 0 || i >= static_cast<int>(ranges_.size())) return;
    NewRangeForm->EditRange(ranges_, i);
    stListBox1->SetLength(static_cast<int>(ranges_.size()));
    stListBox1->Invalidate();
}

void TRangesForm::DeleteButtonClick(TObject*) {
    const int i = stListBox1->ItemIndex();
    if (i < 0 || i >= static_cast<int>(ranges_.size())) return;
    if (ShowMessageBox("Remove range ?", "Talvenor Q745", MB_ICONQUESTION | MB_YESNO | MB_TOPMOST) != IDYES)
        return;
    ranges_.erase(ranges_.begin() + i);
    stListBox1->SetLength(static_cast<int>(ranges_.size()));
}

void TRangesForm::CloseButtonClick(TObject*) {
    if (AutoStore() && WriteTo() < WriteFrom()) {
        ShowMessageBox("Invalid auto store range", "Range error", MB_ICONWARNING | MB_OK | MB_TOPMOST);
        return;
    }
    if (ModalResult() == mrNone) SetModalResult(mrCancel);
    Close();
}

void TRangesForm::stListBox1MouseDown(int x) { lastPressX_ = x; }

void TRangesForm::stListBox1Click(TObject*) {
    const int i = stListBox1->ItemIndex();
    if (lastPressX_ < 0 || lastPressX_ >= kRowHeight || i < 0 || i >= static_cast<int>(ranges_.size())) return;
    ranges_[static_cast<std::size_t>(i)]->skip ^= 1;
    stListBox1->Invalidate();
}

void TRangesForm::stListBox1DrawItem(TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    if (index < 0 || index >= static_cast<int>(ranges_.size())) return;
    const TRangeRecord& r = *ranges_[static_cast<std::size_t>(index)];
    TCanvas& c = stListBox1->Canvas();
    const bool selected = (state & od::Selected) != 0;
    c.Brush().SetColor(selected ? kSelectedRow : kRow);
    c.FillRect(rect);
    c.Font().SetColor(selected ? clYellow : clLime);
    // The check box: ticked while the scanner takes the range.
    const TRect box{rect.left + 2, rect.top + 2, rect.left + kRowHeight - 2, rect.bottom - 2};
    c.Brush().SetColor(clWhite);
    c.FillRect(box);
    if (!(r.skip & 1)) {
        c.Brush().SetColor(clBlack);
        c.FillRect({box.left + 3, box.top + 3, box.right - 3, box.bottom - 3});
    }
    c.Brush().SetColor(selected ? kSelectedRow : kRow);
    const std::string texts[] = {Freq2str(r.lower), Freq2str(r.upper), Freq2str(r.step),
                                 std::string(ModeName(r.mode)), RangeSquelchText(r),
                                 std::string(r.description, strnlen(r.description, sizeof r.description))};
    const int right = stListBox1->ClientWidth() - 2;
    for (std::size_t k = 0; k < std::size(kColumns); ++k) {
        const int left = rect.left + kColumns[k].left;
        const int width = (k + 1 < std::size(kColumns) ? rect.left + kColumns[k + 1].left : right) - left;
        const std::string t = ShortenText(texts[k], [&](const std::string& s) { return c.TextWidth(s) > width; });
        c.TextOut(left + (width - c.TextWidth(t)) / 2, rect.top, t);
    }
}

} // namespace lxq
