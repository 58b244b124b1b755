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
#include "app/forms/RangeRow.h"
#include "app/forms/TNewRangeForm.h"
#include "app/forms/SquelchControls.h"
#include "app/receiver/SquelchSettings.h"
#include "platform/components/TCheckBox.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMessageForm.h"
#include "platform/sys/DebugOutput.h"
#include "platform/win/VirtualKeys.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr int kRowHeight = 16;
constexpr RangeColumns kColumns = {20, 120, 220, 320, 350, 420};
constexpr const char* kCaptions[] = {"Lower", "Upper", "Step", "Mode", "Squelch", "Description"};

} // namespace

TRangesForm::TRangesForm(TComponent* owner, const TQ7Facilities& facilities) : TForm(owner) {
    NewRangeForm = new TNewRangeForm(this, facilities);
    ShowMessageBox = [](const std::string& t, const std::string& c, std::uint32_t f) { return MessageBox(t, c, f); };
    SetCaption("Scan ranges");
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(620, 330);
    SetKeyPreview(true);
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        PlaceLabel(this, this, 8 + kColumns[i], 8, 90, kCaptions[i]);
    }
    stListBox1 = PlaceRowList(this, this, 8, 26, 604, 200, kRowHeight);
    stListBox1->OnDrawItem = [this](TWinControl* c, int i, TRect r, TOwnerDrawState s) { stListBox1DrawItem(c, i, r, s); };
    stListBox1->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        stListBox1MouseDown(b, s, x, y);
    };
    stListBox1->OnDblClick = [this](TObject* s) {
        if (lastPressX_ >= kRowHeight) EditButtonClick(s);
    };

    auto button = [this](int x, int y, int w, const char* caption) { return PlaceButton(this, this, x, y, w, caption); };
    NewButton = button(8, 234, 70, "New");
    DeleteButton = button(84, 234, 70, "Delete");
    EditButton = button(160, 234, 70, "Edit");
    CloseButton = button(542, 298, 70, "Close");
    AutoStoreButton = button(8, 268, 90, "Auto store");
    AutoStoreButton->SetGroupIndex(3);
    AutoStoreButton->SetAllowAllUp(true);
    auto edit = [this](int x, const char* caption, int min, int max, int value) {
        PlaceLabel(this, this, x, 272, 80, caption);
        auto* e = Place<TstIntEdit>(this, this, x + 82, 268, 70, 22);
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
    bool tooLarge = false;
    ranges_ = ReadRangesFile(path, &tooLarge);
    refusedFile_ = tooLarge ? path : std::string();
    if (tooLarge) plat::sys::OutputDebugText(path + " is larger than a ranges file can be and was not read");
    stListBox1->SetLength(static_cast<int>(ranges_.size()));
}

bool TRangesForm::SaveRanges(const std::string& dataFolder) {
    const std::string path = dataFolder + kRangesFileName;
    if (path == refusedFile_) {
        plat::sys::OutputDebugText(path + " was not read (too large); it is left as it is; not saved");
        return false;
    }
    return WriteRangesFile(path, ranges_);
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

void TRangesForm::stListBox1MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // The list's own selection (and its click event) comes before this handler: the press is
    // handled here, on its own row, whether or not the selection changed.
    lastPressX_ = x;
    if (button != TMouseButton::mbLeft || (shift & ss::Double) || x < 0 || x >= kRowHeight) return;
    const int i = stListBox1->ItemAtPos({x, y});
    if (i < 0 || i >= static_cast<int>(ranges_.size())) return;
    ranges_[static_cast<std::size_t>(i)]->skip ^= 1;
    stListBox1->Invalidate();
}

void TRangesForm::stListBox1DrawItem(TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    if (index < 0 || index >= static_cast<int>(ranges_.size())) return;
    const TRangeRecord& r = *ranges_[static_cast<std::size_t>(index)];
    TCanvas& c = stListBox1->Canvas();
    const bool selected = (state & od::Selected) != 0;
    DrawRangeRow(c, rect, r, selected, kColumns, stListBox1->ClientWidth() - 2);
    // The check box: ticked while the scanner takes the range.
    plat::comp::DrawCheckMark(c, rect.left + 2, rect.top + (rect.Height() - plat::comp::kCheckMarkSize) / 2,
                              (r.skip & 1) ? plat::comp::TCheckBoxState::cbUnchecked
                                           : plat::comp::TCheckBoxState::cbChecked);
}

} // namespace lxq
