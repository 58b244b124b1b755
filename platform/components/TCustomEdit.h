#pragma once
// A single-line text edit: typing, selection with Shift, Home and End, deleting, the clipboard
// (Ctrl+C, Ctrl+X, Ctrl+V, Ctrl+A), a maximum length, read-only and password modes. The text
// alignment comes from the window style (ES_LEFT, ES_CENTER, ES_RIGHT), so a subclass changes it
// in CreateParams. OnChange follows every change of the text.

#include "platform/components/TCustomControl.h"

namespace plat::comp {

// Edit window styles.
constexpr std::uint32_t ES_LEFT = 0x0000;
constexpr std::uint32_t ES_CENTER = 0x0001;
constexpr std::uint32_t ES_RIGHT = 0x0002;
constexpr std::uint32_t ES_MULTILINE = 0x0004;
constexpr std::uint32_t ES_PASSWORD = 0x0020;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
constexpr std::uint32_t ES_READONLY = 0x0800;

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TCustomControl {
public:
    explicit TCustomEdit(TComponent* owner);
    const char* ClassName() const override { return "TCustomEdit"; }

    int SelStart() const { return selStart_; }
    void SetSelStart(int pos);
    int SelLength() const { return selLength_; }
    void SetSelLength(int length);
    std::string SelText() const;
    void SetSelText(const std::string& text);
    void SelectAll();
    void ClearSelection() { SetSelText(""); }

    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n) { maxLength_ = n < 0 ? 0 : n; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char c);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase c);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle s);
    // Entering the edit selects its whole text; else the caret goes to the end.
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool v) { autoSelect_ = v; }
    // Off: a plain one-pixel border in place of the sunken edge.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool v);
    bool Modified() const { return modified_; }
    void SetModified(bool v) { modified_ = v; }

    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void DoEnter() override;
    void DoExit() override;
    void TextChanged() override;
    virtual void Change();
    // The text as shown (password characters in place of the letters).
    std::string DisplayText() const;
    // The rectangle the text is laid out and drawn in, in client coordinates (a multi-line edit's
    // formatting rectangle); an empty one stands for the client area, the text centred vertically.
    void SetEditRect(const TRect& r);
    const TRect& EditRect() const { return editRect_; }

private:
    // Moves the caret; with `extend` the selection grows from its anchor.
    void MoveCaret(int pos, bool extend);
    int CaretPos() const;
    int Anchor() const;
    void ReplaceSelection(const std::string& text);
    int TextX(int pos);
    int PosAtX(int x);

    int selStart_ = 0;
    int selLength_ = 0;
    bool caretAtStart_ = false; // the caret sits at the selection's start (extended leftwards)
    int maxLength_ = 0;
    bool readOnly_ = false;
    char passwordChar_ = 0;
    TEditCharCase charCase_ = TEditCharCase::ecNormal;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    bool modified_ = false;
    bool autoSelect_ = true;
    bool ctl3D_ = true;
    TRect editRect_{};
    int scroll_ = 0; // pixels the text is scrolled left to keep the caret in view
    bool settingText_ = false;
};

} // namespace plat::comp
