#pragma once
// The toolkit's dialog window: a top window with a painted title bar, up to four title buttons,
// a frame and a modal loop.

#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <memory>

class RC_Popup : public RC_Window {
public:
    // Style bits of a popup.
    static constexpr std::uint32_t kCloseButton = 0x800;
    static constexpr std::uint32_t kHelpButton = 0x1000;
    static constexpr std::uint32_t kMaximiseButton = 0x2000;
    static constexpr std::uint32_t kMinimiseButton = 0x4000;
    static constexpr std::uint32_t kTitleButtons = 0x7800;
    static constexpr int kTitleHeight = 18;

    RC_Popup(RC_Window* parent, int x, int y, int width, int height, std::uint32_t creationFlags);
    ~RC_Popup() override;

    // Centred on the screen, or within the parent for a child popup.
    void Centre();
    // Copies an image of at most 16 x 16 pixels; a larger one or null leaves no icon.
    void SetIcon(const RC_Image* image);
    const RC_Image* Icon() const { return icon_.get(); }
    // Runs a nested message loop until a result is set, then closes the popup (which deletes it
    // unless it hides on close) and answers the result.
    int RunModal();
    // Ends the modal loop with the result (nonzero).
    void EndModal(int result);
    int ModalResult() const { return modalResult_; }
    int DisableNesting() const { return disableNesting_; }
    RC_Button* CloseButton() const { return close_; }
    RC_Button* HelpButton() const { return help_; }
    RC_Button* MaximiseButton() const { return maximise_; }
    RC_Button* MinimiseButton() const { return minimise_; }
    void SetTitleColours(RC_Colour text, RC_Colour from, RC_Colour to) { titleText_ = text, gradientFrom_ = from, gradientTo_ = to; }

    // The newest popup of the process; Next() walks to older ones.
    static RC_Popup* FirstPopupOfProcess();
    RC_Popup* NextPopupOfProcess() const { return nextPopup_; }

    plat::win::LResult HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) override;
    void Move(int x, int y, int width, int height, bool relayout) override;
    void SetEnabled(bool enabled) override;
    int Show(int command) override;
    void PaintContent() override;
    bool AcceptClose() override;
    virtual void OnHelp() {}

protected:
    void OnFlagsChanged(std::uint32_t a, std::uint32_t b) override;
    // Hides (hide-on-close popups) or closes; inside a modal loop, ends it with -1 instead.
    void CloseRequested();

private:
    static void TitleButtonPressed(void* user, RC_Window* button);
    RC_Button* MakeTitleButton(int glyph);
    void LayoutTitleButtons();
    bool Outside() const;

    RC_Popup* nextPopup_ = nullptr;
    RC_Popup* prevPopup_ = nullptr;
    int disableNesting_ = 0;
    RC_Button* close_ = nullptr;
    RC_Button* help_ = nullptr;
    RC_Button* maximise_ = nullptr;
    RC_Button* minimise_ = nullptr;
    std::unique_ptr<RC_Image> icon_;
    int modalResult_ = -1;
    bool modalRunning_ = false;
    RC_Colour titleText_ = 0xFFFFFF;
    RC_Colour gradientFrom_ = 0x800000;
    RC_Colour gradientTo_ = 0xFF8000;
};
