#include "app/forms/TRecallForm.h"

#include <filesystem>

#include "app/controls/FloatText.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TstListBox.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/ModeNames.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/SquelchTexts.h"
#include "app/forms/TMemoryForm.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/SquelchSettings.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TApplication.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TButton.h"
#include "platform/components/TMessageForm.h"
#include "platform/gdi/TextMetrics.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr std::array<int, TRecallForm::kColumns> kColumnLeft = {0, 30, 150, 200, 250, 350, 420};
constexpr std::array<const char*, TRecallForm::kColumns> kColumnTitle = {
    "No.", "Frequency", "Mode", "Groups", "Callsign", "Squelch", "Comments"};
// The sort key each column's header sets.
constexpr std::array<int, TRecallForm::kColumns> kColumnKey = {0, 1, 2, 3, 5, 4, 6};
constexpr int kGroupsColumn = 3;
constexpr TColor kSelectedBack = 0x636363; // RGB 99,99,99
constexpr int kHeaderHeight = 20;
constexpr int kButtonPanelHeight = 34;

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, std::find(field, field + N, '\0'));
}

// Group marks by quarter: set, clear.
constexpr std::array<std::pair<TColor, TColor>, 4> kGroupColours = {{
    {clRed, clMaroon}, {clBlue, clNavy}, {clLime, clGreen}, {clYellow, clOlive}}};

} // namespace

TRecallForm::TRecallForm(TComponent* owner, TQ7form& main)
    : TForm(owner), main_(main), rowBitmap_(std::make_unique<TBitmap>(1, kRowHeight)) {
    BuildControls();
    Application().SetHintHidePause(10000);
    Application().SetHintPause(10);
    main_.RebuildSortedMemories();
}

TRecallForm::~TRecallForm() = default;

void TRecallForm::PositionForShow() {
    TForm::PositionForShow();
    // The buttons that store a channel and open this list stay in reach beside it.
    TRect buttons{};
    for (TControl* b : {static_cast<TControl*>(main_.stSpeedButton12), static_cast<TControl*>(main_.stSpeedButton15)}) {
        if (!b || !b->Visible() || !main_.Visible()) continue;
        const TPoint at = b->ClientToScreen({0, 0});
        const TRect r{at.x, at.y, at.x + b->Width(), at.y + b->Height()};
        buttons = buttons.IsEmpty() ? r : buttons.Union(r);
    }
    if (buttons.IsEmpty() || BoundsRect().Intersect(buttons).IsEmpty()) return;
    constexpr int kGap = 6;
    int top = buttons.bottom + kGap;
    if (top + Height() > plat::win::GetSystemMetrics(plat::win::SM_CYSCREEN) && buttons.top - kGap - Height() >= 0)
        top = buttons.top - kGap - Height();
    SetBounds(Left(), top, Width(), Height());
}

void TRecallForm::BuildControls() {
    SetCaption("Recall frequency");
    SetPosition(TPosition::poMainFormCenter);
    SetClientSize(640, 360);
    SetKeyPreview(true);
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState st) { FormKeyDown(s, k, st); };
    OnResize = [this](TObject* s) { FormResize(s); };

    HeaderPanel = Place<TstPanel>(this, this, 0, 0, ClientWidth(), kHeaderHeight);
    HeaderPanel->SetAlign(TAlign::alTop);
    HeaderPanel->SetColor(0x303030);
    HeaderPanel->SetDoubleBuffered(true);
    ButtonPanel = Place<TstPanel>(this, this, 0, ClientHeight() - kButtonPanelHeight, ClientWidth(),
                                         kButtonPanelHeight);
    ButtonPanel->SetAlign(TAlign::alBottom);
    ButtonPanel->SetColor(0x303030);
    ButtonPanel->SetDoubleBuffered(true);
    ListBox1 = Place<TstListBox>(this, this, 0, kHeaderHeight, ClientWidth(),
                                        ClientHeight() - kHeaderHeight - kButtonPanelHeight);
    ListBox1->SetAlign(TAlign::alClient);
    ListBox1->SetStyle(TListBoxStyle::lbVirtualOwnerDraw);
    ListBox1->SetItemHeight(kRowHeight);
    ListBox1->SetColor(clBlack);
    ListBox1->SetShowHint(true);
    ListBox1->OnDrawItem = [this](TWinControl* c, int i, TRect r, TOwnerDrawState st) { ListBox1DrawItem(c, i, r, st); };
    ListBox1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState st, int x, int y) {
        ListBox1MouseDown(s, b, st, x, y);
    };
    ListBox1->OnMouseMove = [this](TObject* s, TShiftState st, int x, int y) { ListBox1MouseMove(s, st, x, y); };
    ListBox1->OnDblClick = [this](TObject* s) { ListBox1DblClick(s); };

    for (int c = 0; c < kColumns; ++c) {
        const int right = c + 1 < kColumns ? kColumnLeft[static_cast<std::size_t>(c + 1)] : ClientWidth();
        auto* l = Place<TmyLabel>(this, HeaderPanel, kColumnLeft[static_cast<std::size_t>(c)], 2,
                                         right - kColumnLeft[static_cast<std::size_t>(c)], 16);
        l->SetAutoSize(false);
        l->SetAlignment(TAlignment::taCenter);
        l->SetCaption(kColumnTitle[static_cast<std::size_t>(c)]);
        l->Font().SetColor(clWhite);
        l->SetTag(kColumnKey[static_cast<std::size_t>(c)]);
        l->OnClick = [this](TObject* s) { HeaderLabelClick(s); };
        HeaderLabels[static_cast<std::size_t>(c)] = l;
    }

    auto button = [this](int x, const char* caption) {
        auto* b = Place<TButton>(this, ButtonPanel, x, 4, 80, 26);
        b->SetCaption(caption);
        return b;
    };
    CloseButton = button(10, "Close");
    CloseButton->OnClick = [this](TObject* s) { CloseButtonClick(s); };
    EditButton = button(100, "Edit");
    EditButton->OnClick = [this](TObject* s) { EditButtonClick(s); };
    DeleteButton = button(190, "Delete");
    DeleteButton->OnClick = [this](TObject* s) { DeleteButtonClick(s); };
    FormResize(this);
}

void TRecallForm::SetMemoryList(MemoryList& list) {
    list_ = &list;
    const int count = static_cast<int>(list.size());
    if (count != shownCount_) {
        ListBox1->SetLength(count);
        shownCount_ = count;
    }
    ListBox1->Invalidate();
    SetCaption("Recall frequency      [" + std::filesystem::path(main_.MemoryFileName()).filename().string() + "]");
}

int TRecallForm::SelectedRow() const {
    const int row = ListBox1->ItemIndex();
    return list_ && row >= 0 && row < static_cast<int>(list_->size()) ? row : -1;
}

std::array<std::string, TRecallForm::kColumns> TRecallForm::RowTexts(const TMemoryRecord& r) {
    return {(r.flags & kMemLockout ? "x" : " ") + std::to_string(r.number),
            Freq2str(r.frequency),
            r.flags & kMemKeepMode ? std::string("-") : std::string(ModeName(r.mode)),
            std::string(),
            FieldText(r.callsign),
            SquelchSummary(r),
            FieldText(r.comments)};
}

// --- drawing -----------------------------------------------------------------------------------

void TRecallForm::ListBox1DrawItem(TWinControl*, int index, TRect rect, std::uint32_t state) {
    if (!list_ || index < 0 || index >= static_cast<int>(list_->size())) return;
    const TMemoryRecord& r = *(*list_)[static_cast<std::size_t>(index)];
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    TBitmap& bmp = *rowBitmap_;
    if (bmp.Width() != width || bmp.Height() != height) bmp.SetSize(width, height);
    TCanvas& c = bmp.Canvas();
    const bool selected = (state & od::Selected) != 0;
    c.Font().Assign(ListBox1->Font());
    c.Font().SetColor(selected ? clYellow : clLime);
    c.Brush().SetColor(selected ? kSelectedBack : clBlack);
    c.FillRect({0, 0, width, height});
    c.Brush().SetStyle(TBrushStyle::bsClear);

    const auto texts = RowTexts(r);
    for (int col = 0; col < kColumns; ++col) {
        if (col == kGroupsColumn) continue;
        const int left = kColumnLeft[static_cast<std::size_t>(col)];
        const int right = col + 1 < kColumns ? kColumnLeft[static_cast<std::size_t>(col + 1)] : width - 2;
        TRect cell{left, 0, right, height};
        c.DrawText(texts[static_cast<std::size_t>(col)], cell,
                   plat::gdi::dt::Center | plat::gdi::dt::VCenter | plat::gdi::dt::SingleLine |
                       plat::gdi::dt::EndEllipsis | plat::gdi::dt::NoPrefix);
    }
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    for (int n = 1; n <= 16; ++n) {
        const bool set = (r.groups & (1u << (16 - n))) != 0;
        const auto& colours = kGroupColours[static_cast<std::size_t>((n - 1) / 4)];
        const int markHeight = set ? 10 : 2;
        const int x = 201 + 3 * (n - 1);
        const int top = (height - markHeight) / 2;
        c.Brush().SetColor(set ? colours.first : colours.second);
        c.FillRect({x, top, x + 2, top + markHeight});
    }
    ListBox1->Canvas().Draw(rect.left, rect.top, bmp);
}

// --- tuning to a channel -----------------------------------------------------------------------

void TRecallForm::RecallEntry(int index) {
    if (!list_ || index < 0 || index >= static_cast<int>(list_->size())) return;
    const TMemoryRecord& r = *(*list_)[static_cast<std::size_t>(index)];
    TmyQ745& rx = *main_.Q7;
    rx.SetFreq(r.frequency);
    if (!(r.flags & kMemKeepMode)) rx.SetMode(r.mode);
    if (!(r.flags & kMemKeepSquelch)) {
        SQUELCH_SETTINGS s = rx.SquelchSettings();
        std::uint32_t types = 0;
        if (r.levelSquelch != 0) {
            types |= kSquelchLevel;
            s.level = rx.SQtoKVR(r.levelSquelch);
        }
        switch (static_cast<std::uint32_t>(r.squelchType)) {
        case kSquelchNoise:
            types |= kSquelchNoise;
            s.noise = r.squelchValue;
            break;
        case kSquelchVoice:
            types |= kSquelchVoice;
            s.voice = static_cast<std::uint32_t>(r.squelchValue);
            break;
        case kSquelchCtcss:
            types |= kSquelchCtcss;
            s.ctcss = static_cast<std::uint32_t>(r.squelchValue);
            break;
        case kSquelchDcs:
            types |= kSquelchDcs;
            s.dcs = r.squelchValue;
            break;
        default: break;
        }
        rx.SetSquelchSettings(s, types);
    }
    ListBox1->SetItemIndex(index);
    if (main_.myIntEdit1) main_.myIntEdit1->SetValue(r.number);
    rx.SetBandwidth(static_cast<std::int32_t>(r.bandwidth));
}

void TRecallForm::ListBox1MouseDown(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != TMouseButton::mbLeft) return;
    const int row = ListBox1->ItemAtPos({x, y});
    if (row >= 0) RecallEntry(row);
}

// --- hint, sorting, buttons --------------------------------------------------------------------

void TRecallForm::ListBox1MouseMove(TObject*, TShiftState, int, int y) {
    const int row = y / kRowHeight + ListBox1->TopIndex();
    if (row == hintRow_) return;
    Application().CancelHint();
    hintRow_ = row;
    std::string hint;
    if (list_ && row >= 0 && row < static_cast<int>(list_->size()))
        hint = GroupsHint((*list_)[static_cast<std::size_t>(row)]->groups);
    ListBox1->SetHint(hint);
}

void TRecallForm::SetSortColumn(int key) {
    for (TmyLabel* l : HeaderLabels) l->SetEnabled(l->Tag() != key);
    main_.RebuildSortedMemories();
    ListBox1->Invalidate();
}

void TRecallForm::HeaderLabelClick(TObject* sender) {
    auto* label = dynamic_cast<TmyLabel*>(sender);
    if (!label) return;
    main_.Settings().memSort = static_cast<std::int32_t>(label->Tag());
    SetSortColumn(static_cast<int>(label->Tag()));
}

void TRecallForm::CloseButtonClick(TObject*) { Hide(); }

void TRecallForm::EditButtonClick(TObject*) {
    const int row = SelectedRow();
    if (row < 0) return;
    main_.MemoryForm->SetMemoryList(*list_, main_.HotkeyUsed());
    main_.MemoryForm->ShowEntry(*(*list_)[static_cast<std::size_t>(row)], row);
    main_.RebuildSortedMemories();
    // A number taken over from another channel removed that one: the row count follows.
    SetMemoryList(*list_);
}

void TRecallForm::ListBox1DblClick(TObject* sender) {
    EditButtonClick(sender);
    if (list_) SetMemoryList(*list_);
}

void TRecallForm::DeleteButtonClick(TObject*) {
    const int row = SelectedRow();
    if (row >= 0 && main_.ShowMessageBox("Remove frequency ?", TQ7form::kCaption,
                                         MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) == IDYES) {
        list_->erase(list_->begin() + row);
        SetMemoryList(*list_);
    }
    main_.RebuildSortedMemories();
}

void TRecallForm::FormKeyDown(TObject*, std::uint16_t& key, TShiftState) {
    if (key == plat::win::VK_ESCAPE) {
        key = 0;
        CloseButtonClick(CloseButton);
    } else if (key == plat::win::VK_RETURN) {
        key = 0;
        EditButtonClick(EditButton);
    }
}

void TRecallForm::FormResize(TObject*) {
    if (!ListBox1) return;
    TmyLabel* comments = HeaderLabels[kColumns - 1];
    comments->SetWidth(std::max(ListBox1->ClientWidth() - comments->Left() - 5, 0));
    ListBox1->Invalidate();
}

} // namespace lxq
