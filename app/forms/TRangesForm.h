#pragma once
// "Scan ranges": the ranges the scanner walks in its range mode, each with a step, mode, squelch,
// description and skip mark, and the auto-store settings the scanner uses when it finds a signal
// in a range. The list lives in "ranges.45r", read at start-up and written at shut-down.

#include <cstdint>
#include <functional>
#include <string>

#include "app/forms/RangeList.h"
#include "platform/components/TCustomListBox.h"
#include "platform/components/TForm.h"

namespace lxq {

class TNewRangeForm;
class TQ7Facilities;
class TstIntEdit;
class TstListBox;
class TstSpeedButton;

class TRangesForm : public plat::comp::TForm {
public:
    // The range editor limits frequencies and modes to the receiver's facilities.
    TRangesForm(plat::comp::TComponent* owner, const TQ7Facilities& facilities);
    const char* ClassName() const override { return "TRangesForm"; }

    RangeList& Ranges() { return ranges_; }
    // Reads the file of the data folder, else that of the program's folder.
    void LoadRanges(const std::string& dataFolder, const std::string& programFolder);
    // Writes the data folder's file; false when that failed.
    bool SaveRanges(const std::string& dataFolder);

    bool AutoStore() const;
    std::int32_t WriteFrom() const;
    std::int32_t WriteTo() const;
    std::int32_t GroupNumber() const;

    // Asks (text, caption, flags) and answers the button; tests replace it.
    std::function<int(const std::string&, const std::string&, std::uint32_t)> ShowMessageBox;

    TNewRangeForm* NewRangeForm = nullptr;
    TstListBox* stListBox1 = nullptr;
    TstSpeedButton* NewButton = nullptr;
    TstSpeedButton* DeleteButton = nullptr;
    TstSpeedButton* EditButton = nullptr;
    TstSpeedButton* CloseButton = nullptr;
    TstSpeedButton* AutoStoreButton = nullptr; // "Auto store"
    TstIntEdit* WriteFromEdit = nullptr;       // "Write from"
    TstIntEdit* WriteToEdit = nullptr;         // "to"
    TstIntEdit* GroupNumberEdit = nullptr;     // "Group number"

    void NewButtonClick(plat::comp::TObject* sender);
    void DeleteButtonClick(plat::comp::TObject* sender);
    void EditButtonClick(plat::comp::TObject* sender);
    void CloseButtonClick(plat::comp::TObject* sender);
    void AutoStoreButtonClick(plat::comp::TObject* sender);
    // A press in the check-box column toggles the skip mark of the row pressed, which the list
    // has selected by then; a double click's second press toggles nothing.
    void stListBox1MouseDown(plat::comp::TMouseButton button, plat::comp::TShiftState shift, int x, int y);
    void stListBox1DrawItem(plat::comp::TWinControl* control, int index, plat::comp::TRect rect,
                            plat::comp::TOwnerDrawState state);

private:
    RangeList ranges_;
    // The data folder's file was larger than a ranges file can be: what it holds is not known,
    // so it is never saved over.
    std::string refusedFile_;
    int lastPressX_ = -1;
};

} // namespace lxq
