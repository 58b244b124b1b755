#pragma once
// The toolkit's message box: a caption, a text and a row of up to eight buttons. The button-set
// word holds one button per 4 bits from the low end; each nonzero group is both the button's
// caption index ("OK", "Yes", "No", "Cancel", "Abort", "Retry", "Ignore") and its result.

#include "demod/ui/toolkit/RC_Popup.h"

#include <cstdint>

class RC_MessageBox : public RC_Popup {
public:
    static constexpr int kMaxButtons = 8;
    enum Result : int { kOk = 1, kYes = 2, kNo = 3, kCancel = 4, kAbort = 5, kRetry = 6, kIgnore = 7 };

    // Made at (0, 0) and centred on the screen; run it with RunModal (which deletes it).
    RC_MessageBox(RC_Window* owner, const char* caption, const char* text, std::uint32_t buttonSet);
    ~RC_MessageBox() override;

    int ButtonCount() const { return count_; }
    RC_Button* Button(int i) const { return i >= 0 && i < count_ ? buttons_[i] : nullptr; }
    int ButtonResult(int i) const { return i >= 0 && i < count_ ? results_[i] : 0; }
    std::uint32_t ResultWord() const { return resultWord_; }
    const char* Text() const { return text_.Text(); }

    void PaintContent() override;

    // Caption of a button value; empty for values without one.
    static const char* ButtonCaption(int value);

private:
    static void ButtonPressed(void* user, RC_Window* button);

    RC_String text_;
    RC_Button* buttons_[kMaxButtons] = {};
    int results_[kMaxButtons] = {};
    std::uint32_t resultWord_;
    int count_ = 0;
};

// Shows a modal box with one "OK" button and waits for it.
void RC_ShowError(const char* caption, const char* text);
