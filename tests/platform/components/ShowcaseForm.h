#pragma once
// A form holding one of each standard control, for the screenshot test and the repaint benchmark.

#include <string>

#include "platform/components/TButton.h"
#include "platform/components/TCheckBox.h"
#include "platform/components/TEdit.h"
#include "platform/components/TForm.h"
#include "platform/components/THintWindow.h"
#include "platform/components/TLabel.h"
#include "platform/components/TListBox.h"
#include "platform/components/TMainMenu.h"
#include "platform/components/TMemo.h"
#include "platform/components/TPageControl.h"
#include "platform/components/TPanel.h"
#include "platform/components/TRadioButton.h"
#include "platform/components/TTabSheet.h"

namespace plat::comp::test {

class ShowcaseForm : public TForm {
public:
    explicit ShowcaseForm(TComponent* owner) : TForm(owner) {
        SetCaption("Components");
        SetBorderStyle(TFormBorderStyle::bsSingle);
        menu = new TMainMenu(this);
        for (const char* caption : {"&File", "&Memory", "&Scan", "&Help"}) {
            auto* item = new TMenuItem(this);
            item->SetCaption(caption);
            menu->Items().Add(item);
        }
        SetMenu(menu);
        SetClientSize(480, 330);

        label = Place(new TLabel(this), 10, 10, 0, 0);
        label->SetCaption("Frequency:");
        edit = Place(new TEdit(this), 80, 8, 150, 21);
        edit->SetText("145.500 MHz");
        button = Place(new TButton(this), 240, 6, 75, 25);
        button->SetCaption("&Store");
        button->SetDefault(true);
        check = Place(new TCheckBox(this), 10, 40, 110, 17);
        check->SetCaption("Attenuator");
        check->SetChecked(true);
        radioA = Place(new TRadioButton(this), 130, 40, 60, 17);
        radioA->SetCaption("AM");
        radioB = Place(new TRadioButton(this), 190, 40, 60, 17);
        radioB->SetCaption("FM");
        radioB->SetChecked(true);

        list = Place(new TListBox(this), 10, 66, 140, 100);
        for (const char* row : {"Channel 1", "Channel 2", "Channel 3", "Channel 4", "Channel 5",
                                "Channel 6", "Channel 7"})
            list->Items().Add(row);
        list->SetItemIndex(1);
        memo = Place(new TMemo(this), 160, 66, 155, 100);
        memo->SetScrollBars(TScrollStyle::ssVertical);
        memo->SetText("Scanner log\nStopped at 145.500\nSquelch open");

        panel = Place(new TPanel(this), 325, 6, 145, 160);
        panel->SetBevelInner(TPanelBevel::bvLowered);
        panel->SetCaption("Panel");

        pages = Place(new TPageControl(this), 10, 176, 460, 145);
        for (const char* caption : {"Receiver", "Scanner", "Sweep"}) {
            auto* sheet = new TTabSheet(this);
            sheet->SetCaption(caption);
            sheet->SetPageControl(pages);
        }
        auto* inner = new TLabel(this);
        inner->SetCaption("Settings of the receiver page");
        inner->SetParent(pages->Pages(0));
        inner->SetLeft(8);
        inner->SetTop(8);

        hint = new THintWindow(this);
    }

    template <typename T>
    T* Place(T* control, int x, int y, int w, int h) {
        control->SetParent(this);
        control->SetBounds(x, y, w ? w : control->Width(), h ? h : control->Height());
        return control;
    }

    TMainMenu* menu;
    TLabel* label;
    TEdit* edit;
    TButton* button;
    TCheckBox* check;
    TRadioButton* radioA;
    TRadioButton* radioB;
    TListBox* list;
    TMemo* memo;
    TPanel* panel;
    TPageControl* pages;
    THintWindow* hint;
};

} // namespace plat::comp::test
