#pragma once
// "Recall frequency": a window beside the front panel listing every memory channel in the list's
// current order. A click on a row tunes to that channel, a double click or "Edit" opens the store
// dialog on it, "Delete" removes it, a click on a column header changes the sort key.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/forms/MemoryList.h"
#include "platform/components/TForm.h"

namespace plat::comp {
class TBitmap;
class TButton;
} // namespace plat::comp

namespace lxq {

class TQ7form;
class TmyLabel;
class TstListBox;
class TstPanel;

class TRecallForm : public plat::comp::TForm {
public:
    static constexpr int kRowHeight = 17;
    static constexpr int kColumns = 7;

    TRecallForm(plat::comp::TComponent* owner, TQ7form& main);
    ~TRecallForm() override;
    const char* ClassName() const override { return "TRecallForm"; }

    void SetMemoryList(MemoryList& list);
    // Tunes the receiver to the channel at the row; a row outside the list does nothing.
    void RecallEntry(int index);
    // Greys the header of the sort key and has the main form sort its lists by it.
    void SetSortColumn(int key);
    // The seven texts of a row ("Groups" is drawn, its text is empty).
    static std::array<std::string, kColumns> RowTexts(const TMemoryRecord& r);

    TstPanel* HeaderPanel = nullptr;
    std::array<TmyLabel*, kColumns> HeaderLabels{}; // in column order
    TstListBox* ListBox1 = nullptr;
    TstPanel* ButtonPanel = nullptr;
    plat::comp::TButton* CloseButton = nullptr;
    plat::comp::TButton* EditButton = nullptr;
    plat::comp::TButton* DeleteButton = nullptr;

    void ListBox1DrawItem(plat::comp::TWinControl* control, int index, plat::comp::TRect rect,
                          std::uint32_t state);
    void ListBox1MouseDown(plat::comp::TObject* sender, plat::comp::TMouseButton button,
                           plat::comp::TShiftState shift, int x, int y);
    void ListBox1MouseMove(plat::comp::TObject* sender, plat::comp::TShiftState shift, int x, int y);
    void ListBox1DblClick(plat::comp::TObject* sender);
    void HeaderLabelClick(plat::comp::TObject* sender);
    void CloseButtonClick(plat::comp::TObject* sender);
    void EditButtonClick(plat::comp::TObject* sender);
    void DeleteButtonClick(plat::comp::TObject* sender);
    void FormKeyDown(plat::comp::TObject* sender, std::uint16_t& key, plat::comp::TShiftState shift);
    void FormResize(plat::comp::TObject* sender);

protected:
    // Centred on the main form, but never over its store and recall buttons: below them, or
    // above them when the screen ends first.
    void PositionForShow() override;

private:
    void BuildControls();
    int SelectedRow() const;

    TQ7form& main_;
    MemoryList* list_ = nullptr;
    int shownCount_ = 0;
    int hintRow_ = -1;
    std::unique_ptr<plat::comp::TBitmap> rowBitmap_; // each row is drawn here first
};

} // namespace lxq
