#pragma once
// A list box: rows of text from Items, or, in owner-data mode (LBS_NODATA in the window style),
// a row count set with Count and the rows' text asked of OnData. Owner-draw styles hand each row
// to OnDrawItem with the canvas prepared for its state. A click or key that changes the current
// row raises OnClick. The window style decides the mode, so a subclass can change it in
// CreateParams; the LB_ messages work as on a list window.

#include <functional>
#include <vector>

#include "platform/components/TCustomControl.h"
#include "platform/components/TStringList.h"

namespace plat::comp {

constexpr std::uint32_t LBS_NOTIFY = 0x0001;
constexpr std::uint32_t LBS_SORT = 0x0002;
constexpr std::uint32_t LBS_MULTIPLESEL = 0x0008;
constexpr std::uint32_t LBS_OWNERDRAWFIXED = 0x0010;
constexpr std::uint32_t LBS_OWNERDRAWVARIABLE = 0x0020;
constexpr std::uint32_t LBS_HASSTRINGS = 0x0040;
constexpr std::uint32_t LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr std::uint32_t LBS_EXTENDEDSEL = 0x0800;
constexpr std::uint32_t LBS_NODATA = 0x2000;

constexpr std::uint32_t LB_ADDSTRING = 0x0180;
constexpr std::uint32_t LB_RESETCONTENT = 0x0184;
constexpr std::uint32_t LB_SETCURSEL = 0x0186;
constexpr std::uint32_t LB_GETCURSEL = 0x0188;
constexpr std::uint32_t LB_GETCOUNT = 0x018B;
constexpr std::uint32_t LB_GETTOPINDEX = 0x018E;
constexpr std::uint32_t LB_SETTOPINDEX = 0x0197;
constexpr std::uint32_t LB_SETITEMHEIGHT = 0x01A0;
constexpr std::uint32_t LB_GETITEMHEIGHT = 0x01A1;
constexpr std::uint32_t LB_SETCOUNT = 0x01A7;
constexpr win::LResult LB_ERR = -1;

enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual,
                           lbVirtualOwnerDraw };

using TOwnerDrawState = std::uint32_t;
namespace od {
constexpr TOwnerDrawState Selected = 1u << 0;
constexpr TOwnerDrawState Disabled = 1u << 2;
constexpr TOwnerDrawState Focused = 1u << 4;
} // namespace od

using TDrawItemEvent =
    std::function<void(TWinControl* control, int index, TRect rect, TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(TWinControl* control, int index, int& height)>;
using TLBGetDataEvent = std::function<void(TWinControl* control, int index, std::string& data)>;

class TCustomListBox : public TCustomControl {
public:
    explicit TCustomListBox(TComponent* owner);
    const char* ClassName() const override { return "TCustomListBox"; }

    TStringList& Items() { return items_; }
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle s);
    // Rows: the items, or in owner-data mode the count given.
    int Count() const;
    void SetCount(int count);
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    int TopIndex() const { return topIndex_; }
    void SetTopIndex(int index);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int h);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool v);
    bool Selected(int index) const;
    void SetSelected(int index, bool v);
    bool Sorted() const { return items_.Sorted(); }
    void SetSorted(bool v) { items_.SetSorted(v); }
    // The row under a point of the client area, or -1.
    int ItemAtPos(TPoint p) const;
    TRect ItemRect(int index) const;
    // The text of a row (from OnData in owner-data mode).
    std::string ItemText(int index);
    void Clear();

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    TLBGetDataEvent OnData;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    bool HasScrollBar(bool vertical) const override;
    void ScrollInfo(bool vertical, int& position, int& page, int& range) const override;
    void ScrollTo(bool vertical, int position) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    // Draws one row; the canvas's brush and font are set for its state.
    virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);
    bool OwnerData() const;
    bool OwnerDraw() const;

private:
    int VisibleRows() const;
    bool NeedsScrollBar() const;
    void MoveTo(int index, TShiftState shift);
    void ItemsChanged();
    void RowsChanged(bool hadScrollBar);

    TStringList items_;
    TListBoxStyle style_ = TListBoxStyle::lbStandard;
    int count_ = 0;
    int itemIndex_ = -1;
    int topIndex_ = 0;
    int itemHeight_ = 16;
    bool multiSelect_ = false;
    std::vector<bool> selected_;
    bool scrollBarShown_ = false;
};

} // namespace plat::comp
