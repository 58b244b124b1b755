#pragma once
// A windowless one-line text entry. The text is the caption; it is drawn scrolled inside the
// frame, with a caret while the box has the focus, a selection made with mouse or keys, and
// copy and paste through the clipboard.

#include "demod/ui/toolkit/RC_Window.h"

#include <string>

class RC_Edit : public RC_Window {
public:
    // Style bit: password (one "*" per character shown and copied).
    static constexpr std::uint32_t kPassword = 0x800;
    // State bits.
    static constexpr std::uint32_t kPendingPress = 0x800;
    static constexpr std::uint32_t kPendingDrag = 0x1000;
    static constexpr std::uint32_t kShiftHeld = 0x2000;
    static constexpr std::uint32_t kCtrlHeld = 0x4000;
    using EnterFn = void (*)(void* user, RC_Edit* edit);

    RC_Edit(RC_Window* parent, int x, int y, int w, int h);
    ~RC_Edit() override;

    // Cut to the maximum length when one is set.
    void SetCaption(const char* text) override;
    void SetCaret(std::size_t position);
    void SelectAll();
    void ExtendSelection(std::size_t position);
    void DeleteSelection();
    void Copy();
    void Paste();

    void SetEditTextColour(RC_Colour colour) { textColour_ = colour, Invalidate(); }
    void SetAlignment(unsigned align) { align_ = align & 3u, Invalidate(); }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    void SetMaximumLength(std::size_t n) { maxLength_ = n; }
    void SetSelectAllOnFocus(bool on) { selectAllOnFocus_ = on; }
    void SetSelectionColours(RC_Colour background, RC_Colour text) { selBack_ = background, selText_ = text; }

    std::size_t Caret() const { return caret_; }
    std::size_t SelectionStart() const { return selStart_; }
    std::size_t SelectionEnd() const { return selEnd_; }
    std::size_t Length() const;
    int ScrollOffset() const { return scroll_; }

    RC_Callback<EnterFn> onEnter;

    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;
    int KeyEvent(int kind, std::uint32_t key) override;
    void SetFocused(int focused) override;

protected:
    // True when the text is shown and copied as stars.
    virtual bool Masked() const { return (Style() & kPassword) != 0; }
    virtual bool HighlightsSelection() const { return true; }
    virtual int CaretWidth() const { return 1; }
    RC_Colour EditTextColour() const { return textColour_; }

private:
    std::string Display() const;
    void SetText(const std::string& text);
    std::size_t IndexAt(int x, const std::string& shown);
    int Prefix(const std::string& s, std::size_t n);

    unsigned align_ = 0;
    bool selectAllOnFocus_ = true;
    std::size_t caret_ = 0;
    int lastX_ = 0;
    int scroll_ = 0;
    std::size_t maxLength_ = 0;
    RC_Colour textColour_ = 0x00FF00;
    RC_String focusText_;
    bool readOnly_ = false;
    RC_Colour selBack_;
    std::size_t selStart_ = 0;
    std::size_t selEnd_ = 0;
    RC_Colour selText_;
    bool focusFromClick_ = false; // the focus came with the press being handled
};
