#pragma once
// "Store frequency": edits one memory channel, a new one from the store button or one the recall
// list hands over. The list, the record and the hotkey table belong to the main form; on OK the
// controls go back into the record, a number held by another channel is settled with the user,
// the list is kept in number order and the plug-ins hear which channel was stored.

#include <array>
#include <cstdint>
#include <memory>

#include "app/forms/MemoryList.h"
#include "platform/components/TForm.h"

namespace plat::comp {
class TButton;
} // namespace plat::comp

namespace lxq {

class TQ7form;
class TmyFrequencyEdit;
class TmyIntEdit;
class TmyLabel;
class TmyUpDown;
class TstEdit;
class TstSpeedButton;

class TMemoryForm : public plat::comp::TForm {
public:
    TMemoryForm(plat::comp::TComponent* owner, TQ7form& main);
    const char* ClassName() const override { return "TMemoryForm"; }

    // Called before every ShowEntry and FindNumber: the list and hotkey table to work on.
    void SetMemoryList(MemoryList& list, HotkeyTable& hotkeyUsed);
    // Edits the channel at `position` of the list; answers 1 after OK, 2 after Cancel.
    int ShowEntry(TMemoryRecord& record, int position);
    // Edits a new channel: OK appends it to the list, Cancel frees it.
    int ShowEntry(std::unique_ptr<TMemoryRecord> fresh);
    // Index of the channel with the number, -1 when none has it; right in any list order.
    int FindNumber(std::int32_t number) const;
    // Orders the list by number; channels with equal numbers keep their order.
    void SortByNumber();

    // --- controls ---
    TmyLabel* FileLabel = nullptr; // "Current file: "
    TmyFrequencyEdit* myFrequencyEdit1 = nullptr;
    TmyIntEdit* myIntEdit1 = nullptr; // memory number
    TmyUpDown* myUpDown1 = nullptr;
    std::array<TstSpeedButton*, 16> GroupButtons{}; // group 1 first
    TstEdit* CallsignEdit = nullptr;
    TstEdit* HotkeyText = nullptr;
    TmyUpDown* HotkeyUpDown = nullptr;
    TstEdit* CommentsEdit = nullptr;
    TstSpeedButton* StoreModeButton = nullptr;
    TstEdit* ModeText = nullptr;
    TmyUpDown* ModeUpDown = nullptr;
    TstSpeedButton* StoreSquelchButton = nullptr;
    TstSpeedButton* LevelButton = nullptr;
    TmyIntEdit* LevelEdit = nullptr;
    TmyUpDown* LevelUpDown = nullptr;
    TstSpeedButton* NoiseButton = nullptr;
    TmyIntEdit* NoiseEdit = nullptr;
    TmyUpDown* NoiseUpDown = nullptr;
    TstSpeedButton* VoiceButton = nullptr;
    TmyIntEdit* VoiceEdit = nullptr;
    TmyUpDown* VoiceUpDown = nullptr;
    TstSpeedButton* CtcssButton = nullptr;
    TstEdit* CtcssText = nullptr;
    TmyUpDown* CtcssUpDown = nullptr;
    TstSpeedButton* DcsButton = nullptr;
    TstEdit* DcsText = nullptr;
    TmyUpDown* DcsUpDown = nullptr;
    TstSpeedButton* DcsInvertedButton = nullptr; // "R"
    TmyFrequencyEdit* BandwidthEdit = nullptr;
    TmyUpDown* BandwidthUpDown = nullptr;
    TstSpeedButton* LockoutButton = nullptr;
    plat::comp::TButton* OKButton = nullptr;
    plat::comp::TButton* CancelButton = nullptr;

    // --- handlers ---
    void OKButtonClick(plat::comp::TObject* sender);
    void CancelButtonClick(plat::comp::TObject* sender);
    void HotkeyUpDownDirection(plat::comp::TComponent* sender, int& val);
    void ModeUpDownDirection(plat::comp::TComponent* sender, int& val);
    void CtcssUpDownDirection(plat::comp::TComponent* sender, int& val);
    void DcsUpDownDirection(plat::comp::TComponent* sender, int& val);
    void myIntEdit1ValueChange(plat::comp::TObject* sender);
    void StoreModeButtonClick(plat::comp::TObject* sender);
    void StoreSquelchButtonClick(plat::comp::TObject* sender);
    void SquelchButtonClick(plat::comp::TObject* sender);
    void FormKeyDown(plat::comp::TObject* sender, std::uint16_t& key, plat::comp::TShiftState shift);

    // Positions behind the read-only texts.
    int HotkeyPosition() const { return hotkeyPos_; }
    int ModePosition() const { return modePos_; }
    int CtcssPosition() const { return ctcssPos_; }
    int DcsPosition() const { return dcsPos_; }

private:
    void BuildControls();
    int Edit(TMemoryRecord& record, int position);
    void Fill();
    void ShowHotkey();
    void ShowMode();
    void ShowCtcss();
    void ShowDcs();
    void ApplyEnabling();
    // The replace question for the channel at `index`; true for Yes.
    bool AskReplace(const TMemoryRecord& other);
    void WriteBack();
    int LowestUnusedNumber() const;

    TQ7form& main_;
    TMemoryRecord* record_ = nullptr;
    MemoryList* list_ = nullptr;
    int position_ = 0;
    HotkeyTable* hotkeyUsed_ = nullptr;
    std::unique_ptr<TMemoryRecord> fresh_; // a new channel until OK adds it to the list
    int hotkeyPos_ = 1;
    int modePos_ = 0;
    int ctcssPos_ = 0;
    int dcsPos_ = 0;
};

} // namespace lxq
