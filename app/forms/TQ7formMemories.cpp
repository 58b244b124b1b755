// The front panel's memory channels as the user meets them: the store and recall buttons, the
// memory number, and the dialogs for channels, scan groups, the LED, the display offset and the
// about box.

#include <memory>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/FrontPanelLook.h"
#include "app/forms/MemoryStore.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/TAboutForm.h"
#include "app/forms/TGroupForm.h"
#include "app/forms/TLEDform.h"
#include "app/forms/TMemoryForm.h"
#include "app/forms/TOffsetForm.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TRecallForm.h"
#include "app/receiver/TmyQ745.h"

namespace lxq {

using namespace plat::comp;

void TQ7form::BuildMemories() {
    auto button = [this](int x, const char* caption) {
        return FrontPanelButton(this, stPanel1, x, 130, 32, caption, TSTButtonKind::stbkNone);
    };
    stSpeedButton12 = button(356, "S");
    stSpeedButton12->SetHint("Store frequency");
    stSpeedButton12->OnClick = [this](TObject* s) { stSpeedButton12Click(s); };
    stSpeedButton15 = button(392, "R");
    stSpeedButton15->SetHint("Recall frequency");
    stSpeedButton15->OnClick = [this](TObject* s) { stSpeedButton15Click(s); };
    myIntEdit1 = Place<TmyIntEdit>(this, stPanel1, 430, 130, 90, 24);
    myIntEdit1->SetColor(0x202020);
    myIntEdit1->Font().SetColor(clLime);

    MemoryForm = new TMemoryForm(this, *this);
    RecallForm = new TRecallForm(this, *this);
    GroupForm = new TGroupForm(this);
    AboutForm = new TAboutForm(this, *this);
    LEDform = new TLEDform(this, *this);
    OffsetForm = new TOffsetForm(this);
}

void TQ7form::SetServiceMode(bool on) { service_ = on; }

void TQ7form::stSpeedButton12Click(TObject*) {
    ReceiverSnapshot rx;
    rx.frequency = Q7->GetFreq();
    rx.mode = Q7->GetMode();
    rx.bandwidth = Q7->GetBandwidth();
    rx.squelchLevel = Q7->GetSquelch();
    rx.squelchTypes = Q7->SquelchTypes();
    rx.squelch = Q7->SquelchSettings();
    auto record = std::make_unique<TMemoryRecord>(NewStoredMemory(rx));
    const TMemoryRecord* stored = record.get();
    MemoryForm->SetMemoryList(memories_, hotkeyUsed_);
    if (MemoryForm->ShowEntry(std::move(record)) == mrOk) {
        RecallForm->SetMemoryList(memories_);
        myIntEdit1->SetValue(stored->number);
        myFrequencyEdit1ValueChange(this);
    }
    RebuildSortedMemories();
}

void TQ7form::stSpeedButton15Click(TObject*) {
    MemoryForm->SetMemoryList(memories_, hotkeyUsed_);
    RecallForm->SetMemoryList(memories_);
    RecallForm->SetSortColumn(settings_.memSort);
    RecallForm->Show();
}

} // namespace lxq
