#include "app/forms/TNoRecForm.h"

#include <algorithm>

#include "app/forms/TNoRecHelpForm.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr int kMargin = 16;
constexpr TColor kLinkColor = 0xFF0000;
constexpr int kButtonWidth = 120;
constexpr int kButtonPadding = 24; // room around a caption
constexpr int kButtonGap = 12;     // at least, between two buttons

TLabel* MakeLabel(TForm* form, const char* text) {
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetCaption(text);
    return l;
}

TButton* MakeButton(TForm* form, const char* caption, TModalResult result) {
    auto* b = new TButton(form);
    b->SetParent(form);
    b->SetBounds(0, 0, kButtonWidth, 28);
    b->SetCaption(caption);
    b->SetModalResult(result);
    return b;
}

} // namespace

TNoRecForm::TNoRecForm(TComponent* owner) : TForm(owner) {
    SetCaption("LXQ745");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    Label1 = MakeLabel(this, "No receiver was found.\r\n\r\nThis may mean that either no receiver is connected,\r\n"
                             "or it is not powered, or its Windows driver was not\r\nloaded in time before "
                             "this application was executed.");
    Label2 = MakeLabel(this, "For more detailed information, click ");
    Label3 = MakeLabel(this, "here");
    Label3->Font().SetColor(kLinkColor);
    Label3->Font().SetStyle(Label3->Font().Style() | fs::Underline);
    Label4 = MakeLabel(this, ".");
    Label3->OnClick = [this](TObject* s) { Label3Click(s); };
    Label4->OnClick = [this](TObject* s) { Label3Click(s); };
    Button1 = MakeButton(this, "Try again", kTryAgain);
    Button1->SetDefault(true);
    Button2 = MakeButton(this, "Run in demo mode", kDemo);
    Button3 = MakeButton(this, "Cancel", kQuit);
    Button3->SetCancel(true);
    ShowHelp = [](TNoRecHelpForm& help) { help.ShowModal(); };
    Arrange();
}

void TNoRecForm::Arrange() {
    Label1->SetLeft(kMargin);
    Label1->SetTop(kMargin);
    const int linkTop = Label1->Top() + Label1->Height() + 12;
    Label2->SetLeft(kMargin);
    Label2->SetTop(linkTop);
    Label3->SetLeft(Label2->Left() + Label2->Width());
    Label3->SetTop(linkTop);
    Label4->SetLeft(Label3->Left() + Label3->Width());
    Label4->SetTop(linkTop);
    // Each button is wide enough for its caption, and the row of three fits the window.
    TBitmap measure(1, 1);
    int buttons = 0;
    for (TButton* b : {Button1, Button2, Button3}) {
        measure.Canvas().Font().Assign(b->Font());
        b->SetWidth(std::max(kButtonWidth, measure.Canvas().TextWidth(b->Caption()) + kButtonPadding));
        buttons += b->Width();
    }
    const int width = std::max(Label1->Width(), buttons + 2 * kButtonGap) + 2 * kMargin;
    const int buttonTop = linkTop + Label2->Height() + 16;
    SetClientSize(width, buttonTop + Button1->Height() + kMargin);
    Button1->SetLeft(kMargin);
    Button1->SetTop(buttonTop);
    Button3->SetLeft(width - kMargin - Button3->Width());
    Button3->SetTop(buttonTop);
    Button2->SetLeft((width - Button2->Width()) / 2);
    Button2->SetTop(buttonTop);
}

void TNoRecForm::Label3Click(TObject*) {
    TNoRecHelpForm help(nullptr);
    ShowHelp(help);
}

} // namespace lxq
