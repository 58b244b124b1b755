#pragma once
// A multi-line text edit over a list of lines: typing, Enter (with WantReturns), Backspace and
// Delete across line ends, the arrow keys, Home and End, read-only mode, word wrap and scroll
// bars in the frame. Text and Lines are two views of the same content.

#include <functional>

#include "platform/components/TCustomControl.h"
#include "platform/components/TStringList.h"

namespace plat::comp {

class TCustomMemo : public TCustomControl {
public:
    explicit TCustomMemo(TComponent* owner);
    const char* ClassName() const override { return "TCustomMemo"; }

    TStringList& Lines() { return lines_; }
    const TStringList& Lines() const { return lines_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool v) { wantReturns_ = v; }
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool v) { wantTabs_ = v; }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // Caret as line and column.
    int CaretLine() const { return line_; }
    int CaretColumn() const { return column_; }
    void SetCaret(int line, int column);
    int TopLine() const { return topLine_; }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void ScrollInfo(bool vertical, int& position, int& page, int& range) const override;
    void ScrollTo(bool vertical, int position) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void TextChanged() override;

private:
    void LinesChanged();
    void Edit(const std::function<void(std::vector<std::string>&)>& change);
    int LineHeight() const;
    int VisibleLines() const;
    void ScrollToCaret();

    TStringList lines_;
    bool readOnly_ = false;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    int line_ = 0;
    int column_ = 0;
    int topLine_ = 0;
    bool syncing_ = false;
};

} // namespace plat::comp
